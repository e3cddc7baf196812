// Every program under a failure of each occurrence of its write, read, open,
// close and rename calls (the preloaded shim of tests/support): no death by
// a signal, no status 0 unless every output is whole, no file cut or left
// under a name of its own, and status 1 with the program's line.  Every
// occurrence is tried, or in a sampled run (support/sampling.hpp) at most
// `cap` of them per call.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/child.hpp"
#include "support/invariants.hpp"
#include "support/sanitizer_pass.hpp"
#include "support/session.hpp"

namespace quorvane::testing {
namespace {

struct Program {
  const char* name;
  std::string binary;
  std::vector<std::string> args;
  std::string input;
  const char* line_prefix;  // how its failure lines start
  long cap;                 // occurrences tried per call
};

struct Call {
  const char* name;
  int error;
};

TEST(FaultInjection, EveryCallOfEveryProgramFailsCleanly) {
  const std::string stored = golden_path("road_microstrip_lossy.txt");
  const std::vector<Program> programs{
      {"quorvane", QUORVANE_BINARY, {},
       "10000\n500\n1\n0.1\n1\n4\n50\n\n\n\n1\nK.txt\n\n1\n\n\n\n1\n1\n9500\n10500\n10\n\n\n\n\n\n\n1\n4\n",
       "Quorvane: ", 24},
      {"quorvane-view", QUORVANE_VIEW_BINARY, {stored, "-o", "out"}, "", "quorvane-view: ", 24},
      {"quorvane-yield", QUORVANE_YIELD_BINARY, {stored, "--samples", "16", "--points", "41", "-o", "out"}, "",
       "quorvane-yield: ", 24},
      {"quorvane-fields", QUORVANE_FIELDS_BINARY, {golden_path("road_stripline.txt"), "-o", "out"}, "",
       "quorvane-fields: ", 5},
  };
  const Call calls[] = {{"write", ENOSPC}, {"read", EIO}, {"open", EACCES}, {"close", EIO}, {"rename", EXDEV}};
  std::vector<std::string> aborts, false_successes, cut_files, silent_failures;
  for (const Program& p : programs) {
    Session reference_session;
    ChildSetup setup{.binary = p.binary, .args = p.args, .folder = reference_session.folder(), .input = p.input};
    const ChildResult reference = run_child(setup);
    ASSERT_EQ(reference.status, 0) << p.name << ": " << reference.err;
    const auto reference_files = folder_files(reference_session.folder() / "out");
    const std::size_t stored_lines = lines_of(reference_session.file("K.txt")).size();
    for (const Call& call : calls) {
      setup.fault_call = call.name;
      setup.fault_errno = call.error;
      setup.fault_at = 0;
      setup.folder = reference_session.folder();
      const long count = run_child(setup).calls;
      for (const std::size_t t : cases_to_try(static_cast<std::size_t>(std::max(count, 0L)), static_cast<std::size_t>(p.cap))) {
        Session session;
        setup.folder = session.folder();
        setup.fault_at = 1 + static_cast<long>(t);
        const ChildResult r = run_child(setup);
        const std::string where = std::string(p.name) + " " + call.name + " #" + std::to_string(setup.fault_at);
        if (r.status < 0 || r.status > 2) aborts.push_back(where + ": status " + std::to_string(r.status));
        for (const auto& file : folder_files(session.folder() / "out"))
          if (std::ranges::count(reference_files, file) != 1) cut_files.push_back(where + ": " + file.first);
        const bool whole = p.name == std::string("quorvane")
                               ? broken_invariant(r.status, r.out, r.err, session.folder()).empty() &&
                                     lines_of(session.file("K.txt")).size() == stored_lines
                               : r.out == reference.out && r.err == reference.err && folder_files(session.folder() / "out") == reference_files;
        if (r.status != 1 && !whole) false_successes.push_back(where + ": status " + std::to_string(r.status));
        // The failure line itself may be the write that failed.
        if (r.status == 1 && r.err.find(p.line_prefix) == std::string::npos && call.name != std::string("write"))
          silent_failures.push_back(where);
        if (p.name == std::string("quorvane") && r.status == 1 && !r.err.empty() &&
            !broken_invariant(r.status, r.out, r.err, session.folder()).empty())
          cut_files.push_back(where + ": " + broken_invariant(r.status, r.out, r.err, session.folder()));
      }
    }
  }
  EXPECT_EQ(aborts, std::vector<std::string>{});
  EXPECT_EQ(false_successes, std::vector<std::string>{});
  EXPECT_EQ(cut_files, std::vector<std::string>{});
  EXPECT_EQ(silent_failures, std::vector<std::string>{});
}

}  // namespace
}  // namespace quorvane::testing
