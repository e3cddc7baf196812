// The response rows: the output clamps of a row and its printed form.
#include "analysis/sweep.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "analysis/analysis_layouts.hpp"
#include "dialogue/fortran_format.hpp"
#include "dialogue/report_layouts.hpp"

namespace quorvane {

using fmt::F;
using fmt::I;
using fmt::X;

namespace {

constexpr float pi = 3.14159274f;

}  // namespace

ResponseRow response_row(float freq, Complex s11, Complex s21, Complex zinput) {
  const float degrees = 180.0f / pi;
  ResponseRow r;
  r.freq = freq;
  r.phases11 = std::atan2(s11.imag(), s11.real()) * degrees;
  r.phases21 = std::atan2(s21.imag(), s21.real()) * degrees;
  float s11mag = std::sqrt(s11.real() * s11.real() + s11.imag() * s11.imag());
  float s21mag = s21.real() * s21.real() + s21.imag() * s21.imag();
  if (s11mag > 0.9995f) s11mag = 0.9995f;
  if (s21mag < 1.0e-20f) s21mag = 1.0e-20f;
  r.s11db = 20.0f * std::log10(s11mag);
  r.s21db = 10.0f * std::log10(s21mag);
  r.vswrin = (1.0f + s11mag) / (1.0f - s11mag);
  if (r.vswrin > 99.99f) r.vswrin = 99.99f;
  r.tempzini = zinput.imag();
  if (r.tempzini > 999.99f) r.tempzini = 999.99f;
  r.tempzin = zinput.real();
  return r;
}

std::vector<std::string> column_header(int ivswr) {
  if (ivswr == 2) {
    return {"",
            X(58) + "Thru Path",
            fmt::fill(fmt::format2_head(), {}),
            X(7) + "Frequency ---------------------  Port   Port      Loss    Phase",
            X(9) + "(MHz)      Real    Imaginary   VSWR   Phase    (dB)    (Deg)",
            fmt::fill(fmt::rule72(), {})};
  }
  return {"",
          fmt::fill(fmt::format1_head(), {}),
          X(7) + "   MHz      VSWR   RL,dB   Phase   Real    Imag      dB     Phase",
          fmt::fill(fmt::format1_rule(), {})};
}

std::string response_line(int ivswr, const ResponseRow& r) {
  char line[kResponseLineLength];
  return std::string(line, put_response_line(line, ivswr, r));
}

char* put_response_line(char* out, int ivswr, const ResponseRow& r) {
  if (ivswr == 2)
    return fmt::put_line(out, fmt::format2_row(), {r.freq, r.tempzin, r.tempzini, r.vswrin, r.phases11, r.s21db, r.phases21});
  return fmt::put_line(out, fmt::format1_row(),
                       {r.freq, r.vswrin, r.s11db, r.phases11, r.tempzin, r.tempzini, r.s21db, r.phases21});
}

}  // namespace quorvane
