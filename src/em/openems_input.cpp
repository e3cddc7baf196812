#include "em/openems_input.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "em/field_flux.hpp"

namespace quorvane::em {

namespace {

constexpr double kEps0 = 8.8541878128e-12;  // F/m
constexpr double kPi = 3.14159265358979323846;

std::string num(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.10g", v);
  return buf;
}

void box(std::ostringstream& o, int prio, const Box& b) {
  o << "        <Box Priority=\"" << prio << "\"><P1 X=\"" << num(b.x0) << "\" Y=\"" << num(b.y0) << "\" Z=\""
    << num(b.z0) << "\"/><P2 X=\"" << num(b.x1) << "\" Y=\"" << num(b.y1) << "\" Z=\"" << num(b.z1)
    << "\"/></Box>\n";
}

void property(std::ostringstream& o, const std::string& open, const std::string& close,
              const std::vector<Box>& boxes, int prio) {
  o << "      " << open << "\n        <Primitives>\n";
  for (const Box& b : boxes) box(o, prio, b);
  o << "        </Primitives>\n      " << close << '\n';
}

// The mesh line nearest x.
double snap(const std::vector<double>& lines, double x) {
  return *std::min_element(lines.begin(), lines.end(),
                           [x](double a, double b) { return std::fabs(a - x) < std::fabs(b - x); });
}

// Middle of the cell beside line index i, below (-1) or above (+1) it.
double half_cell(const std::vector<double>& lines, double x, int side) {
  const auto it = std::lower_bound(lines.begin(), lines.end(), snap(lines, x));
  const auto i = static_cast<std::size_t>(it - lines.begin());
  const std::size_t j = side < 0 ? (i > 0 ? i - 1 : i) : std::min(i + 1, lines.size() - 1);
  return (lines[i] + lines[j]) / 2;
}

std::string joined(const std::vector<double>& v) {
  std::string s;
  for (const double x : v) {
    if (!s.empty()) s += ',';
    s += num(x);
  }
  return s;
}

}  // namespace

std::string probe_name(char kind, int port, int k) {
  return std::string(kind == 'u' ? "ut" : "it") + std::to_string(port) + std::to_string(k);
}

std::string openems_xml(const Model& m, const Mesh& mesh, const RunSettings& run) {
  std::ostringstream o;
  const double f0 = (m.f_lo + m.f_hi) / 2, fc = (m.f_hi - m.f_lo) / 2 * 1.5;
  const std::string open = m.covered ? "PEC" : "PML_8";
  const std::string top = m.covered || m.stripline ? "PEC" : "PML_8";
  o << "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n<openEMS>\n"
    << "  <FDTD NumberOfTimesteps=\"" << run.max_timesteps << "\" endCriteria=\"" << num(std::pow(10.0, run.end_db / 10))
    << "\" f_max=\"" << num(f0 + fc) << "\">\n"
    << "    <Excitation Type=\"0\" f0=\"" << num(f0) << "\" fc=\"" << num(fc) << "\"/>\n"
    << "    <BoundaryCond xmin=\"PML_8\" xmax=\"PML_8\" ymin=\"" << open << "\" ymax=\"" << open
    << "\" zmin=\"PEC\" zmax=\"" << top << "\"/>\n  </FDTD>\n"
    << "  <ContinuousStructure CoordSystem=\"0\">\n    <Properties>\n";
  const double x0 = mesh.x.front(), x1 = mesh.x.back(), y0 = mesh.y.front(), y1 = mesh.y.back();
  // The dielectric loss as a conductivity at the band's centre.
  const double kappa = 2 * kPi * f0 * kEps0 * m.er * m.tan_delta;
  property(o, "<Material Name=\"substrate\"><Property Epsilon=\"" + num(m.er) + "\" Kappa=\"" + num(kappa) + "\"/>",
           "</Material>", {{x0, y0, 0, x1, y1, m.h}}, 0);
  std::vector<Box> copper = m.copper;
  for (Box& b : copper) {  // the measuring lines run on through the absorbing layers
    if (b.x0 <= m.x_lo) b.x0 = x0;
    if (b.x1 >= m.x_hi) b.x1 = x1;
  }
  if (m.sigma > 0)
    property(o, "<ConductingSheet Name=\"copper\" Conductivity=\"" + num(m.sigma) + "\" Thickness=\"" +
                    num(sheet_thickness_m(m)) + "\">",
             "</ConductingSheet>", copper, 10);
  else
    property(o, "<Metal Name=\"copper\">", "</Metal>", copper, 10);
  for (int p = 0; p < 2; ++p) {
    const Port& port = m.ports[p];
    const double yc = snap(mesh.y, (port.y0 + port.y1) / 2);
    const double* px = mesh.probe_x[p];
    for (int k = 0; k < 3; ++k)
      property(o, "<ProbeBox Name=\"" + probe_name('u', p + 1, k) + "\" Type=\"0\" Weight=\"-1\">", "</ProbeBox>",
               {{px[k], yc, m.strip_z, px[k], yc, 0}}, 10);
    // Current: the loop around the strip on the dual grid, counted flowing
    // from the port into the filter.
    const Box loop{0, half_cell(mesh.y, port.y0, -1), half_cell(mesh.z, m.strip_z, -1),
                   0, half_cell(mesh.y, port.y1, +1), half_cell(mesh.z, m.strip_z + m.t, +1)};
    for (int k = 0; k < 2; ++k) {
      Box b = loop;
      b.x0 = b.x1 = (px[k] + px[k + 1]) / 2;
      property(o, "<ProbeBox Name=\"" + probe_name('i', p + 1, k) + "\" Type=\"1\" Weight=\"" +
                      num(-port.outward) + "\" NormDir=\"0\">",
               "</ProbeBox>", {b}, 10);
    }
  }
  const Port& in = m.ports[0];
  property(o, "<Excitation Name=\"excite\" Type=\"0\" Excite=\"0,0,-1\">", "</Excitation>",
           {{mesh.excite_x, in.y0, 0, mesh.excite_x, in.y1, m.strip_z}}, 10);
  // A stripline's field points from the strip to both ground planes; the
  // lower half alone would launch the parallel-plate mode as well.
  if (m.stripline)
    property(o, "<Excitation Name=\"excite_top\" Type=\"0\" Excite=\"0,0,1\">", "</Excitation>",
             {{mesh.excite_x, in.y0, m.strip_z + m.t, mesh.excite_x, in.y1, m.h}}, 10);
  if (!run.dump_freqs.empty()) {  // frequency-domain E (10) and H (11), raw Yee field, HDF5
    const std::vector<FluxFace> faces = flux_box(m, mesh).faces;
    // openEMS samples a dump's fields for the highest of its frequencies
    // at the Nyquist rate: one more, above the excitation's band, keeps the
    // band's own from aliasing (its dump is not read).
    const std::string dump_samples = joined(run.dump_freqs) + "," + num(2 * (f0 + fc));
    for (std::size_t k = 0; k < faces.size(); ++k)
      for (const char field : {'E', 'H'})
        property(o, "<DumpBox Name=\"" + dump_name(field, k) + "\" DumpType=\"" + (field == 'E' ? "10" : "11") +
                        "\" DumpMode=\"0\" FileType=\"1\">\n        <FD_Samples>" + dump_samples +
                        "</FD_Samples>",
                 "</DumpBox>", {faces[k].dump()}, 0);
  }
  o << "    </Properties>\n    <RectilinearGrid DeltaUnit=\"0.001\" CoordSystem=\"0\">\n"
    << "      <XLines>" << joined(mesh.x) << "</XLines>\n      <YLines>" << joined(mesh.y)
    << "</YLines>\n      <ZLines>" << joined(mesh.z) << "</ZLines>\n    </RectilinearGrid>\n"
    << "  </ContinuousStructure>\n</openEMS>\n";
  return o.str();
}

}  // namespace quorvane::em
