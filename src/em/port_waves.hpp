// From probe signals to scattering parameters, in double precision (the
// dialogue's single-precision arithmetic is not involved): the discrete
// Fourier transform of each probe's time signal, and on each port's
// measuring line the propagation constant and line impedance from three
// voltages one cell apart and the two currents between them, the voltage
// and current carried along that uniform line to the feed end (the
// reference plane), and there the power waves referred to the port's
// reference impedance (Kurokawa, IEEE Trans. MTT-13, 1965).
#pragma once

#include <complex>
#include <string>
#include <vector>

namespace quorvane::em {

using cplx = std::complex<double>;

struct Signal {
  std::vector<double> t, v;  // s, V or A
};

// Reads an openEMS probe file ("%" comment lines, then "time value" rows).
// False with `error` when the file is missing or holds no row.
bool read_signal(const std::string& path, Signal& s, std::string& error);

// The signal's spectrum at each frequency (Hz): sum of v(t) exp(-j 2 pi f t) dt.
std::vector<cplx> spectrum(const Signal& s, const std::vector<double>& freqs);

// One port at one frequency: voltages at three planes dx apart (outer,
// middle, inner), currents at the two half planes between them (flowing
// towards the filter), `to_ref` the distance from the middle plane to the
// reference plane, z_ref the reference impedance.
struct PortSample {
  cplx u[3], i[2];
  double dx = 0, to_ref = 0, z_ref = 50;
  cplx beta = 0, z_line = 0;  // the line's constants when known (0: measured from the probes)
};
struct PortWaves {
  cplx a, b;         // incident and reflected power waves at the reference plane
  cplx beta;         // propagation constant of the measuring line, rad/m (Im < 0: loss)
  cplx z_line;       // its characteristic impedance, ohm
};
PortWaves port_waves(const PortSample& s);

// The measuring line's constants over the band made smooth: the effective
// dielectric constant (beta c / w)^2 and the impedance fitted as quadratics
// in frequency by weighted least squares, each raw estimate weighted by
// |u| squared times how far its middle voltage is from a standing-wave null
// (where the three-voltage estimate is ill-conditioned).  Fewer than three
// estimates are left as they are.
struct LineEstimate {
  double f = 0;        // Hz
  cplx beta, z_line;   // raw, replaced by the fit
  double weight = 0;
};
void smooth_line(std::vector<LineEstimate>& est);
double estimate_weight(const PortSample& s);

// S11 and S21 of a two-port from the waves of one excitation at port 1.
// A reciprocal two-port symmetric between equal reference impedances
// (S22 = S11) is solved exactly whatever the small wave a2 coming back from
// the far termination; otherwise S11 = b1/a1, S21 = b2/a1.
struct SPair {
  cplx s11, s21;
};
SPair s_parameters(const PortWaves& p1, const PortWaves& p2, bool symmetric);

}  // namespace quorvane::em
