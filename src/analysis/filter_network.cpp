#include "analysis/filter_network.hpp"

#include "analysis/stripline_section.hpp"

namespace quorvane {

FilterNetwork::FilterNetwork(int msorsl, int isections, const SectionValues& flength, float er,
                             const DesignState& state)
    : msorsl_(msorsl), er_(er), loss_{state.aloss1.res, state.aloss1.sr, state.aloss1.tlos} {
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
      stripline_.push_back(StriplineSection{flength[i], ms.b, ms.thick, ms.wc[i] * ms.b, ms.sc[i] * ms.b,
                                            state.qvnzo.zoec[i], state.qvnzo.zooc[i]});
    }
  }
}

ChainMatrix FilterNetwork::at(float freq_mhz) const {
  ChainMatrix rsc = ChainMatrix::identity();
  if (msorsl_ == 1) {
    for (const MicrostripSection& section : microstrip_) qvnams(section, freq_mhz, loss_, rsc);
  } else {
    for (const StriplineSection& x : stripline_) {
      qvnasl(freq_mhz, er_, x.length, x.b, x.t, x.w, x.s, x.zoe, x.zoo, loss_, rsc);
    }
  }
  return rsc;
}

}  // namespace quorvane
