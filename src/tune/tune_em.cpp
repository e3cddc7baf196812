#include "tune/tune_em.hpp"

namespace quorvane::tune {

bool space_map(const CircuitModel&, const Targets&, const TuneAppOptions&, FieldCorrections&, TuneRun&, std::ostream&,
               std::string& error) {
  error = "--model em is not available yet";
  return false;
}

}  // namespace quorvane::tune
