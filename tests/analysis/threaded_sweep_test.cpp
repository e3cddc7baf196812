// The rows of a sweep are computed on worker threads and written by the
// dialogue's thread alone: whole sessions with a 12-pole lossy table of
// 10,001 rows print and store the same bytes on 1, 2 and 7 threads.
#include <cstdlib>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "analysis/sweep.hpp"
#include "support/session.hpp"

namespace quorvane::testing {
namespace {

// QUORVANE_THREADS set for the life of the object, restored afterwards.
class ThreadsVariable {
 public:
  explicit ThreadsVariable(const char* value) {
    if (const char* old = std::getenv("QUORVANE_THREADS")) old_ = old;
    if (value) {
      setenv("QUORVANE_THREADS", value, 1);
    } else {
      unsetenv("QUORVANE_THREADS");
    }
  }
  ~ThreadsVariable() {
    if (old_) {
      setenv("QUORVANE_THREADS", old_->c_str(), 1);
    } else {
      unsetenv("QUORVANE_THREADS");
    }
  }

 private:
  std::optional<std::string> old_;
};

// 12 poles at 10 GHz, 500 MHz, 0.1 dB, default image impedances, no
// storage of the electrical report, then the dimensions (construction
// answers given) not stored, then 8750 to 11250 MHz in 0.25 MHz steps with
// copper, 5 micro-inch, loss tangent 0.0009, format 1, stored in T.txt.
std::string twelve_pole_session(const std::string& construction) {
  return "10000\n500\n1\n0.1\n1\n12\n50\n" + std::string(9, '\n') + construction + "\n\n" +
         "8750\n11250\n0.25\n\n\n2\n4\n0.0009\n1\n1\nT.txt\n\n";
}

TEST(ThreadedSweep, TranscriptAndStorageFileAreTheSameOnAnyNumberOfThreads) {
  struct Case {
    const char* what;
    std::string construction;
  };
  const Case cases[] = {{"microstrip on alumina, strips 0.0002 inch", "1\n\n\n2\n"},
                        {"stripline, strips 0.0014 inch", "2\n\n\n4\n"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SessionResult first;
    std::string first_file;
    for (const char* threads : {"1", "2", "7"}) {
      SCOPED_TRACE(std::string("QUORVANE_THREADS=") + threads);
      const ThreadsVariable variable(threads);
      Session session;
      const SessionResult r = session.run(twelve_pole_session(c.construction));
      ASSERT_EQ(r.status, 0) << r.err;
      const std::string file = session.file("T.txt");
      if (first.out.empty()) {
        first = r;
        first_file = file;
        EXPECT_GT(file.size(), 10001u * 72u);
        continue;
      }
      EXPECT_TRUE(r.out == first.out) << "the transcript differs";
      EXPECT_TRUE(file == first_file) << "the storage file differs";
    }
  }
}

TEST(ThreadedSweep, ThreadCountComesFromTheVariable) {
  const struct {
    const char* value;
    int expected;  // 0: the hardware threads
  } cases[] = {{"1", 1}, {"7", 7}, {"1000", static_cast<int>(kMaxSweepThreads)}, {"0", 0}, {"-3", 0}, {"2x", 0},
               {"", 0}, {nullptr, 0}};
  const ThreadsVariable none(nullptr);
  const int hardware = sweep_thread_count();
  EXPECT_GE(hardware, 1);
  for (const auto& c : cases) {
    const ThreadsVariable variable(c.value);
    EXPECT_EQ(sweep_thread_count(), c.expected ? c.expected : hardware) << (c.value ? c.value : "(unset)");
  }
}

}  // namespace
}  // namespace quorvane::testing
