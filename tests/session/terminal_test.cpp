// The same answer bytes typed at a terminal (a pseudo-terminal) and fed from
// a pipe: at the terminal a number that cannot be read is named and asked
// again; from the pipe it ends the session as it always has.
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/session.hpp"

namespace quorvane::testing {
namespace {

struct Typed {
  int status = -1;
  std::string screen;  // the terminal's output, echo included
};

// The program run on a pseudo-terminal in `folder`, `bytes` typed at once.
Typed at_terminal(const std::filesystem::path& folder, const std::string& bytes) {
  int master = -1;
  const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
  if (child == 0) {
    if (chdir(folder.c_str()) == 0) execl(QUORVANE_BINARY, QUORVANE_BINARY, "--record", "rec", nullptr);
    _exit(127);
  }
  Typed t;
  if (child < 0) return t;
  if (write(master, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) return t;
  char buf[4096];
  for (ssize_t n; (n = read(master, buf, sizeof buf)) > 0;) t.screen.append(buf, static_cast<std::size_t>(n));
  close(master);
  int wstatus = 0;
  waitpid(child, &wstatus, 0);
  t.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  return t;
}

TEST(TerminalEntry, ATypoIsAskedAgainAtATerminalAndEndsAPipedScript) {
  struct Case {
    const char* typo;
    std::string named;  // what the message says of it
  };
  const std::string before = "10000\n500\n1\n", after = "0.1\n1\n4\n50\n\n\n\n2\n4\n";
  for (const Case& c : {Case{"0.1 dB", "it ends in \"dB\", read as a unit, not as an exponent"},
                        Case{"0,1", "it holds \",\""}}) {
    SCOPED_TRACE(c.typo);
    const std::string bytes = before + c.typo + "\n" + after;
    Session s;
    const Typed t = at_terminal(s.folder(), bytes + "\x04");  // and then the end of the input
    EXPECT_EQ(t.status, 0) << t.screen;
    EXPECT_NE(t.screen.find(c.named), std::string::npos) << t.screen;
    EXPECT_NE(t.screen.find("End Section`s External Q"), std::string::npos);
    EXPECT_EQ(s.file("rec"), before + after);  // the record replays: the typo is not in it
    const SessionResult piped = s.run(bytes);
    EXPECT_EQ(piped.status, 1);
    EXPECT_EQ(piped.out.find("End Section`s External Q"), std::string::npos);
    EXPECT_NE(piped.err.find(std::string("cannot read \"") + c.typo + "\" as a number"), std::string::npos);
  }
}

}  // namespace
}  // namespace quorvane::testing
