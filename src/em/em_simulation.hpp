// One full-wave solution of a model at one mesh level: the mesh, openEMS's
// input in a temporary folder, the run, and the scattering parameters at
// the reference planes from the probes.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "em/em_mesh.hpp"
#include "em/field_flux.hpp"
#include "em/openems_input.hpp"
#include "em/openems_run.hpp"
#include "em/port_waves.hpp"

namespace quorvane::em {

struct SolveOptions {
  std::string exe;      // openEMS executable (found)
  int threads = 2;
  RunSettings run;      // run.dump_freqs: measure the flux box there (off by default: the dumps slow openEMS)
  bool keep = false;    // keep the simulation folder
};

struct Solution {
  MeshLevel level = MeshLevel::Coarse;
  std::size_t cells = 0;
  long long timesteps = 0;
  double end_db = 0;        // energy level reached
  double seconds = 0;
  std::vector<double> freq; // Hz
  std::vector<cplx> s11, s21;
  std::vector<cplx> beta;   // port 1's measuring line, rad/m
  std::vector<cplx> z_line; // its impedance, ohm
  std::string kept;         // the simulation folder when kept
  // At each of SolveOptions::run.dump_freqs (when any): where port 1's
  // incident power went, as shares of it (the flux box's parts over the
  // incident power as the field carries it: line_flux_ratio).
  std::vector<double> dump_freq;  // Hz
  std::vector<FluxParts> shares;
  std::vector<double> flux_ratio;  // the lines' Poynting over voltage-current power
};

// The copper maps onto itself turned by 180 degrees about its centre (the
// staircase of a symmetric design, a straight line).
bool point_symmetric(const Model& m);

bool solve(const Model& m, MeshLevel level, const std::vector<double>& freqs, const SolveOptions& opt,
           std::ostream& log, Solution& out, std::string& error);

}  // namespace quorvane::em
