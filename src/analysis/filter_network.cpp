#include "analysis/filter_network.hpp"

#include <array>
#include <bit>
#include <cstdint>
#include <initializer_list>


namespace quorvane {

namespace {

// Equal bit for bit: equal inputs give equal results, so a matrix computed
// for one section stands for the other.
bool same_bits(std::initializer_list<float> a, std::initializer_list<float> b) {
  auto j = b.begin();
  for (const float x : a) {
    if (std::bit_cast<std::uint32_t>(x) != std::bit_cast<std::uint32_t>(*j++)) return false;
  }
  return true;
}

bool same_inputs(const MicrostripSection& x, const MicrostripSection& y) {
  return same_bits({x.er, x.length, x.h, x.h2, x.t, x.w, x.s, x.freqoe, x.freqoo},
                   {y.er, y.length, y.h, y.h2, y.t, y.w, y.s, y.freqoe, y.freqoo});
}

template <class Section>
bool same_inputs(const Section& x, const Section& y) {
  return same_bits({x.length, x.b, x.t, x.w, x.s, x.zoe, x.zoo}, {y.length, y.b, y.t, y.w, y.s, y.zoe, y.zoo});
}

// For each section the index of the first one with the same inputs.
template <class Section>
std::vector<std::size_t> first_of_kind(const std::vector<Section>& sections) {
  std::vector<std::size_t> first(sections.size());
  for (std::size_t i = 0; i < sections.size(); ++i) {
    first[i] = i;
    for (std::size_t j = 0; j < i; ++j) {
      if (same_inputs(sections[i], sections[j])) {
        first[i] = j;
        break;
      }
    }
  }
  return first;
}

}  // namespace

FilterNetwork::FilterNetwork(int msorsl, int isections, const SectionValues& flength, float er,
                             const DesignState& state)
    : msorsl_(msorsl), loss_{state.aloss1.res, state.aloss1.sr, state.aloss1.tlos} {
  const Qvnms& ms = state.qvnms;
  const int m = isections + 1;
  for (int i = 1; i <= m; ++i) {
    if (msorsl == 1) {
      // Microstrip: wc, sc in inch, b the substrate height.
      microstrip_.push_back(prepare_microstrip_section(er, flength[i], ms.b, ms.thick, ms.wc[i], ms.sc[i],
                                                       state.qvna1.freqoe[i], state.qvna1.freqoo[i]));
    } else {
      // Stripline widths and gaps are held as fractions of b; the model takes
      // the mode impedances of the electrical design itself.
      const StriplineInputs x{flength[i],          ms.b,          ms.thick, ms.wc[i] * ms.b, ms.sc[i] * ms.b,
                              state.qvnzo.zoec[i], state.qvnzo.zooc[i]};
      stripline_inputs_.push_back(x);
      stripline_.push_back(prepare_stripline_section(er, x.length, x.b, x.t, x.s, x.zoe, x.zoo));
    }
  }
  first_ = msorsl == 1 ? first_of_kind(microstrip_) : first_of_kind(stripline_inputs_);
}

ChainMatrix FilterNetwork::at(float freq_mhz) const {
  ChainMatrix rsc = ChainMatrix::identity();
  if (msorsl_ == 1) {
    std::array<ChainMatrix, kMaxSections> matrix;
    // Every section lies on the same substrate: the terms of the normalised
    // frequency and of the losses are formed once (a section on another
    // substrate forms its own).
    const SharedFrequency terms =
        microstrip_.empty() ? SharedFrequency{} : section_frequency_terms(microstrip_.front(), freq_mhz, loss_);
    for (std::size_t i = 0; i < microstrip_.size(); ++i) {
      if (first_[i] == i) {
        matrix[i] = coupled_section_matrix(qvnams_modes(microstrip_[i], freq_mhz, loss_, terms));
      }
      rsc = matrix[first_[i]] * rsc;
    }
  } else {
    std::array<StriplineElements, kMaxSections> elements;
    for (std::size_t i = 0; i < stripline_.size(); ++i) {
      if (first_[i] == i) elements[i] = qvnasl_elements(stripline_[i], freq_mhz, loss_);
      apply(elements[first_[i]], rsc);
    }
  }
  return rsc;
}

}  // namespace quorvane
