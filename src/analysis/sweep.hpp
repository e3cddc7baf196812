// The frequency sweep qvna: from the start frequency upward by the step until
// the stop frequency is reached or passed, the chain matrix of the whole
// filter at each frequency, its scattering parameters between the source and
// load impedances, and one row of the response table per frequency.
#pragma once

#include <string>
#include <vector>

#include "analysis/chain_matrix.hpp"
#include "dialogue/design_state.hpp"
#include "dialogue/storage.hpp"

namespace quorvane {

// A sweep is refused before it starts when it could not end or would be
// absurd; one report line then says why, and no table is printed.
enum class SweepRefusal {
  kNone,
  kStartNotPositive,  // fstart <= 0 (the section models divide by the frequency)
  kStepNotPositive,   // fstep <= 0 while fstart < fstop: the loop would never end
  kStepTooSmall,      // fstep too small to move the single-precision frequency below fstop
  kTooManyRows,       // more than kMaxSweepRows rows
};

inline constexpr long kMaxSweepRows = 100001;

struct SweepCheck {
  SweepRefusal refusal = SweepRefusal::kNone;
  long rows = 0;  // the number of rows the sweep prints, when not refused
};

// Decides whether the range can be swept, and counts its rows by the same
// single-precision accumulation the sweep uses.
SweepCheck check_sweep(const Qvnfreq& range);

// The report line that explains a refusal and what to enter instead.
std::string refusal_line(SweepRefusal refusal, const Qvnfreq& range);

// The printed quantities of one frequency, after the clamps.
struct ResponseRow {
  float freq = 0.0f;      // MHz
  float vswrin = 0.0f;    // input VSWR, at most 99.99
  float s11db = 0.0f;     // return loss, dB (|s11| held at 0.9995 at most)
  float phases11 = 0.0f;  // degrees
  float tempzin = 0.0f;   // input resistance, ohm
  float tempzini = 0.0f;  // input reactance, ohm, at most 999.99
  float s21db = 0.0f;     // transmission, dB, at least -200
  float phases21 = 0.0f;  // degrees
};

ResponseRow response_row(float freq, Complex s11, Complex s21, Complex zinput);

// Print format 1 (scattering parameters) and 2 (VSWR and input impedance):
// the column header lines and one row.  Any ivswr other than 2 is format 1.
std::vector<std::string> column_header(int ivswr);
std::string response_line(int ivswr, const ResponseRow& row);
// The same row written at `out` (room for kResponseLineLength characters, the
// width of the format-1 row layout, the wider of the two);
// returns its end.
inline constexpr int kResponseLineLength = 72;
char* put_response_line(char* out, int ivswr, const ResponseRow& row);

// The threads a sweep computes its rows on: QUORVANE_THREADS when it holds
// a whole number of at least 1, else the hardware threads; at most
// kMaxSweepThreads.  Whatever the count, the table is the same byte for byte.
inline constexpr unsigned kMaxSweepThreads = 64;
int sweep_thread_count();

// Rows are computed in blocks of this many; at most two blocks per thread
// exist at a time, whatever the number of rows.
inline constexpr long kSweepBlockRows = 1024;

// Sweeps the current filter and writes its table through `report`: the
// column header, one row per frequency as it is computed, the termination
// lines and, when storing, the storage notice.  msorsl: 0 the ideal
// electrical design, 1 microstrip, 2 stripline; isections: poles N (the filter
// has N+1 sections); flength: section lengths, inch; er: relative dielectric
// constant.  The range, terminations, dimensions, losses and output control
// come from `state`.  After an ideal analysis the shared b is 0.
void qvna(int msorsl, int isections, const SectionValues& flength, float er, DesignState& state, Report& report);

}  // namespace quorvane
