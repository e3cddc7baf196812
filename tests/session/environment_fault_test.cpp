// The program as a real process in a hostile environment: standard input
// that cannot be read, a console that cannot be written, a storage file on
// a full disk, in use or a FIFO, a defaults file that blocks or fails.  Each
// case must end with its status and, for status 1, exactly one error line
// naming the fault; every stored line must be whole and have reached the
// console before it was stored.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "support/invariants.hpp"
#include "support/session.hpp"
#include "support/sanitizer_pass.hpp"

namespace quorvane::testing {
namespace {

const std::string kElectrical = kRoadExample + "1\nK.txt\n";
// Then the microstrip dimensions and an analysis of 1001 rows, all stored:
// more than a pipe holds.
const std::string kLong = kElectrical + "\n1\n\n\n\n1\n" + "1\n9500\n10500\n1\n\n\n\n\n\n\n1\n4\n";
// An analysis of 4001 rows, four blocks for the sweep's worker threads, and the exit.
const std::string kThreaded = kElectrical + "\n1\n\n\n\n1\n" + "1\n9500\n10500\n0.25\n\n\n\n\n\n\n1\n4\n";

enum class In { kScript, kFolder, kClosed, kNonBlockingPipe, kDevZero };
enum class Out { kFile, kPipe, kDevFull, kClosed, kPipeClosedEarly };

struct FaultCase {
  const char* what;
  In in;
  Out out;
  std::string script;
  std::function<void(const std::filesystem::path&)> prepare;  // the session folder, before the start
  int status;
  std::string error;        // part of the one error line; "" when none is wanted
  long file_size_limit = 0; // RLIMIT_FSIZE in bytes, 0 for none
  bool storage_reader_leaves = false;  // K.txt is a FIFO whose reader goes away
  std::size_t stored_lines = 29;       // K.txt's lines after a run with status 0
  bool xfsz_default = false;           // SIGXFSZ at its default disposition under the file-size limit
  long address_space = 0;              // RLIMIT_AS in bytes, 0 for none
  const char* fault_call = nullptr;    // a call the preloaded shim fails (tests/support/fault_shim.cc)
  long fault_at = 0;
  int fault_errno = 0;
};

bool wait_for(pid_t pid, int& status, int options, std::chrono::steady_clock::time_point deadline) {
  while (std::chrono::steady_clock::now() < deadline) {
    const pid_t got = waitpid(pid, &status, WNOHANG | options);
    if (got == pid) return true;
    if (got < 0 && errno != EINTR) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

// Reads what is in `fd` without waiting.
void drain(int fd, std::string& into) {
  fcntl(fd, F_SETFL, O_NONBLOCK);
  char buf[4096];
  for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) into.append(buf, static_cast<std::size_t>(n));
}

struct ChildRun {
  int status = -1;  // exit status, 128+signal, or -1 when it had to be killed
  std::string console, err;
};

ChildRun run_program(const FaultCase& c, const std::filesystem::path& folder) {
  const std::filesystem::path out_file = folder.string() + ".out", err_file = folder.string() + ".err";
  int in_pipe[2], out_pipe[2];
  if (pipe(in_pipe) != 0 || pipe(out_pipe) != 0) return {};
  fcntl(out_pipe[0], F_SETPIPE_SZ, 4096);
  if (c.in == In::kNonBlockingPipe) {
    // The script, then nothing: the pipe stays open, so the read after it fails.
    fcntl(in_pipe[0], F_SETFL, O_NONBLOCK);
    (void)!write(in_pipe[1], c.script.data(), c.script.size());
  }
  int storage_reader = -1;
  if (c.storage_reader_leaves) {
    mkfifo((folder / "K.txt").c_str(), 0644);
    storage_reader = open((folder / "K.txt").c_str(), O_RDONLY | O_NONBLOCK);
    fcntl(storage_reader, F_SETPIPE_SZ, 4096);
  }
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(folder.c_str()) != 0) _exit(127);
    // Every source is opened first, so that none lands on a descriptor closed for the case.
    int in = in_pipe[0], out = out_pipe[1];
    switch (c.in) {
      case In::kScript:
      case In::kNonBlockingPipe: break;
      case In::kFolder: in = open(".", O_RDONLY | O_DIRECTORY); break;
      case In::kClosed: in = -1; break;
      case In::kDevZero: in = open("/dev/zero", O_RDONLY); break;
    }
    switch (c.out) {
      case Out::kFile: out = open(out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644); break;
      case Out::kDevFull: out = open("/dev/full", O_WRONLY); break;
      case Out::kClosed: out = -1; break;
      case Out::kPipe:
      case Out::kPipeClosedEarly: break;
    }
    const int err = open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (err < 3 || dup2(err, 2) != 2) _exit(127);
    if (in < 0) close(0); else dup2(in, 0);
    if (out < 0) close(1); else dup2(out, 1);
    for (int fd = 3; fd < 64; ++fd) close(fd);
    if (c.file_size_limit > 0) {
      const rlimit limit{static_cast<rlim_t>(c.file_size_limit), static_cast<rlim_t>(c.file_size_limit)};
      setrlimit(RLIMIT_FSIZE, &limit);
      signal(SIGXFSZ, c.xfsz_default ? SIG_DFL : SIG_IGN);
    }
    if (c.address_space > 0) {
      const rlimit limit{static_cast<rlim_t>(c.address_space), static_cast<rlim_t>(c.address_space)};
      setrlimit(RLIMIT_AS, &limit);
    }
    if (c.fault_call != nullptr) {
      setenv("LD_PRELOAD", QUORVANE_FAULT_SHIM, 1);
      setenv("QUORVANE_FAULT_CALL", c.fault_call, 1);
      setenv("QUORVANE_FAULT_AT", std::to_string(c.fault_at).c_str(), 1);
      setenv("QUORVANE_FAULT_ERRNO", std::to_string(c.fault_errno).c_str(), 1);
    }
    setenv("QUORVANE_THREADS", "2", 1);
    // The fault shim comes before the sanitizer runtime in the preload list.
    setenv("ASAN_OPTIONS", "detect_leaks=0:verify_asan_link_order=0", 1);
    execl(QUORVANE_BINARY, QUORVANE_BINARY, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(in_pipe[0]);
  close(out_pipe[1]);
  if (c.in == In::kScript) {
    // Written by a thread: the program may stop reading before the script's end.
    std::thread([fd = in_pipe[1], script = c.script] {
      signal(SIGPIPE, SIG_IGN);
      (void)!write(fd, script.data(), script.size());
      close(fd);
    }).detach();
  }
  ChildRun r;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  if (c.out == Out::kPipeClosedEarly) {
    // Some console, then the program is stopped, what it wrote is read to the
    // last byte, and the pipe is closed under it.
    char buf[4096];
    for (ssize_t n; r.console.size() < 6000 && (n = read(out_pipe[0], buf, sizeof buf)) > 0;)
      r.console.append(buf, static_cast<std::size_t>(n));
    int stopped = 0;
    kill(pid, SIGSTOP);
    wait_for(pid, stopped, WUNTRACED, deadline);
    drain(out_pipe[0], r.console);
    close(out_pipe[0]);
    kill(pid, SIGCONT);
  } else {
    if (c.out == Out::kPipe) {
      char buf[4096];
      for (ssize_t n; (n = read(out_pipe[0], buf, sizeof buf)) > 0;) r.console.append(buf, static_cast<std::size_t>(n));
    }
    close(out_pipe[0]);
  }
  if (storage_reader >= 0) {
    int unread = 0;
    while (std::chrono::steady_clock::now() < deadline && (ioctl(storage_reader, FIONREAD, &unread) != 0 || unread == 0))
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    close(storage_reader);
  }
  int status = 0;
  if (!wait_for(pid, status, 0, deadline)) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  } else {
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  if (c.in != In::kScript) close(in_pipe[1]);
  if (c.out == Out::kFile) r.console = read_text(out_file);
  r.err = read_text(err_file);
  std::filesystem::remove(out_file);
  std::filesystem::remove(err_file);
  return r;
}

void link_defaults_to(const std::filesystem::path& folder, const char* target) {
  std::filesystem::remove(folder / "QuorvaneDEMO.DEF");
  std::filesystem::create_symlink(target, folder / "QuorvaneDEMO.DEF");
}

TEST(EnvironmentFault, EndsWithItsStatusAndOneErrorLineAndKeepsTheStorageFileWhole) {
  const auto none = [](const std::filesystem::path&) {};
  int lock_fd = -1;
  const std::vector<FaultCase> cases{
      {"standard input a folder", In::kFolder, Out::kFile, "", none, 1,
       "cannot read the console input (Is a directory); an answer was expected at \"-Filter`s Center"},
      {"standard input closed", In::kClosed, Out::kFile, "", none, 1,
       "cannot read the console input (Bad file descriptor)"},
      {"a non-blocking empty pipe", In::kNonBlockingPipe, Out::kFile, "", none, 1,
       "cannot read the console input (Resource temporarily unavailable)"},
      {"a later read that fails", In::kNonBlockingPipe, Out::kFile, "10000\n", none, 1,
       "(Resource temporarily unavailable); an answer was expected at \"-Filter`s Passband Bandwidth,MHz =\""},
      {"an answer line that never ends", In::kDevZero, Out::kFile, "", none, 1,
       "cannot read the console input (a line of more than 1 MiB without a line end)"},
      {"a defaults file that fails on read", In::kScript, Out::kFile, kLong,
       [](const std::filesystem::path& f) { link_defaults_to(f, "/proc/self/mem"); }, 1,
       "QuorvaneDEMO.DEF cannot be read (Input/output error)"},
      {"a defaults record that never ends", In::kScript, Out::kFile, kLong,
       [](const std::filesystem::path& f) { link_defaults_to(f, "/dev/zero"); }, 1,
       "QuorvaneDEMO.DEF cannot be read (a line of more than 1 MiB"},
      {"a defaults file that is a FIFO", In::kScript, Out::kFile, kLong,
       [](const std::filesystem::path& f) {
         std::filesystem::remove(f / "QuorvaneDEMO.DEF");
         mkfifo((f / "QuorvaneDEMO.DEF").c_str(), 0644);
       },
       1, "a FIFO of that name is there"},
      {"a storage FIFO nobody reads", In::kScript, Out::kFile, kLong,
       [](const std::filesystem::path& f) { mkfifo((f / "K.txt").c_str(), 0644); }, 1,
       "cannot open the storage file \"K.txt\": it is a FIFO that nobody reads"},
      {"a storage file another session holds", In::kScript, Out::kFile, kLong,
       [&lock_fd](const std::filesystem::path& f) {
         lock_fd = open((f / "K.txt").c_str(), O_WRONLY | O_CREAT, 0644);
         flock(lock_fd, LOCK_EX);
       },
       1, "cannot open the storage file \"K.txt\": it is in use by another session"},
      {"the defaults file named for storage", In::kScript, Out::kFile,
       kElectrical.substr(0, kElectrical.size() - 6) + "QuorvaneDEMO.DEF\n./QuorvaneDEMO.DEF  \nK.txt\n4\n", none, 0,
       ""},
      {"a design record that cannot be written", In::kScript, Out::kFile, kElectrical + "4\n",
       [](const std::filesystem::path& f) { std::filesystem::create_directory(f / "K.txt.json"); }, 0,
       "cannot write the design record \"K.txt.json\": Is a directory"},
      {"console on a full device", In::kScript, Out::kDevFull, kLong, none, 1,
       "cannot write to the console: No space left on device"},
      {"console closed", In::kScript, Out::kClosed, kLong, none, 1, "cannot write to the console: Bad file descriptor"},
      {"console pipe closed early", In::kScript, Out::kPipeClosedEarly, kLong, none, 1,
       "cannot write to the console: Broken pipe"},
      {"storage file on a full disk", In::kScript, Out::kPipe, kLong, none, 1,
       "cannot write to the storage file \"K.txt\": File too large", 5000},
      {"a storage pipe whose reader went away", In::kScript, Out::kFile, kLong, none, 1,
       "cannot write to the storage file \"K.txt\": Broken pipe", 0, true},
      {"a file-size limit, SIGXFSZ at its default", In::kScript, Out::kPipe, kLong, none, 1,
       "cannot write to the storage file \"K.txt\": File too large", 5000, false, 29, true},
      {"a worker thread refused", In::kScript, Out::kFile, kThreaded, none, 0,
       "cannot start a worker thread (Resource temporarily unavailable); going on with 0 of 2", 0, false, 4087,
       false, 0, "pthread_create", 1, EAGAIN},
      {"memory too small for a worker's stack", In::kScript, Out::kFile, kThreaded, none, 0,
       "cannot start a worker thread (Resource temporarily unavailable)", 0, false, 4087, false, 10L << 20},
      {"an interrupted write", In::kScript, Out::kFile, kThreaded, none, 0, "", 0, false, 4087, false, 0, "write", 5,
       EINTR},
  };
  for (const FaultCase& c : cases) {
#if defined(QUORVANE_UNDER_ASAN)
    // AddressSanitizer's shadow memory does not fit a small address space.
    if (c.address_space > 0) continue;
#endif
    SCOPED_TRACE(c.what);
    Session session;
    c.prepare(session.folder());
    const ChildRun r = run_program(c, session.folder());
    if (lock_fd >= 0) close(lock_fd);
    lock_fd = -1;
    ASSERT_EQ(r.status, c.status) << r.err;
    if (c.error.empty()) {
      EXPECT_EQ(r.err, "");
    } else {
      EXPECT_EQ(split_lines(r.err).size(), 1u) << r.err;
      EXPECT_TRUE(r.err.starts_with("Quorvane: ") && r.err.ends_with(".\n")) << r.err;
      EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
    }
    if (std::filesystem::is_regular_file(session.folder() / "K.txt")) {
      EXPECT_EQ(broken_storage("K.txt", session.file("K.txt"), split_lines(r.console)), "");
    }
    if (c.file_size_limit > 0) {
      EXPECT_GT(lines_of(session.file("K.txt")).size(), 30u);
    }
    if (c.status == 0) {
      EXPECT_EQ(session.file("QuorvaneDEMO.DEF"), shipped_defaults());
      EXPECT_EQ(lines_of(session.file("K.txt")).size(), c.stored_lines);
    }
  }
}

}  // namespace
}  // namespace quorvane::testing
