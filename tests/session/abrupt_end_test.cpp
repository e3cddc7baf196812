// A real process killed with SIGKILL right after its k-th report line leaves
// exactly those k lines in the storage file: each line reaches the file as it
// is written, after its console copy.
//
// The program runs under ptrace, stopped at every system call it enters; the
// test looks at the storage file at each stop and kills the process at the
// first stop at which the file holds k lines or more, or, for a kill at a
// prompt, when it starts to read the console with all its input consumed,
// that is, when it waits for an answer that is not coming.  The file
// must then hold exactly the first k report lines of the same session run
// in-process, and the console written so far must show them in order.  A
// program that buffered its file would be seen jumping past k, or never
// reaching it before it ends.  The design record beside the file, at every
// kill, reads back and names only whole reports of it.
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/invariants.hpp"
#include "support/session.hpp"

namespace quorvane::testing {
namespace {

// Storage yes at all three occasions into K.txt: the road example's
// electrical report, its microstrip dimensions and a five-row analysis.
const std::string kElectrical = kRoadExample + "1\nK.txt\n";
const std::string kRest = "\n1\n\n\n\n1\n" "1\n9500\n10500\n250\n\n\n\n\n\n\n1\n";
const std::string kScript = kElectrical + kRest + "4\n";
// The same with a 2,001-row analysis: two blocks of rows, computed on the
// sweep's worker threads.
const std::string kLongTable =
    kElectrical + "\n1\n\n\n\n1\n" "1\n9500\n10500\n0.5\n\n\n\n\n\n\n1\n" + "4\n";

// The report header carries the clock; the in-process run has a fixed one.
std::string without_clock(const std::string& line) {
  return line.starts_with("      Quorvane (v. 1.4)                       Date:") ? "<date line>" : line;
}

std::size_t lines_in(const std::filesystem::path& file) {
  const std::string text = read_text(file);
  std::size_t n = 0;
  for (char ch : text) n += ch == '\n' ? 1 : 0;
  return n;
}

struct KillCase {
  const char* what;
  long k;              // report lines before the kill; 0 or below counts from the end of the file
  std::string input;   // what the console gets
  bool at_prompt;      // kill while the program waits for the next answer
  std::string reference = kScript;  // the whole session whose file the kill cuts short
};


struct Traced {
  bool ptrace_refused = false;
  bool killed = false;
  std::string why;  // how the run went wrong, when it did
};

// Waits for the traced child to stop or end, for at most until `deadline`.
bool wait_child(pid_t pid, int& status, std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    const pid_t got = waitpid(pid, &status, WNOHANG);
    if (got == pid) return true;
    if (got < 0 && errno != EINTR) return false;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(20));
  }
}

// Runs the program in `folder` on `input`, its console going to `console`,
// and kills it as the case says.
Traced run_and_kill(const std::filesystem::path& folder, const std::filesystem::path& console, const KillCase& c,
                    std::size_t k) {
  Traced t;
  int in_pipe[2];
  if (pipe(in_pipe) != 0) {
    t.why = "no pipe";
    return t;
  }
  const pid_t pid = fork();
  if (pid == 0) {
    if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(126);
    dup2(in_pipe[0], 0);
    close(in_pipe[0]);
    close(in_pipe[1]);
    const int out = open(console.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int null = open("/dev/null", O_WRONLY);
    if (out < 0 || null < 0 || dup2(out, 1) < 0 || dup2(null, 2) < 0 || chdir(folder.c_str()) != 0) _exit(127);
    // The sanitizer's leak check at exit stops threads with ptrace itself.
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
    // Rows computed on worker threads, written by the traced thread alone.
    setenv("QUORVANE_THREADS", "3", 1);
    execl(QUORVANE_BINARY, QUORVANE_BINARY, static_cast<char*>(nullptr));
    _exit(127);
  }
  const bool written = write(in_pipe[1], c.input.data(), c.input.size()) == static_cast<ssize_t>(c.input.size());
  // Kept open for a kill at a prompt, so that the program waits there.
  if (!c.at_prompt) close(in_pipe[1]);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  const std::filesystem::path stored = folder / "K.txt";
  int status = 0;
  if (!written || !wait_child(pid, status, deadline)) {
    t.why = "the program did not start";
  } else if (WIFEXITED(status) && WEXITSTATUS(status) == 126) {
    t.ptrace_refused = true;
  } else if (!WIFSTOPPED(status)) {
    t.why = "the program ended before it ran";
  } else {
    ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
    int deliver = 0;
    for (;;) {
      if (ptrace(PTRACE_SYSCALL, pid, nullptr, deliver) != 0 || !wait_child(pid, status, deadline)) {
        t.why = "lost the program, or it ran out of time";
        break;
      }
      deliver = 0;
      if (WIFEXITED(status) || WIFSIGNALED(status)) {
        t.why = "the program ended by itself with the file at " + std::to_string(lines_in(stored)) + " lines";
        break;
      }
      if (!WIFSTOPPED(status)) continue;
      if (WSTOPSIG(status) != (SIGTRAP | 0x80)) {
        deliver = WSTOPSIG(status);
        continue;
      }
      __ptrace_syscall_info info{};
      if (ptrace(PTRACE_GET_SYSCALL_INFO, pid, sizeof info, &info) <= 0) continue;
      if (info.op != PTRACE_SYSCALL_INFO_ENTRY) continue;
      bool trigger = lines_in(stored) >= k;
      if (c.at_prompt) {
        int unread = 0;
        trigger = info.entry.nr == SYS_read && info.entry.args[0] == 0 &&
                  ioctl(in_pipe[0], FIONREAD, &unread) == 0 && unread == 0;
      }
      if (trigger) {
        kill(pid, SIGKILL);
        wait_child(pid, status, deadline);
        t.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        if (!t.killed) t.why = "the kill did not end the program";
        break;
      }
    }
  }
  if (!t.killed && !t.ptrace_refused) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  close(in_pipe[0]);
  if (c.at_prompt) close(in_pipe[1]);
  return t;
}

void killed_after_k_lines(const KillCase& c) {
  Session reference;
  const SessionResult whole = reference.run(c.reference);
  ASSERT_EQ(whole.status, 0) << whole.err;
  const std::vector<std::string> report = lines_of(reference.file("K.txt"));
  ASSERT_GT(report.size(), 80u);
  const std::size_t k = c.k > 0 ? static_cast<std::size_t>(c.k) : report.size() - static_cast<std::size_t>(-c.k);

  Session session;
  const std::filesystem::path console =
      session.folder().parent_path() / (session.folder().filename().string() + ".out");
  const Traced t = run_and_kill(session.folder(), console, c, k);
  const std::string shown = read_text(console);
  std::filesystem::remove(console);
  if (t.ptrace_refused) GTEST_SKIP() << "this system does not let a test trace its child";
  ASSERT_TRUE(t.killed) << t.why;

  const std::string stored = session.file("K.txt");
  const std::vector<std::string> lines = lines_of(stored);
  ASSERT_EQ(lines.size(), k) << stored;
  EXPECT_TRUE(stored.ends_with('\n'));
  for (std::size_t i = 0; i < k; ++i) EXPECT_EQ(without_clock(lines[i]), without_clock(report[i])) << "line " << i + 1;
  EXPECT_EQ(broken_storage("K.txt", stored, split_lines(shown)), "");
  // The design record, replaced whole after each report, names whole reports.
  EXPECT_EQ(broken_record(stored, session.file("K.txt.json")), "");
}

TEST(KilledSession, StorageFileHoldsExactlyTheLinesWrittenBeforeTheKill) {
  const std::vector<KillCase> cases{
      KillCase{"the first line", 1, kScript, false},
      KillCase{"inside the electrical table", 20, kScript, false},
      KillCase{"the electrical report, at menu 1", 29, kElectrical, true},
      KillCase{"inside the dimensional table", 48, kScript, false},
      KillCase{"inside the analysis table", -6, kScript, false},
      KillCase{"the whole session, at menu 3", 0, kElectrical + kRest, true},
      KillCase{"inside a table computed on worker threads", -1000, kLongTable, false, kLongTable}};
  for (const KillCase& c : cases) {
    SCOPED_TRACE(c.what);
    killed_after_k_lines(c);
  }
  // And at lines drawn at random through the session, told when one fails.
  std::random_device draw;
  for (int i = 0; i < 3; ++i) {
    const long k = -static_cast<long>(draw() % 80);
    SCOPED_TRACE("killed " + std::to_string(-k) + " lines before the end of the file");
    killed_after_k_lines(KillCase{"a random line", k, kScript, false});
  }
}

}  // namespace
}  // namespace quorvane::testing
