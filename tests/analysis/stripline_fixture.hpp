// Coupled stripline widths and gaps for the analysis fixtures, kept apart
// from the design records so that the stripline models' own tables and the
// records' per-section tables never meet in one translation unit.
#pragma once

namespace quorvane::testing {

// For count sections with even/odd impedances zoe[k], zoo[k] (ohm): width
// and gap divided by b, for strips t_over_b thick in er.
void coupled_strip_fractions(float t_over_b, float er, const float* zoe, const float* zoo, int count, float* w,
                             float* s);

}  // namespace quorvane::testing
