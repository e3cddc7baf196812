#include "em/openems_run.hpp"

#include <poll.h>
#include <signal.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "platform/interrupt.hpp"

namespace quorvane::em {

std::string openems_missing(const std::string& name) {
  return "openEMS (" + name + ") not found: install the Debian package openems (tools/ensure-toolchain)";
}

std::string find_executable(const std::string& name) {
  if (name.empty()) return "";
  if (name.find('/') != std::string::npos) return access(name.c_str(), X_OK) == 0 ? name : "";
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path != nullptr ? path : "");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

bool parse_progress(const std::string& line, long long& timestep, double& db) {
  const auto ts = line.find("Timestep:");
  if (ts == std::string::npos) return false;
  timestep = std::atoll(line.c_str() + ts + 9);
  const auto open = line.find("(-", ts);
  if (open != std::string::npos) db = -std::atof(line.c_str() + open + 2);
  return true;
}

namespace {

// openEMS started in `folder` on `input`, its output and errors on a pipe
// whose read end is `fd`; false when the process cannot be started.
bool start_openems(const std::string& exe, const std::filesystem::path& folder, const std::string& input,
                   int threads, pid_t& pid, int& fd) {
  int p[2];
  if (pipe(p) != 0) return false;
  const std::string engine = "--engine=multithreaded", count = "--numThreads=" + std::to_string(threads);
  pid = fork();
  if (pid < 0) {
    close(p[0]);
    close(p[1]);
    return false;
  }
  if (pid == 0) {  // the child: only async-signal-safe calls until exec
    dup2(p[1], 1);
    dup2(p[1], 2);
    close(p[0]);
    close(p[1]);
    signal(SIGPIPE, SIG_DFL);
    if (chdir(folder.c_str()) != 0) _exit(127);
    const char* argv[] = {exe.c_str(), input.c_str(), engine.c_str(), count.c_str(), nullptr};
    execv(exe.c_str(), const_cast<char* const*>(argv));
    _exit(127);
  }
  close(p[1]);
  fd = p[0];
  return true;
}

// The child's exit status, or 128 + the signal that ended it.
int wait_for(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

RunReport run_openems(const std::string& exe, const std::filesystem::path& folder, const std::string& input,
                      int threads, double end_db, const std::string& label, std::ostream& log) {
  RunReport r;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  int fd = -1;
  if (!start_openems(exe, folder, input, threads, pid, fd)) {
    r.error = "cannot start openEMS";
    return r;
  }
  std::string pending, tail;
  char buf[4096];
  double first_db = 0, first_s = -1;
  // Each line of openEMS's output: progress relayed, an error line kept.
  const auto take_line = [&](const std::string& line) {
    long long ts = 0;
    double db = 0;
    const double now = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (parse_progress(line, ts, db)) {
      r.timesteps = ts;
      if (db < 0) r.end_db = db;
      if (first_s < 0 && db < -3) {
        first_s = now;
        first_db = db;
      }
      // Time left from the rate of decay since the first clear fall.
      std::string left = "?";
      if (first_s >= 0 && db < first_db && now > first_s) {
        const double rate = (first_db - db) / (now - first_s);  // dB per second
        left = std::to_string(static_cast<long long>(std::max(0.0, (db - end_db) / rate))) + " s";
      }
      log << "  " << label << ": timestep " << ts << ", energy " << db << " dB (end at " << end_db
          << " dB), about " << left << " left\n"
          << std::flush;
    } else if (line.find("rror") != std::string::npos) {
      tail = line;
    }
  };
  // Until openEMS closes its output (it ends) or the user stops the run.
  for (;;) {
    if (platform::interrupt_signal() != 0) break;
    pollfd pfd{fd, POLLIN, 0};
    const int ready = poll(&pfd, 1, 250);
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) continue;
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    pending.append(buf, static_cast<std::size_t>(n));
    for (std::size_t eol; (eol = pending.find('\n')) != std::string::npos;) {
      take_line(pending.substr(0, eol));
      pending.erase(0, eol + 1);
    }
    if (pending.size() > 65536) pending.clear();  // no line is that long: not progress
  }
  close(fd);
  if (const int sig = platform::interrupt_signal(); sig != 0) {
    kill(pid, SIGTERM);
    wait_for(pid);
    r.error = "stopped by signal " + std::to_string(sig) + " (" + strsignal(sig) + "); nothing written";
    r.interrupted = sig;
    return r;
  }
  const int status = wait_for(pid);
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (status != 0) {
    r.error = status == 127 ? "openEMS (" + exe + ") cannot be run"
                            : "openEMS ended with status " + std::to_string(status) + (tail.empty() ? "" : ": " + tail);
    while (!r.error.empty() && (r.error.back() == '\n' || r.error.back() == '\r')) r.error.pop_back();
    return r;
  }
  r.ok = true;
  return r;
}

}  // namespace quorvane::em
