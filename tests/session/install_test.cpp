// cmake --install of the build the tests come from, into a folder of their
// own: the two programs in bin/, the demonstration defaults in
// share/quorvane/, nothing else; the installed program runs.
#include <cstdlib>
#include <set>

#include <gtest/gtest.h>

#include "support/session.hpp"

namespace quorvane::testing {
namespace {

namespace fs = std::filesystem;

TEST(InstallTree, ProgramsInBinDefaultsInShareQuorvane) {
  Session prefix("", false);
  const fs::path build = fs::path(QUORVANE_BINARY).parent_path();
  const std::string install = "cmake --install '" + build.string() + "' --prefix '" + prefix.folder().string() +
                              "' >'" + (prefix.folder() / "log").string() + "' 2>&1";
  ASSERT_EQ(std::system(install.c_str()), 0) << prefix.file("log");
  fs::remove(prefix.folder() / "log");

  std::set<std::string> tree;
  for (const auto& e : fs::recursive_directory_iterator(prefix.folder()))
    if (!e.is_directory()) tree.insert(fs::relative(e.path(), prefix.folder()).string());
  EXPECT_EQ(tree, (std::set<std::string>{"bin/quorvane", "bin/quorvane-view", "share/quorvane/QuorvaneDEMO.DEF"}));
  EXPECT_EQ(prefix.file("share/quorvane/QuorvaneDEMO.DEF"), shipped_defaults());

  // The installed program, in a folder holding a copy of the installed defaults.
  const fs::path bin = prefix.folder() / "bin";
  fs::copy_file(prefix.folder() / "share/quorvane/QuorvaneDEMO.DEF", bin / "QuorvaneDEMO.DEF");
  // Eleven empty answers take the defaults up to menu 1, which 4 leaves.
  const std::string run = "cd '" + bin.string() + "' && (printf '\\n%.0s' $(seq 11); echo 4) | ./quorvane >out && " +
                          "./quorvane-view --version >>out";
  ASSERT_EQ(std::system(run.c_str()), 0);
  const std::string out = read_text(bin / "out");
  EXPECT_NE(out.find("End Section`s External Q"), std::string::npos) << out;
  EXPECT_NE(out.find("quorvane-view of Quorvane"), std::string::npos) << out;
}

}  // namespace
}  // namespace quorvane::testing
