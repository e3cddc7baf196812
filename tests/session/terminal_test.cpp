// The same answer bytes typed at a terminal (a pseudo-terminal) and fed from
// a pipe: at the terminal a number that cannot be read is named and asked
// again; from the pipe it ends the session as it always has.
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

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
    std::string named;  // what the message at the terminal says of it
    std::string piped;  // what the error line from a pipe says, as it always has
  };
  const std::string before = "10000\n500\n1\n", after = "0.1\n1\n4\n50\n\n\n\n2\n4\n";
  for (const Case& c : {Case{"0.1 dB", "it ends in \"dB\", read as a unit, not as an exponent",
                             "it holds \"B\", a character that cannot be part of a number"},
                        Case{"0,1", "it holds \",\"", "it holds \",\", a character that cannot be part of a number"}}) {
    SCOPED_TRACE(c.typo);
    const std::string bytes = before + c.typo + "\n" + after;
    Session s;
    const Typed t = at_terminal(s.folder(), bytes + "\x04");  // and then the end of the input
    EXPECT_EQ(t.status, 0) << t.screen;
    EXPECT_NE(t.screen.find(c.named), std::string::npos) << t.screen;
    EXPECT_NE(t.screen.find("End Section`s External Q"), std::string::npos);
    EXPECT_EQ(s.file("rec"), before + after);  // the record replays: the typo is not in it
    std::ofstream(s.folder() / "typed") << bytes;
    const std::string run = "cd '" + s.folder().string() + "' && cat typed | '" QUORVANE_BINARY "' >out 2>err";
    EXPECT_EQ(WEXITSTATUS(std::system(run.c_str())), 1);
    EXPECT_EQ(s.file("out").find("End Section`s External Q"), std::string::npos);
    EXPECT_EQ(s.file("err"), std::string("Quorvane: cannot read \"") + c.typo + "\" as a number (" + c.piped +
                                 "); a number such as 12, -0.5 or 1.5E3 was expected at \"Enter Passband RIPPLE in dB =\".\n");
  }
}

}  // namespace
}  // namespace quorvane::testing
