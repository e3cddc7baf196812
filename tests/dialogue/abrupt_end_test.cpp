// A real process killed with SIGKILL after its k-th report line leaves
// exactly those k lines in the storage file: each line is flushed as written.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "support/session.hpp"

namespace quorvane::testing {
namespace {

// Starts the program in `folder` with a pipe for its console; returns its pid.
pid_t start_program(const std::filesystem::path& folder, int& to_child, int& from_child) {
  int in_pipe[2];
  int out_pipe[2];
  if (pipe(in_pipe) != 0 || pipe(out_pipe) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(in_pipe[0], 0);
    dup2(out_pipe[1], 1);
    close(in_pipe[1]);
    close(out_pipe[0]);
    if (chdir(folder.c_str()) != 0) _exit(127);
    execl(QUORVANE_BINARY, QUORVANE_BINARY, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(in_pipe[0]);
  close(out_pipe[1]);
  to_child = in_pipe[1];
  from_child = out_pipe[0];
  return pid;
}

// Kills the program once it waits at the operation menu with the whole
// electrical report written; the file holds exactly the console's report.
TEST(KilledSession, StorageFileHoldsEveryLineWrittenBeforeTheKill) {
  Session session;
  int to_child = -1;
  int from_child = -1;
  const pid_t pid = start_program(session.folder(), to_child, from_child);
  ASSERT_GT(pid, 0);
  const std::string script = "10000\n500\n1\n0.1\n1\n4\n50\n\n\n\n1\nK.txt\n";
  ASSERT_EQ(write(to_child, script.data(), script.size()), static_cast<ssize_t>(script.size()));
  std::string console;
  const std::string menu = "OPERATION selected = ";
  char buf[256];
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  fcntl(from_child, F_SETFL, O_NONBLOCK);
  while (std::chrono::steady_clock::now() < deadline && !console.ends_with(menu)) {
    const ssize_t got = read(from_child, buf, sizeof buf);
    if (got > 0) {
      console.append(buf, static_cast<std::size_t>(got));
    } else if (got == 0) {
      break;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  close(to_child);
  close(from_child);
  ASSERT_TRUE(console.ends_with(menu)) << console;
  ASSERT_TRUE(WIFSIGNALED(status));
  const std::string stored = session.file("K.txt");
  ASSERT_EQ(lines_of(stored).size(), 29u);
  EXPECT_NE(console.find(stored.substr(1)), std::string::npos);
  EXPECT_TRUE(stored.ends_with("Output data stored in User filename: K.txt               \n"));
}

}  // namespace
}  // namespace quorvane::testing
