#include "em/em_simulation.hpp"

#include <stdlib.h>

#include <cmath>
#include <filesystem>

#include "platform/output_file.hpp"

namespace quorvane::em {

namespace {

// Removes the folder when it goes out of scope, unless kept.
struct TempFolder {
  std::filesystem::path path;
  bool keep = false;
  ~TempFolder() {
    std::error_code ec;
    if (!keep && !path.empty()) std::filesystem::remove_all(path, ec);
  }
};

bool make_folder(TempFolder& f, std::string& error) {
  std::error_code ec;
  std::string pattern = (std::filesystem::temp_directory_path(ec) / "quorvane-em-XXXXXX").string();
  if (ec || mkdtemp(pattern.data()) == nullptr) {
    error = "cannot make a temporary folder for the simulation";
    return false;
  }
  f.path = pattern;
  return true;
}

}  // namespace

bool point_symmetric(const Model& m) {
  if (std::fabs(m.ports[0].z_ref - m.ports[1].z_ref) > 1e-9) return false;
  const double cx = (m.ports[0].feed_end + m.ports[1].feed_end) / 2;
  const double cy = (m.ports[0].y0 + m.ports[0].y1 + m.ports[1].y0 + m.ports[1].y1) / 4;
  constexpr double tol = 1e-4;  // mm
  for (const Box& b : m.copper) {
    const Box r{2 * cx - b.x1, 2 * cy - b.y1, b.z0, 2 * cx - b.x0, 2 * cy - b.y0, b.z1};
    bool found = false;
    for (const Box& c : m.copper)
      found = found || (std::fabs(c.x0 - r.x0) < tol && std::fabs(c.x1 - r.x1) < tol &&
                        std::fabs(c.y0 - r.y0) < tol && std::fabs(c.y1 - r.y1) < tol);
    if (!found) return false;
  }
  return true;
}

bool solve(const Model& m, MeshLevel level, const std::vector<double>& freqs, const SolveOptions& opt,
           std::ostream& log, Solution& out, std::string& error) {
  Mesh mesh;
  try {
    mesh = build_mesh(m, level);
  } catch (const std::exception& e) {
    error = std::string("the mesh cannot be built: ") + e.what();
    return false;
  }
  TempFolder folder;
  folder.keep = opt.keep;
  if (!make_folder(folder, error)) return false;
  const std::string input = "model.xml";
  if (const std::string why = platform::write_output_file(folder.path / input, openems_xml(m, mesh, opt.run));
      !why.empty()) {
    error = "cannot write the simulation input: " + why;
    return false;
  }
  out = Solution{};
  out.level = level;
  out.cells = mesh.cells();
  log << "quorvane-em: " << m.name << ", " << level_name(level) << " mesh: " << mesh.x.size() << " x "
      << mesh.y.size() << " x " << mesh.z.size() << " lines, " << out.cells << " cells\n";
  const RunReport run = run_openems(opt.exe, folder.path, input, opt.threads, opt.run.end_db, level_name(level), log);
  if (!run.ok) {
    error = run.error;
    return false;
  }
  out.timesteps = run.timesteps;
  out.end_db = run.end_db;
  out.seconds = run.seconds;
  out.freq = freqs;
  std::vector<std::vector<cplx>> u[2], i[2];
  for (int p = 0; p < 2; ++p) {
    for (int k = 0; k < 3; ++k) {
      Signal s;
      if (!read_signal((folder.path / probe_name('u', p + 1, k)).string(), s, error)) return false;
      u[p].push_back(spectrum(s, freqs));
      if (k == 2) continue;
      if (!read_signal((folder.path / probe_name('i', p + 1, k)).string(), s, error)) return false;
      i[p].push_back(spectrum(s, freqs));
    }
  }
  const bool symmetric = point_symmetric(m);
  std::vector<PortSample> samples[2];
  for (int p = 0; p < 2; ++p) {
    std::vector<LineEstimate> line;
    for (std::size_t f = 0; f < freqs.size(); ++f) {
      PortSample s;
      for (int k = 0; k < 3; ++k) s.u[k] = u[p][k][f];
      for (int k = 0; k < 2; ++k) s.i[k] = i[p][k][f];
      s.dx = std::fabs(mesh.probe_x[p][1] - mesh.probe_x[p][0]) * 1e-3;
      s.to_ref = std::fabs(mesh.probe_x[p][1] - m.ports[p].feed_end) * 1e-3;
      s.z_ref = m.ports[p].z_ref;
      const PortWaves raw = port_waves(s);
      line.push_back({freqs[f], raw.beta, raw.z_line, estimate_weight(s)});
      samples[p].push_back(s);
    }
    smooth_line(line);
    for (std::size_t f = 0; f < freqs.size(); ++f) {
      samples[p][f].beta = line[f].beta;
      samples[p][f].z_line = line[f].z_line;
    }
  }
  for (std::size_t f = 0; f < freqs.size(); ++f) {
    const PortWaves w1 = port_waves(samples[0][f]), w2 = port_waves(samples[1][f]);
    const SPair sp = s_parameters(w1, w2, symmetric);
    out.s11.push_back(sp.s11);
    out.s21.push_back(sp.s21);
    out.beta.push_back(w1.beta);
    out.z_line.push_back(w1.z_line);
  }
  if (!opt.run.dump_freqs.empty()) {
    std::vector<LinePower> power;
    const std::string dir = folder.path.string();
    if (!line_power(dir, m, mesh, freqs, out.beta, out.z_line, opt.run.dump_freqs, power, error) ||
        !measure_flux(dir, flux_box(m, mesh), power.size(), out.shares, error))
      return false;
    out.dump_freq = opt.run.dump_freqs;
    for (std::size_t k = 0; k < power.size(); ++k) {
      out.flux_ratio.push_back(line_flux_ratio(out.shares[k], power[k]));
      for (double* part : {&out.shares[k].radiated, &out.shares[k].surface, &out.shares[k].guided[0],
                           &out.shares[k].guided[1]})
        *part /= power[k].incident * out.flux_ratio.back();
    }
  }
  if (opt.keep) out.kept = folder.path.string();
  return true;
}

}  // namespace quorvane::em
