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

#include <random>
#include <string>

#include <gtest/gtest.h>

#include "support/session.hpp"

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

}  // namespace
}  // namespace quorvane::testing
