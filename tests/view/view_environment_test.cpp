// quorvane-view as a real process in a hostile environment: a FILE that is
// a device or a folder, input that is no storage file at all, a line that
// never ends, and an output folder on a full disk (a file-size limit with
// SIGXFSZ ignored), a log pipe that nobody reads.  Each case ends with its
// status and log line; the output folder never holds a partial file: every
// file in it is the one a run without the fault writes.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <random>
#include <thread>
#include <string>

#include <gtest/gtest.h>

#include "support/child.hpp"
#include "support/session.hpp"
#include "support/sanitizer_pass.hpp"

namespace quorvane::testing {
namespace {

namespace fs = std::filesystem;

struct ViewRun {
  int status = -1;
  std::string log;
};

// The log goes to a file, or with `log_pipe_closed` into a pipe whose
// reading end is closed before the viewer starts.
ViewRun run_viewer(const std::string& file, const fs::path& out, long file_size_limit, bool log_pipe_closed = false) {
  const fs::path log_file = out.string() + ".log";
  int pipe_ends[2] = {-1, -1};
  if (log_pipe_closed && (pipe(pipe_ends) != 0 || close(pipe_ends[0]) != 0)) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    const int log = log_pipe_closed ? pipe_ends[1] : open(log_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (log < 0 || dup2(log, 2) != 2) _exit(127);
    if (file_size_limit > 0) {
      const rlimit limit{static_cast<rlim_t>(file_size_limit), static_cast<rlim_t>(file_size_limit)};
      setrlimit(RLIMIT_FSIZE, &limit);
      signal(SIGXFSZ, SIG_IGN);
    }
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
    execl(QUORVANE_VIEW_BINARY, QUORVANE_VIEW_BINARY, file.c_str(), "-o", out.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  if (log_pipe_closed) close(pipe_ends[1]);
  int status = 0;
  waitpid(pid, &status, 0);
  ViewRun r{WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), read_text(log_file)};
  fs::remove(log_file);
  return r;
}

struct ViewFault {
  const char* what;
  std::string file;  // FILE; "@name" is a file of the session folder holding `text`
  std::string text;  // its content
  long file_size_limit;
  bool log_pipe_closed;
  int status;
  const char* log_part;
};

TEST(ViewEnvironmentFault, EndsWithItsStatusAndLeavesOnlyWholeFiles) {
  const std::string stored = read_text(golden_path("road_microstrip_lossy.txt"));
  std::mt19937 random(14);
  std::string noise(1 << 20, '\0');
  for (char& ch : noise) ch = static_cast<char>(random());
  std::string long_line(8 << 20, 'x');
  long_line += '\n';
  std::string endless_line = stored;
  endless_line.insert(endless_line.rfind('\n', endless_line.find("SYNTHESIS of Physical")) + 1, long_line);
  const std::vector<ViewFault> cases{
      {"FILE is /dev/zero", "/dev/zero", "", 0, false, 1, "/dev/zero is a character device, not a storage file"},
      {"FILE is a folder", "@", "", 0, false, 1, "is a folder, not a storage file"},
      {"random bytes", "@road.txt", noise, 0, false, 1, "no report found"},
      {"a line of 8 MiB in a report", "@road.txt", endless_line, 0, false, 2, "skipped, longer than any report line"},
      {"a full disk", "@road.txt", stored, 4096, false, 1, ": File too large"},
      {"a full disk ends the run", "@road.txt", stored, 4096, false, 1, "0 files written; stopped at a failed write"},
      // The log is lost, the files are not: every one is written, and the lost log makes the status 1.
      {"a log pipe that nobody reads", "@road.txt", stored, 0, true, 1, ""},
  };
  Session reference_session("", false);
  const fs::path reference = reference_session.folder() / "reference";
  std::ofstream(reference_session.folder() / "road.txt", std::ios::binary) << stored;
  ASSERT_EQ(run_viewer((reference_session.folder() / "road.txt").string(), reference, 0).status, 0);
  for (const ViewFault& c : cases) {
    SCOPED_TRACE(c.what);
    Session session("", false);
    std::string file = c.file;
    if (file.starts_with('@')) {
      file = (session.folder() / file.substr(1)).string();
      if (!c.text.empty()) std::ofstream(file, std::ios::binary) << c.text;
    }
    const fs::path out = session.folder() / "out";
    fs::create_directories(out);
    const ViewRun r = run_viewer(file, out, c.file_size_limit, c.log_pipe_closed);
    EXPECT_EQ(r.status, c.status) << r.log;
    EXPECT_NE(r.log.find(c.log_part), std::string::npos) << r.log;
    if (c.log_pipe_closed) {
      EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()),
                std::distance(fs::directory_iterator(reference), fs::directory_iterator()));
    }
    for (const auto& entry : fs::directory_iterator(out)) {
      const fs::path name = entry.path().filename();
      EXPECT_TRUE(fs::exists(reference / name)) << "left behind: " << name;
      EXPECT_EQ(read_text(entry.path()), read_text(reference / name)) << name;
    }
  }
}

// The three programs beside the dialogue under the faults a new user's
// machine shows them: a full disk (a file-size limit with SIGXFSZ at its
// default disposition, ENOSPC), a console that cannot be written, a log
// whose reader went away, a thread the system refuses, memory that runs
// out, a write interrupted by a signal.  Each ends with its status and its
// line, and every file in the output folder is the one a run without the
// fault writes (no temporary, nothing cut).
struct ProgramFault {
  const char* program;  // view, yield or fields
  const char* what;
  ChildSetup setup;       // the fault; binary, arguments and folder are the program's
  int status;
  const char* log_part;  // in exactly one log line; "" none
  bool same_log = false;  // the log is the one a run without the fault writes
};

TEST(ProgramEnvironmentFault, EndsWithItsStatusAndItsLineAndLeavesOnlyWholeFiles) {
  const std::map<std::string, std::pair<std::string, std::vector<std::string>>> programs{
      {"view", {QUORVANE_VIEW_BINARY, {golden_path("road_microstrip_lossy.txt"), "-o", "out"}}},
      {"yield", {QUORVANE_YIELD_BINARY,
                 {golden_path("road_microstrip_lossy.txt"), "--samples", "64", "--threads", "2", "-o", "out"}}},
      {"fields", {QUORVANE_FIELDS_BINARY, {golden_path("road_stripline.txt"), "-o", "out"}}}};
  const bool threads = std::thread::hardware_concurrency() > 1;
  const auto full = [](long limit) { return ChildSetup{.file_size_limit = limit}; };
  const auto fault = [](const char* call, long at, int error, bool files_only = false) {
    return ChildSetup{.fault_call = call, .fault_at = at, .fault_errno = error, .fault_files_only = files_only};
  };
  const ChildSetup devfull{.out = Sink::kDevFull}, log_gone{.err = Sink::kReaderGone};
  const std::vector<ProgramFault> cases{
      {"view", "a file-size limit", full(4096), 1, "File too large"},
      {"yield", "a file-size limit", full(4096), 1, "File too large"},
      {"fields", "a file-size limit", full(4096), 1, "File too large"},
      {"view", "a full disk", fault("write", 1, ENOSPC, true), 1, "No space left on device"},
      {"yield", "a full disk", fault("write", 2, ENOSPC, true), 1, "No space left on device"},
      {"fields", "a full disk", fault("write", 1, ENOSPC, true), 1, "No space left on device"},
      {"view", "a console on a full device (it writes none)", devfull, 0, ""},
      {"yield", "a console on a full device", devfull, 1, "cannot write to the console: No space left on device"},
      {"fields", "a console on a full device", devfull, 1, "cannot write to the console: No space left on device"},
      {"view", "a log whose reader went away", log_gone, 1, ""},
      {"yield", "a log whose reader went away", log_gone, 1, ""},
      {"fields", "a log whose reader went away", log_gone, 1, ""},
      {"view", "a thread refused (it starts none)", fault("pthread_create", 1, EAGAIN), 0, ""},
      {"yield", "a thread refused", fault("pthread_create", 1, EAGAIN), 0, "cannot start a worker thread"},
      {"fields", "a thread refused", fault("pthread_create", 1, EAGAIN), 0,
       threads ? "cannot start a worker thread" : ""},
      {"yield", "memory that runs out",
       {.args = {"--samples", "100000", "--points", "200"}, .address_space = 150L << 20}, 1,
       "quorvane-yield: out of memory"},
      {"view", "an interrupted write", fault("write", 3, EINTR), 0, "", true},
      {"yield", "an interrupted write", fault("write", 3, EINTR), 0, "", true},
      {"fields", "an interrupted write", fault("write", 3, EINTR), 0, "", true},
  };
  std::map<std::string, ChildResult> reference;
  std::map<std::string, std::vector<std::pair<std::string, std::string>>> reference_files;
  for (const auto& [name, program] : programs) {
    Session session("", false);
    reference[name] = run_child({.binary = program.first, .args = program.second, .folder = session.folder()});
    ASSERT_EQ(reference[name].status, 0) << reference[name].err;
    reference_files[name] = folder_files(session.folder() / "out");
  }
  for (ProgramFault c : cases) {
#if defined(QUORVANE_UNDER_ASAN)
    // AddressSanitizer reserves its shadow memory at start: a small address
    // space ends the program there, before any of its own code runs.
    if (c.setup.address_space > 0) continue;
#endif
    SCOPED_TRACE(std::string(c.program) + ": " + c.what);
    Session session("", false);
    c.setup.binary = programs.at(c.program).first;
    c.setup.args.insert(c.setup.args.begin(), programs.at(c.program).second.begin(), programs.at(c.program).second.end());
    c.setup.folder = session.folder();
    const ChildResult r = run_child(c.setup);
    const ChildResult& ref = reference[c.program];
    EXPECT_EQ(r.status, c.status) << r.err;
    const auto has_part = [&c](const std::string& l) { return l.find(c.log_part) != std::string::npos; };
    EXPECT_TRUE(!*c.log_part || std::ranges::count_if(lines_of(r.err), has_part) == 1) << r.err;
    EXPECT_TRUE(!c.same_log || r.err == ref.err) << r.err;
    EXPECT_TRUE(c.status != 0 || c.setup.out != Sink::kFile || r.out == ref.out) << r.out;
    const auto files = folder_files(session.folder() / "out");
    EXPECT_TRUE(c.status != 0 || files.size() == reference_files[c.program].size());
    for (const auto& file : files)
      EXPECT_EQ(std::ranges::count(reference_files[c.program], file), 1) << "not whole: " << file.first;
  }
}

}  // namespace
}  // namespace quorvane::testing
