#include "analysis/row_pipeline.hpp"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <thread>

#include "analysis/sparam.hpp"
#include "platform/threads.hpp"

namespace quorvane {

int sweep_thread_count() {
  if (const char* text = std::getenv("QUORVANE_THREADS")) {
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && n >= 1) return static_cast<int>(std::min<long>(n, kMaxSweepThreads));
  }
  const unsigned hardware = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp<unsigned>(hardware, 1u, kMaxSweepThreads));
}

namespace {

// Where a block of consecutive rows starts.
struct BlockStart {
  long count = 0;       // rows in the block
  float before = 0.0f;  // the running frequency before its first row
};

// A block of rows and their printed text.
struct RowBlock : BlockStart {
  std::vector<char> text = std::vector<char>(static_cast<size_t>(kSweepBlockRows) * kResponseLineLength);
  std::vector<int> ends = std::vector<int>(static_cast<size_t>(kSweepBlockRows));  // end of each line in text
};

// The rows of a block: the frequency continues the running single-precision
// sum from the block's start, so every row has the bits of a one-by-one sweep.
void compute_block(const SweepRows& c, RowBlock& block) {
  float freq = block.before;
  char* const base = block.text.data();
  char* p = base;
  for (long k = 0; k < block.count; ++k) {
    freq = freq + c.fstep;
    const SParameters sp = sparam(c.network.at(freq), c.zsc, c.zlc);
    p = put_response_line(p, c.ivswr, response_row(freq, sp.s11, sp.s21, sp.zinput));
    block.ends[static_cast<size_t>(k)] = static_cast<int>(p - base);
  }
}

void write_block(const RowBlock& block, Report& report) {
  int begin = 0;
  for (long k = 0; k < block.count; ++k) {
    const int end = block.ends[static_cast<size_t>(k)];
    report.both(std::string_view(block.text.data() + begin, static_cast<size_t>(end - begin)));
    begin = end;
  }
}

// Worker threads compute the blocks in order of their index into a ring of
// slots, a block only once its slot's previous block has been written; the
// calling thread writes the blocks in order and is the only one that writes.
// At most `slots` blocks exist at any time, whatever the number of rows.
class RowPipeline {
 public:
  RowPipeline(const SweepRows& rows, std::vector<BlockStart> layout, int threads)
      : rows_(rows), slots_(static_cast<size_t>(2 * threads)), starts_(std::move(layout)) {
    for (size_t i = 0; i < slots_.size(); ++i) slots_[i].turn = i;
    start_workers(threads);
  }

  // No worker could be started: the caller computes the rows alone.
  bool idle() const { return workers_.empty(); }

  RowPipeline(const RowPipeline&) = delete;
  RowPipeline& operator=(const RowPipeline&) = delete;

  // Stops the workers (also when writing failed) and waits for them.
  ~RowPipeline() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : workers_) t.join();
  }

  void write_all(Report& report) {
    for (size_t b = 0; b < starts_.size(); ++b) {
      Slot& slot = slots_[b % slots_.size()];
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return (slot.turn == b && slot.ready) || failure_; });
        if (failure_) std::rethrow_exception(failure_);
      }
      write_block(slot.rows, report);
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        slot.ready = false;
        slot.turn = b + slots_.size();
      }
      changed_.notify_all();
    }
  }

 private:
  // Through the one thread start of every program: fewer workers, or none,
  // when the system refuses a thread.
  void start_workers(int threads) {
    workers_ = platform::start_threads(static_cast<size_t>(threads), [this] { work(); });
  }

  // Block b goes into slot b % slots: its turn comes once block b - slots
  // has been written.
  struct Slot {
    size_t turn = 0;     // the block the slot is for: being computed, or ready
    bool ready = false;  // the block is computed and not yet written
    RowBlock rows;
  };

  void work() {
    for (;;) {
      Slot* slot = nullptr;
      size_t b = 0;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        if (stop_ || next_ >= starts_.size()) return;
        b = next_++;
        slot = &slots_[b % slots_.size()];
        changed_.wait(lock, [&] { return slot->turn == b || stop_; });
        if (stop_) return;
        static_cast<BlockStart&>(slot->rows) = starts_[b];
      }
      try {
        compute_block(rows_, slot->rows);
      } catch (...) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!failure_) failure_ = std::current_exception();
      }
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        slot->ready = true;
      }
      changed_.notify_all();
    }
  }

  const SweepRows& rows_;
  std::vector<Slot> slots_;
  std::vector<BlockStart> starts_;
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t next_ = 0;  // the next block a worker takes
  bool stop_ = false;
  std::exception_ptr failure_;
  std::vector<std::thread> workers_;
};


}  // namespace

void sweep_rows(const SweepRows& rows, const Qvnfreq& range, long count, Report& report) {
  // The frequency is the running single-precision sum, as check_sweep counted it.
  std::vector<BlockStart> starts;
  float freq = range.fstart - range.fstep;
  for (long first = 0; first < count; first += kSweepBlockRows) {
    const long n = std::min<long>(kSweepBlockRows, count - first);
    starts.push_back({n, freq});
    for (long k = 0; k < n; ++k) freq = freq + range.fstep;
  }
  const int threads = static_cast<int>(std::min<size_t>(static_cast<size_t>(sweep_thread_count()), starts.size()));
  if (threads > 1) {
    RowPipeline pipeline(rows, starts, threads);
    if (!pipeline.idle()) return pipeline.write_all(report);
  }
  RowBlock block;
  for (const BlockStart& start : starts) {
    static_cast<BlockStart&>(block) = start;
    compute_block(rows, block);
    write_block(block, report);
  }
}

}  // namespace quorvane
