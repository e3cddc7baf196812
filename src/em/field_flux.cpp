#include "em/field_flux.hpp"

#include <hdf5.h>

#include <algorithm>
#include <cmath>

#include "em/openems_input.hpp"
#include "em/port_waves.hpp"

namespace quorvane::em {

namespace {

// The absorbing layers occupy the outermost 8 lines of each open side
// (build_mesh; "PML_8" in openEMS's input).
constexpr int kAbsorbingCells = 8;
constexpr double kMmToM = 1e-3;

// Length of [a, b] inside [lo, hi].
double overlap(double a, double b, double lo, double hi) { return std::max(0.0, std::min(b, hi) - std::max(a, lo)); }

// The trapezoid rule's share of each node: from the middle of the cell below
// to the middle of the cell above (half cells at the ends).
std::vector<std::pair<double, double>> node_spans(const std::vector<double>& c) {
  std::vector<std::pair<double, double>> s;
  for (std::size_t i = 0; i < c.size(); ++i)
    s.emplace_back(i > 0 ? (c[i - 1] + c[i]) / 2 : c[i], i + 1 < c.size() ? (c[i] + c[i + 1]) / 2 : c[i]);
  return s;
}

// HDF5 handles closed when they go out of scope.
struct Handle {
  hid_t id = H5I_INVALID_HID;
  herr_t (*close)(hid_t) = nullptr;
  ~Handle() {
    if (id >= 0 && close != nullptr) close(id);
  }
};

// A dataset read whole as double, with its dimensions.
bool read_dataset(hid_t file, const std::string& name, std::vector<double>& data, std::vector<hsize_t>& dims) {
  if (H5Lexists(file, name.substr(0, name.rfind('/')).c_str(), H5P_DEFAULT) <= 0) return false;
  if (H5Lexists(file, name.c_str(), H5P_DEFAULT) <= 0) return false;
  const Handle set{H5Dopen2(file, name.c_str(), H5P_DEFAULT), H5Dclose};
  if (set.id < 0) return false;
  const Handle space{H5Dget_space(set.id), H5Sclose};
  const int rank = H5Sget_simple_extent_ndims(space.id);
  if (rank < 1 || rank > 4) return false;
  dims.assign(static_cast<std::size_t>(rank), 0);
  H5Sget_simple_extent_dims(space.id, dims.data(), nullptr);
  hsize_t n = 1;
  for (const hsize_t d : dims) n *= d;
  constexpr hsize_t kMaxValues = 200000000;  // a face of a few million nodes at most
  if (n == 0 || n > kMaxValues) return false;
  data.assign(n, 0.0);
  return H5Dread(set.id, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, data.data()) >= 0;
}

// One dump file into `f` (its lines, and E or H at frequency k), stored as
// [component][z][y][x] with x varying fastest.
bool read_dump(const std::string& path, std::size_t k, FaceField& f, bool magnetic, std::string& error) {
  error = "the field dump " + path + " is missing or not as openEMS writes it";
  const Handle file{H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT), H5Fclose};
  if (file.id < 0) return false;
  std::vector<hsize_t> dims;
  for (int a = 0; a < 3; ++a) {
    std::vector<double> lines;
    if (!read_dataset(file.id, std::string("/Mesh/") + "xyz"[a], lines, dims) || dims.size() != 1) return false;
    for (double& x : lines) x /= kMmToM;  // the dump's mesh is in metres
    if (!magnetic) {
      f.lines[a] = lines;
      continue;
    }
    // H's lines are the dual ones: find the middle of E's first cell.
    if (f.lines[a].size() < 2) return false;
    const double mid = (f.lines[a][0] + f.lines[a][1]) / 2, tol = 1e-3 * (f.lines[a][1] - f.lines[a][0]);
    std::size_t o = 0;
    while (o < lines.size() && o < 2 && std::fabs(lines[o] - mid) > tol) ++o;
    if (o == 2 || o + f.lines[a].size() > lines.size()) return false;
    f.h_offset[a] = o;
    f.h_size[a] = lines.size();
  }
  if (f.lines[f.face.axis].size() != 2) return false;
  const std::string base = "/FieldData/FD/f" + std::to_string(k);
  std::vector<double> re, im;
  std::vector<hsize_t> dims_im;
  if (!read_dataset(file.id, base + "_real", re, dims) || !read_dataset(file.id, base + "_imag", im, dims_im) ||
      dims != dims_im)
    return false;
  const std::size_t* size = magnetic ? f.h_size : nullptr;
  const std::vector<hsize_t> want{3, size ? size[2] : f.lines[2].size(), size ? size[1] : f.lines[1].size(),
                                  size ? size[0] : f.lines[0].size()};
  if (dims != want) return false;
  const std::size_t n = re.size() / 3;
  auto& field = magnetic ? f.h : f.e;
  for (std::size_t c = 0; c < 3; ++c) {
    field[c].resize(n);
    for (std::size_t i = 0; i < n; ++i) field[c][i] = cplx(re[c * n + i], im[c * n + i]);
  }
  error.clear();
  return true;
}

}  // namespace

Box FluxFace::dump() const {
  Box b = plane;
  (axis == 0 ? b.x0 : axis == 1 ? b.y0 : b.z0) = before;
  return b;
}

FluxBox flux_box(const Model& m, const Mesh& mesh) {
  // The line `cells` in from each end, or the middle of a short axis.
  auto inner = [](const std::vector<double>& v, int cells, bool high) {
    const std::size_t k = std::min(static_cast<std::size_t>(cells), (v.size() - 1) / 2);
    return high ? v[v.size() - 1 - k] : v[k];
  };
  const int open = m.covered ? 0 : kAbsorbingCells;
  FluxBox f;
  f.substrate = m.h;
  f.box = {inner(mesh.x, kAbsorbingCells + kFluxMarginCells, false),
           inner(mesh.y, open + kFluxMarginCells, false),
           0,
           inner(mesh.x, kAbsorbingCells + kFluxMarginCells, true),
           inner(mesh.y, open + kFluxMarginCells, true),
           inner(mesh.z, open + kFluxMarginCells, true)};
  const Box& b = f.box;
  auto before = [](const std::vector<double>& v, double at) {
    return *std::prev(std::lower_bound(v.begin() + 1, v.end(), at));
  };
  f.faces = {{0, -1, {b.x0, b.y0, b.z0, b.x0, b.y1, b.z1}, before(mesh.x, b.x0)},
             {0, +1, {b.x1, b.y0, b.z0, b.x1, b.y1, b.z1}, before(mesh.x, b.x1)},
             {1, -1, {b.x0, b.y0, b.z0, b.x1, b.y0, b.z1}, before(mesh.y, b.y0)},
             {1, +1, {b.x0, b.y1, b.z0, b.x1, b.y1, b.z1}, before(mesh.y, b.y1)},
             {2, +1, {b.x0, b.y0, b.z1, b.x1, b.y1, b.z1}, before(mesh.z, b.z1)}};
  const double a = kWindowHeights * m.h;
  for (int p = 0; p < 2; ++p) {
    const Port& port = m.ports[p];
    const double x = p == 0 ? f.box.x0 : f.box.x1;
    f.windows[p] = {x, port.y0 - a, 0, x, port.y1 + a, std::min(m.h + m.t + a, f.box.z1)};
  }
  return f;
}

std::string dump_name(char field, std::size_t face) { return std::string("flux") + field + std::to_string(face); }

void add_face_flux(const FaceField& f, const FluxBox& box, FluxParts& sum) {
  const int n = f.face.axis, a = (n + 1) % 3, b = (n + 2) % 3;  // (E x H)_n = E_a H_b - E_b H_a
  const std::size_t nl[3] = {f.lines[0].size(), f.lines[1].size(), f.lines[2].size()};
  // The window on this face (none off the x faces), its spans along y and z.
  const Box* win = n == 0 ? &box.windows[f.face.side < 0 ? 0 : 1] : nullptr;
  // Each term at its in-plane position: along the axis of its E component
  // half a cell on (the cell its own), along the other axis on a line (the
  // trapezoid rule's share of it).
  for (const int ea : {a, b}) {
    const int hb = ea == a ? b : a;
    const double sign = (ea == a ? 1.0 : -1.0) * f.face.side;
    const auto spans = node_spans(f.lines[hb]);
    std::size_t at[3] = {0, 0, 0};
    at[n] = 1;  // E on the face's plane; H half a cell to either side
    for (at[ea] = 0; at[ea] + 1 < nl[ea]; ++at[ea])
      for (at[hb] = 0; at[hb] < nl[hb]; ++at[hb]) {
        const std::size_t k = (at[2] * nl[1] + at[1]) * nl[0] + at[0];
        auto h_at = [&](std::size_t back) {  // H's element at `at`, `back` lines before it across the face
          std::size_t i[3];
          for (int c = 0; c < 3; ++c) i[c] = at[c] + f.h_offset[c] - (c == n ? back : 0);
          return f.h[hb][(i[2] * f.h_size[1] + i[1]) * f.h_size[0] + i[0]];
        };
        const cplx h = (h_at(0) + h_at(1)) / 2.0;
        const double s = 0.5 * std::real(f.e[ea][k] * std::conj(h)) * sign;  // W/m^2, outward
        // The term's cell in the plane: [lo, hi] along each axis (x, y, z).
        double lo[3], hi[3];
        lo[ea] = f.lines[ea][at[ea]];
        hi[ea] = f.lines[ea][at[ea] + 1];
        lo[hb] = spans[at[hb]].first;
        hi[hb] = spans[at[hb]].second;
        const double area = (hi[ea] - lo[ea]) * (hi[hb] - lo[hb]);
        // The substrate's part: below its top along z, on the side faces.
        const double across = n == 2 ? 0.0 : hi[n == 0 ? 1 : 0] - lo[n == 0 ? 1 : 0];
        const double sub_z = n == 2 ? 0.0 : overlap(lo[2], hi[2], 0, box.substrate);
        double window = 0, sub_in_window = 0;
        if (win != nullptr) {
          const double wy = overlap(lo[1], hi[1], win->y0, win->y1);
          window = wy * overlap(lo[2], hi[2], win->z0, win->z1);
          sub_in_window = wy * sub_z;  // the window reaches down to the ground
        }
        const double sub = across * sub_z - sub_in_window;
        const double w = s * kMmToM * kMmToM;
        if (win != nullptr) sum.guided[f.face.side < 0 ? 0 : 1] += w * window;
        sum.surface += w * sub;
        sum.radiated += w * (area - window - sub);
      }
  }
}

bool line_power(const std::string& folder, const Model& m, const Mesh& mesh, const std::vector<double>& freq,
                const std::vector<cplx>& beta, const std::vector<cplx>& z_line, const std::vector<double>& at,
                std::vector<LinePower>& power, std::string& error) {
  std::vector<PortWaves> waves[2];
  for (int p = 0; p < 2; ++p) {
    std::vector<cplx> u[3], i[2];
    for (int k = 0; k < 3; ++k) {
      Signal s;
      if (!read_signal(folder + "/" + probe_name('u', p + 1, k), s, error)) return false;
      u[k] = spectrum(s, at);
      if (k == 2) continue;
      if (!read_signal(folder + "/" + probe_name('i', p + 1, k), s, error)) return false;
      i[k] = spectrum(s, at);
    }
    for (std::size_t n = 0; n < at.size(); ++n) {
      PortSample s{{u[0][n], u[1][n], u[2][n]},
                   {i[0][n], i[1][n]},
                   std::fabs(mesh.probe_x[p][1] - mesh.probe_x[p][0]) * kMmToM,
                   std::fabs(mesh.probe_x[p][1] - m.ports[p].feed_end) * kMmToM,
                   m.ports[p].z_ref};
      // Port 1's line constants (the measuring lines are alike), smoothed
      // over the sweep and interpolated between its frequencies.
      if (freq.size() >= 2) {
        const std::size_t hi = std::clamp<std::size_t>(
            static_cast<std::size_t>(std::lower_bound(freq.begin(), freq.end(), at[n]) - freq.begin()), 1,
            freq.size() - 1);
        const double t = std::clamp((at[n] - freq[hi - 1]) / (freq[hi] - freq[hi - 1]), 0.0, 1.0);
        s.beta = beta[hi - 1] + t * (beta[hi] - beta[hi - 1]);
        s.z_line = z_line[hi - 1] + t * (z_line[hi] - z_line[hi - 1]);
      }
      waves[p].push_back(port_waves(s));
    }
  }
  power.clear();
  for (std::size_t n = 0; n < at.size(); ++n) {
    const PortWaves &w1 = waves[0][n], &w2 = waves[1][n];
    power.push_back({2 * std::norm(w1.a), 2 * (std::norm(w1.a) - std::norm(w1.b)),
                     2 * (std::norm(w2.b) - std::norm(w2.a))});
  }
  return true;
}

double line_flux_ratio(const FluxParts& flux, const LinePower& p) {
  const double vi = p.net_in + p.out;
  return vi > kLeastLinePower * p.incident ? (flux.guided[1] - flux.guided[0]) / vi : 1.0;
}

bool measure_flux(const std::string& folder, const FluxBox& box, std::size_t count, std::vector<FluxParts>& out,
                  std::string& error) {
  H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);  // failures are reported here, not printed by the library
  out.assign(count, FluxParts{});
  for (std::size_t k = 0; k < count; ++k)
    for (std::size_t face = 0; face < box.faces.size(); ++face) {
      FaceField f;
      f.face = box.faces[face];
      if (!read_dump(folder + "/" + dump_name('E', face) + ".h5", k, f, false, error) ||
          !read_dump(folder + "/" + dump_name('H', face) + ".h5", k, f, true, error))
        return false;
      add_face_flux(f, box, out[k]);
    }
  return true;
}

}  // namespace quorvane::em
