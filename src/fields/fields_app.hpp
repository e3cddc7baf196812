// quorvane-fields: checks every coupled section of the dimensional reports
// in a storage file against a quasi-static field solution.
//
// For the storage file <stem>.<ext> and the dimensional report at position n
// in it: the field table on the console and in <stem>-n-fields.txt, and for
// each distinct cross-section of the report (the first section K that has
// it) <stem>-n-fields-K.svg.  Sections of equal printed dimensions on equal
// substrates are solved once for the whole file, the distinct ones side by
// side.  Every section that cannot be solved (not realisable in stripline,
// a dimension that is not a positive number, a strip as thick as the
// ground-plane spacing) is skipped with one line in the log.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "fields/field_solver.hpp"

namespace quorvane::fields {

struct FieldsResult {
  int status = 0;  // 0 every section solved; 2 some skipped; 1 nothing solved
  std::vector<std::filesystem::path> written;
};

FieldsResult run_fields(const std::filesystem::path& storage_file, const std::filesystem::path& out_folder,
                        std::ostream& console, std::ostream& log, const SolveOptions& options = {});

// The program for the arguments after its name: --help and --version on
// `console`, an argument that cannot be used one line on `log` (status 1),
// else run_fields on FILE [-o FOLDER].
int run_fields_program(const std::vector<std::string>& args, std::ostream& console, std::ostream& log);

}  // namespace quorvane::fields
