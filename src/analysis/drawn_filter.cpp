// Four-port analysis of the drawn copper (see the header for the network).
//
// References
//   G. I. Zysman and A. K. Johnson, "Coupled transmission line networks in
//     an inhomogeneous dielectric medium", IEEE Trans. MTT, vol. MTT-17,
//     no. 10, pp. 753-759, Oct. 1969 (the four-port of unequal mode phases).
//   S. B. Cohn, "Shielded coupled-strip transmission line", IRE Trans. MTT,
//     vol. MTT-3, no. 5, pp. 29-38, Oct. 1955 (the coupled-strip design
//     equations, here read from the geometry to the mode impedances).
//   M. Kirschning, R. H. Jansen and N. H. L. Koster, Electronics Letters,
//     vol. 17, no. 3, pp. 123-125, 1981 (microstrip open end).
//   H. M. Altschuler and A. A. Oliner, IRE Trans. MTT, vol. MTT-8, no. 3,
//     pp. 328-339, May 1960 (stripline open end).
#include "analysis/drawn_filter.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/sparam.hpp"
#include "analysis/stripline_section.hpp"
#include "dimensions/stripline_dimensions.hpp"
#include "lines/microstrip.hpp"
#include "lines/microstrip_open_end.hpp"
#include "lines/stripline.hpp"

namespace quorvane {

namespace {

constexpr float pi = 3.14159274f;
constexpr float nepers = 0.115127794f;           // per dB
constexpr float kAnalysisSpeed = 11811.0234f;    // inch MHz, the analysis electrical lengths
constexpr float kReportSpeed = 11802.158f;       // inch MHz, the dimensional reports' wavelengths
constexpr float kCohnEta = 376.7f;               // free-space impedance of the coupled-strip equations, ohm
constexpr float kNodeSpacing = 0.02f;            // node spacing, fraction of fmax
constexpr int kMaxIntervals = 4096;

// 1/z by the textbook formula: std::complex division guards against
// overflow and infinities at several times the cost, and the values here
// are admittances and impedances of ordinary size.
Complex reciprocal(Complex z) {
  const float d = z.real() * z.real() + z.imag() * z.imag();
  return Complex(z.real() / d, -z.imag() / d);
}

// Lagrange weights of the nodes at -1, 0, 1, 2 for the position x.
struct Weights {
  float w[4];
};
Weights lagrange(float x) {
  const float a = x + 1.0f, b = x, c = x - 1.0f, d = x - 2.0f;
  return {{-b * c * d / 6.0f, a * c * d / 2.0f, -a * b * d / 2.0f, a * b * c / 6.0f}};
}

}  // namespace

// Cohn's thick coupled-strip equations (as the stripline synthesis uses them)
// read forward: the even-mode capacitance from the width and the even
// fringing term, the odd one from the wanted odd-minus-even fringing
// difference, which for a gap of 0.35 B or more is the zero-thickness
// inversion and below it the fringing difference of the thick strip.
StriplineModes cohn_mode_impedances(float er, float b, float t, float w, float s) {
  const SlwsSubstrate sub = slws_substrate(t / b, er);
  const float wb = w / b;
  const float sb = s / b;
  const float wp = wb >= sub.check ? wb : 1.2f * (wb - sub.d1);  // before the narrow-strip correction
  const float y = pi * sb / 2.0f;
  const float even_shape = sb - (2.0f / pi) * std::log(std::cosh(y));
  const float coek = 4.0f * wp / (1.0f - sub.t) + 2.0f * even_shape * sub.cftb75 / sub.cf0 + 2.0f * sub.cftb;
  const float zoe = kCohnEta / (coek * sub.sqrter);
  const float delctb = sb >= 0.35f ? (1.0f + 4.5f * sub.t) * (4.0f / pi) * std::atanh(std::exp(-pi * sb))
                                   : (sb - (2.0f / pi) * std::log(std::sinh(y)) + sub.t / sb) -
                                         even_shape * sub.cftb / sub.cf0;
  const float zoo = 1.0f / (1.0f / zoe + 2.0f * sub.sqrter * delctb / kCohnEta);
  return {zoe, zoo};
}

std::vector<OpenEnd> open_ends(const DrawnFilter& f) {
  std::vector<OpenEnd> ends;
  for (const DrawnSection& sec : f.sections) {
    OpenEnd e;
    if (f.construction == DrawnConstruction::Microstrip) {
      // The strip alone, at the design centre frequency.
      const Msimp1 st = msimp(f.er, f.h, 100.0f * f.h, f.t, sec.w);
      const Mszo1 dy = mszo(st.effdc, f.er, f.f0 * 0.001f, f.h, sec.w, st.zodc);
      e.dl = msopen(f.er, dy.eff, f.h, sec.w);
      e.cap_pf = open_end_pf(e.dl, dy.eff, dy.zof, kAnalysisSpeed);
    } else {
      const float z0 = slzo(f.h, f.er, f.t, sec.w);
      e.cap_pf = sec.open_end_pf > 0.0f ? sec.open_end_pf : open_end_capacitance(f.h, f.er, f.f0, sec.w, z0);
      e.dl = open_end_length(e.cap_pf, f.er, z0, kReportSpeed);
    }
    ends.push_back(e);
  }
  return ends;
}

ModeValues mode_values(const PreparedDrawnFilter& p, size_t k, float freq_mhz) {
  const PreparedDrawnFilter::Section& sec = p.sections[k];
  ModeValues v;
  if (p.filter.construction == DrawnConstruction::Microstrip) {
    // A unit section (reference frequencies 1 MHz, length 1 inch) gives the
    // phase (pi/2) f sqrt(eff) and the attenuation per inch.
    const CoupledModes m = qvnams_modes(sec.microstrip, freq_mhz, p.filter.loss);
    const float quarter = pi * 0.5f * freq_mhz;
    const DrawnSection& d = p.filter.sections[k];
    v = {m.ze * d.zoe_scale, m.zo * d.zoo_scale, m.theta_e / quarter * d.sqe_scale, m.theta_o / quarter * d.sqo_scale,
         m.alpha_e, m.alpha_o};
  } else {
    const DrawnSection& d = p.filter.sections[k];
    const ModeAttenuation at = sl1los(p.filter.h, p.filter.er, freq_mhz, p.filter.loss, d.s, p.filter.t, sec.zoe, sec.zoo);
    const float sq = std::sqrt(p.filter.er);
    v = {sec.zoe, sec.zoo, sq, sq, at.ate * nepers, at.ato * nepers};
  }
  return v;
}

PreparedDrawnFilter prepare_drawn_filter(const DrawnFilter& f, float fmin_mhz, float fmax_mhz) {
  PreparedDrawnFilter p;
  p.filter = f;
  const std::vector<OpenEnd> ends = open_ends(f);
  for (size_t k = 0; k < f.sections.size(); ++k) {
    const DrawnSection& d = f.sections[k];
    PreparedDrawnFilter::Section sec;
    if (f.construction == DrawnConstruction::Microstrip) {
      sec.microstrip = prepare_microstrip_section(f.er, 1.0f, f.h, f.t, d.w, d.s, 1.0f, 1.0f);
    } else {
      const StriplineModes m = cohn_mode_impedances(f.er, f.h, f.t, d.w, d.s);
      sec.zoe = m.zoe * d.zoe_scale;
      sec.zoo = m.zoo * d.zoo_scale;
    }
    const bool stored = d.freqoe > 0.0f && d.freqoo > 0.0f;
    sec.ke = stored ? pi / (2.0f * d.freqoe) : 2.0f * pi * d.length / kAnalysisSpeed;
    sec.ko = stored ? pi / (2.0f * d.freqoo) : sec.ke;
    sec.length = d.length;
    sec.bc = f.open_ends ? 2.0f * pi * 1e-6f * ends[k].cap_pf : 0.0f;
    p.sections.push_back(std::move(sec));
  }
  if (std::isfinite(fmin_mhz) && std::isfinite(fmax_mhz) && fmin_mhz > 0.0f && fmax_mhz > fmin_mhz) {
    const float span = fmax_mhz - fmin_mhz;
    const int intervals =
        static_cast<int>(std::clamp(std::ceil(span / (kNodeSpacing * fmax_mhz)), 3.0f, static_cast<float>(kMaxIntervals)));
    p.fmin = fmin_mhz;
    p.fmax = fmax_mhz;
    p.step = span / static_cast<float>(intervals);
    p.node_count = intervals + 1;
    for (size_t k = 0; k < p.sections.size(); ++k)
      for (int i = 0; i < p.node_count; ++i)
        p.sections[k].nodes.push_back(mode_values(p, k, fmin_mhz + static_cast<float>(i) * p.step));
  }
  return p;
}

void use_quarter_wave_phases(DrawnFilter& f) {
  if (f.construction == DrawnConstruction::Stripline) {
    // The report's quarter guide wavelength, in the analysis' phase constant.
    for (DrawnSection& s : f.sections) s.freqoe = s.freqoo = f.f0 * std::sqrt(f.er) * kAnalysisSpeed / kReportSpeed;
    return;
  }
  const PreparedDrawnFilter p = prepare_drawn_filter(f, 0.0f, 0.0f);
  for (size_t k = 0; k < f.sections.size(); ++k) {
    const ModeValues v = mode_values(p, k, f.f0);
    f.sections[k].freqoe = f.f0 * v.sqe;
    f.sections[k].freqoo = f.f0 * v.sqo;
  }
}

ChainMatrix four_port_section(float ze, float zo, float alpha_e, float theta_e, float alpha_o, float theta_o,
                              float bc) {
  // Per mode: coth and csch of the propagation gl = a + jt, and tanh and
  // coth of half of it,
  //   tanh(gl/2) = (sinh a + j sin t)/(cosh a + cos t),
  //   coth(gl/2) = (sinh a - j sin t)/(cosh a - cos t).
  struct Mode {
    Complex coth, csch, th, cth;
  };
  auto mode = [](float a, float t) {
    const float sha = std::sinh(a), cha = std::cosh(a), st = std::sin(t), ct = std::cos(t);
    const Complex csch = reciprocal(Complex(sha * ct, cha * st));
    return Mode{Complex(cha * ct, sha * st) * csch, csch, Complex(sha, st) / (cha + ct),
                Complex(sha, -st) / (cha - ct)};
  };
  const Mode e = mode(alpha_e, theta_e);
  const Mode o = mode(alpha_o, theta_o);
  const float ye = 1.0f / ze, yo = 1.0f / zo, yy = ye * yo;
  const Complex yc(0.0f, bc);
  // Eliminating the open ends from Y+ = P - Q^2/(P + yc) and
  // Y- = M - R^2/(M + yc), with P - Q = yo coth(go l/2), P + Q = ye tanh(ge l/2),
  // M - R = ye coth(ge l/2), M + R = yo tanh(go l/2), and tanh * coth = 1:
  //   Y11 = N11 / (2 (P + yc)(M + yc)),  Y21 = N21 / (2 (P + yc)(M + yc)),
  //   N11 = ye yo (ye coth(go l) + yo coth(ge l)) + ye yo yc (th_e cth_o + cth_e th_o)
  //         + 2 P M yc + yc^2 (ye coth(ge l) + yo coth(go l)),
  //   N21 = ye yo (ye csch(go l) - yo csch(ge l)) + ye yo yc (th_e cth_o - cth_e th_o)
  //         + yc^2 (yo csch(go l) - ye csch(ge l)).
  // Written so, no term is the small difference of two large ones near
  // resonance, where Y+ and Y- are large and Y11 small.
  const Complex p = 0.5f * (ye * e.th + yo * o.cth);
  const Complex m = 0.5f * (ye * e.cth + yo * o.th);
  const Complex te_co = e.th * o.cth, ce_to = e.cth * o.th;
  const Complex n11 = yy * (ye * o.coth + yo * e.coth) + yy * yc * (te_co + ce_to) + 2.0f * p * m * yc +
                      yc * yc * (ye * e.coth + yo * o.coth);
  const Complex n21 = yy * (ye * o.csch - yo * e.csch) + yy * yc * (te_co - ce_to) + yc * yc * (yo * o.csch - ye * e.csch);
  const Complex inv21 = reciprocal(n21);
  ChainMatrix abcd;
  abcd.a = -n11 * inv21;
  abcd.b = -2.0f * (p + yc) * (m + yc) * inv21;
  abcd.c = -2.0f * (yy * te_co + p * yc) * (yy * ce_to + m * yc) * inv21;
  abcd.d = abcd.a;
  return abcd;
}

DrawnResponse drawn_response(const PreparedDrawnFilter& p, float freq_mhz) {
  const bool inside = p.node_count >= 4 && freq_mhz >= p.fmin && freq_mhz <= p.fmax;
  Weights wt{};
  int first = 0;
  if (inside) {
    const int last_start = p.node_count - 3;  // nodes first-1 ... first+2 exist
    first = std::clamp(static_cast<int>((freq_mhz - p.fmin) / p.step), 1, last_start);
    wt = lagrange((freq_mhz - (p.fmin + static_cast<float>(first) * p.step)) / p.step);
  }
  ChainMatrix rsc = ChainMatrix::identity();
  for (size_t k = 0; k < p.sections.size(); ++k) {
    const PreparedDrawnFilter::Section& sec = p.sections[k];
    ModeValues v;
    if (inside) {
      const ModeValues* n = &sec.nodes[static_cast<size_t>(first - 1)];
      auto mix = [&](float ModeValues::*field) {
        return wt.w[0] * n[0].*field + wt.w[1] * n[1].*field + wt.w[2] * n[2].*field + wt.w[3] * n[3].*field;
      };
      v = {mix(&ModeValues::ze), mix(&ModeValues::zo), mix(&ModeValues::sqe),
           mix(&ModeValues::sqo), mix(&ModeValues::ae), mix(&ModeValues::ao)};
    } else {
      v = mode_values(p, k, freq_mhz);
    }
    rsc = four_port_section(v.ze, v.zo, v.ae * sec.length, freq_mhz * v.sqe * sec.ke, v.ao * sec.length,
                            freq_mhz * v.sqo * sec.ko, sec.bc * freq_mhz) *
          rsc;
  }
  if (p.filter.step_first_pf > 0.0f || p.filter.step_last_pf > 0.0f) {
    ChainMatrix first = ChainMatrix::identity(), last = first;
    first.c = Complex(0.0f, 2.0f * pi * 1e-6f * p.filter.step_first_pf * freq_mhz);
    last.c = Complex(0.0f, 2.0f * pi * 1e-6f * p.filter.step_last_pf * freq_mhz);
    rsc = last * rsc * first;
  }
  const SParameters sp = sparam(rsc, Complex(p.filter.zs, 0.0f), Complex(p.filter.zl, 0.0f));
  return {sp.s11, sp.s21};
}

float centre_frequency(const std::vector<float>& freq, const std::vector<float>& db) {
  const size_t n = std::min(freq.size(), db.size());
  const float nan = std::numeric_limits<float>::quiet_NaN();
  size_t peak = n;
  for (size_t i = 0; i < n; ++i)
    if (std::isfinite(db[i]) && (peak == n || db[i] > db[peak])) peak = i;
  if (peak == n) return nan;
  const float level = db[peak] - 3.0f;
  auto cross = [&](size_t inner, size_t outer) {
    const float u = (db[inner] - level) / (db[inner] - db[outer]);
    return freq[inner] + u * (freq[outer] - freq[inner]);
  };
  float lo = nan, hi = nan;
  for (size_t i = peak; i > 0; --i)
    if (db[i - 1] < level) {
      lo = cross(i, i - 1);
      break;
    }
  for (size_t i = peak; i + 1 < n; ++i)
    if (db[i + 1] < level) {
      hi = cross(i, i + 1);
      break;
    }
  return 0.5f * (lo + hi);
}

}  // namespace quorvane
