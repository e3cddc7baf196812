// The chain matrix of the whole filter at an analysis frequency: the N+1
// coupled sections, each multiplied into the running matrix from the left,
// starting from the identity.  Everything about a section that does not
// depend on frequency (mode widths, static dielectric constants and
// impedances, the conductor-loss derivatives) is computed once, when the
// network is built, so that a sweep repeats only the dispersive part; and a
// section whose inputs equal those of an earlier one, bit for bit (the
// designs are symmetric, so about half of them), reuses that section's
// matrices at each frequency instead of computing them again.
#pragma once

#include <vector>

#include "analysis/chain_matrix.hpp"
#include "analysis/losses.hpp"
#include "analysis/microstrip_section.hpp"
#include "analysis/stripline_section.hpp"
#include "dialogue/design_state.hpp"

namespace quorvane {

class FilterNetwork {
 public:
  // msorsl: 1 microstrip (qvnams), otherwise the stripline model (qvnasl),
  // which with msorsl = 0 is the ideal design in air.  isections: poles N;
  // flength: section lengths, inch; er: relative dielectric constant.  The
  // dimensions, the mode impedances, the losses and the reference
  // frequencies come from `state`.
  FilterNetwork(int msorsl, int isections, const SectionValues& flength, float er, const DesignState& state);

  // rsc = T(m) ... T(2) T(1) at freq_mhz (MHz), m = N+1.
  ChainMatrix at(float freq_mhz) const;

 private:
  struct StriplineInputs {
    float length, b, t, w, s, zoe, zoo;
  };

  int msorsl_;
  LossParameters loss_;
  std::vector<MicrostripSection> microstrip_;
  std::vector<StriplineInputs> stripline_inputs_;
  std::vector<StriplineSection> stripline_;
  // For each section, the index of the first section with the same inputs.
  std::vector<std::size_t> first_;
};

}  // namespace quorvane
