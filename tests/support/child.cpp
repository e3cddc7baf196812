#include "support/child.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include "support/session.hpp"

namespace quorvane::testing {

namespace {

int open_sink(Sink sink, const std::filesystem::path& file, int reader_gone) {
  switch (sink) {
    case Sink::kFile: return open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    case Sink::kDevFull: return open("/dev/full", O_WRONLY);
    case Sink::kReaderGone: return reader_gone;
  }
  return -1;
}

void limit(int resource, long bytes) {
  if (bytes <= 0) return;
  const rlimit l{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
  setrlimit(resource, &l);
}

}  // namespace

ChildResult run_child(const ChildSetup& setup) {
  const std::string base = setup.folder.string();
  const std::filesystem::path out_file = base + ".out", err_file = base + ".err", in_file = base + ".in",
                              count_file = base + ".count";
  std::ofstream(in_file, std::ios::binary) << setup.input;
  int gone[2];
  if (pipe(gone) != 0) return {};
  close(gone[0]);
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open(in_file.c_str(), O_RDONLY);
    const int out = open_sink(setup.out, out_file, gone[1]);
    const int err = open_sink(setup.err, err_file, gone[1]);
    if (in < 0 || out < 0 || err < 0 || chdir(setup.folder.c_str()) != 0) _exit(127);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    for (int fd = 3; fd < 64; ++fd) close(fd);
    limit(RLIMIT_FSIZE, setup.file_size_limit);
    limit(RLIMIT_AS, setup.address_space);
    signal(SIGXFSZ, setup.xfsz_ignored ? SIG_IGN : SIG_DFL);
    signal(SIGPIPE, SIG_DFL);
    if (!setup.fault_call.empty()) {
      setenv("LD_PRELOAD", QUORVANE_FAULT_SHIM, 1);
      setenv("QUORVANE_FAULT_CALL", setup.fault_call.c_str(), 1);
      setenv("QUORVANE_FAULT_AT", std::to_string(setup.fault_at).c_str(), 1);
      setenv("QUORVANE_FAULT_ERRNO", std::to_string(setup.fault_errno).c_str(), 1);
      setenv("QUORVANE_FAULT_COUNT", count_file.c_str(), 1);
      if (setup.fault_files_only) setenv("QUORVANE_FAULT_FILES_ONLY", "1", 1);
    }
    // The fault shim comes before the sanitizer runtime in the preload list.
    setenv("ASAN_OPTIONS", "detect_leaks=0:verify_asan_link_order=0", 1);
    std::vector<char*> argv{const_cast<char*>(setup.binary.c_str())};
    for (const std::string& a : setup.args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(setup.binary.c_str(), argv.data());
    _exit(127);
  }
  close(gone[1]);
  ChildResult r;
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  pid_t got = 0;
  while ((got = waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (got != pid) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  } else {
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  r.out = read_text(out_file);
  r.err = read_text(err_file);
  const std::string count = read_text(count_file);
  r.calls = count.empty() ? 0 : std::stol(count);
  for (const auto& f : {out_file, err_file, in_file, count_file}) std::filesystem::remove(f);
  return r;
}

std::vector<std::pair<std::string, std::string>> folder_files(const std::filesystem::path& folder) {
  std::vector<std::pair<std::string, std::string>> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
    files.emplace_back(entry.path().filename().string(), read_text(entry.path()));
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace quorvane::testing
