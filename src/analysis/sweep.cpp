#include "analysis/sweep.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <thread>

#include "platform/threads.hpp"

#include "analysis/analysis_layouts.hpp"
#include "analysis/filter_network.hpp"
#include "analysis/sparam.hpp"
#include "dialogue/fortran_format.hpp"
#include "dialogue/report_layouts.hpp"

namespace quorvane {

using fmt::F;
using fmt::I;
using fmt::X;

namespace {

constexpr float pi = 3.14159274f;

// Spacing of single-precision numbers just above x > 0.
float spacing_above(float x) { return std::nextafter(x, INFINITY) - x; }

// Below the stop frequency every accumulated frequency is at most the largest
// float under fstop, where the spacing of floats is largest; a step must
// exceed half that spacing or the addition rounds back to the same value.
// (At exactly half the spacing a tie rounds to even and may stick, so it is
// refused too.)
float largest_below(float fstop) { return std::nextafter(fstop, -INFINITY); }

// A value of an explanatory line: its Fw.d field without the leading blanks.
// A value too wide for the fixed form (a stop near the float limit) is
// written with an exponent, four significant digits, instead of asterisks.
std::string value_text(float v, int d) {
  const std::string field = F(v, 24, d);
  if (field.find('*') != std::string::npos) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3E", static_cast<double>(v));
    return text;
  }
  return field.substr(field.find_first_not_of(' '));
}

// The decimal exponent of a positive value, floor(log10 v), held to a range
// that keeps the fields of the explanatory lines short.
int decimal_exponent(float v) {
  if (!(v > 0.0f) || !std::isfinite(v)) return 0;
  return static_cast<int>(std::fmin(std::fmax(std::floor(std::log10(v)), -12.0f), 12.0f));
}

}  // namespace

SweepCheck check_sweep(const Qvnfreq& range) {
  SweepCheck check;
  if (!(range.fstart > 0.0f) || !std::isfinite(range.fstart)) {
    check.refusal = SweepRefusal::kStartNotPositive;
    return check;
  }
  if (range.fstart < range.fstop) {
    if (!(range.fstep > 0.0f)) {
      check.refusal = SweepRefusal::kStepNotPositive;
      return check;
    }
    if (range.fstep <= 0.5f * spacing_above(largest_below(range.fstop))) {
      check.refusal = SweepRefusal::kStepTooSmall;
      return check;
    }
  }
  // The rows as the sweep will print them: the running single-precision sum,
  // the test after the row.  Bounded: one row beyond the limit decides.
  float freq = range.fstart - range.fstep;
  long rows = 0;
  while (rows <= kMaxSweepRows) {
    const float next = freq + range.fstep;
    ++rows;
    if (next >= range.fstop) break;
    if (!(next > freq)) {
      // Only a start at or above the stop can get here: the first sum fell
      // just below the stop and the step cannot move it on.
      check.refusal = range.fstep > 0.0f ? SweepRefusal::kStepTooSmall : SweepRefusal::kStepNotPositive;
      return check;
    }
    freq = next;
  }
  if (rows > kMaxSweepRows) {
    check.refusal = SweepRefusal::kTooManyRows;
    return check;
  }
  check.rows = rows;
  return check;
}

std::string refusal_line(SweepRefusal refusal, const Qvnfreq& range) {
  const std::string lead = fmt::fill(fmt::not_run_lead(), {});
  switch (refusal) {
    case SweepRefusal::kNone: return {};
    case SweepRefusal::kStartNotPositive:
      return lead + "the Start Frequency is " + value_text(range.fstart, 3) +
             " MHz; enter a Start Frequency above 0 MHz.";
    case SweepRefusal::kStepNotPositive:
      return lead + "the Step Frequency is " + value_text(range.fstep, 3) +
             " MHz; enter a Step Frequency above 0 MHz.";
    case SweepRefusal::kStepTooSmall: {
      // The step with four significant digits, and the spacing of floats
      // near the stop rounded up to one significant digit: a step that large
      // moves every sum.
      const int step_digits = std::max(3, 3 - decimal_exponent(range.fstep));
      const float spacing = spacing_above(largest_below(range.fstop));
      const int k = decimal_exponent(spacing);
      const float unit = std::pow(10.0f, static_cast<float>(k));
      const float enough = std::ceil(spacing / unit) * unit;
      return lead + "a Step of " + value_text(range.fstep, step_digits) + " MHz cannot advance the frequency near " +
             value_text(range.fstop, 3) + " MHz; enter a Step of at least " + value_text(enough, std::max(1, -decimal_exponent(enough))) +
             " MHz.";
    }
    case SweepRefusal::kTooManyRows:
      return lead + "this range needs more than " + I(kMaxSweepRows, 6) +
             " frequencies; enter a larger Step or a narrower range.";
  }
  return {};
}

ResponseRow response_row(float freq, Complex s11, Complex s21, Complex zinput) {
  const float degrees = 180.0f / pi;
  ResponseRow r;
  r.freq = freq;
  r.phases11 = std::atan2(s11.imag(), s11.real()) * degrees;
  r.phases21 = std::atan2(s21.imag(), s21.real()) * degrees;
  float s11mag = std::sqrt(s11.real() * s11.real() + s11.imag() * s11.imag());
  float s21mag = s21.real() * s21.real() + s21.imag() * s21.imag();
  if (s11mag > 0.9995f) s11mag = 0.9995f;
  if (s21mag < 1.0e-20f) s21mag = 1.0e-20f;
  r.s11db = 20.0f * std::log10(s11mag);
  r.s21db = 10.0f * std::log10(s21mag);
  r.vswrin = (1.0f + s11mag) / (1.0f - s11mag);
  if (r.vswrin > 99.99f) r.vswrin = 99.99f;
  r.tempzini = zinput.imag();
  if (r.tempzini > 999.99f) r.tempzini = 999.99f;
  r.tempzin = zinput.real();
  return r;
}

std::vector<std::string> column_header(int ivswr) {
  if (ivswr == 2) {
    return {"",
            X(58) + "Thru Path",
            fmt::fill(fmt::format2_head(), {}),
            X(7) + "Frequency ---------------------  Port   Port      Loss    Phase",
            X(9) + "(MHz)      Real    Imaginary   VSWR   Phase    (dB)    (Deg)",
            fmt::fill(fmt::rule72(), {})};
  }
  return {"",
          fmt::fill(fmt::format1_head(), {}),
          X(7) + "   MHz      VSWR   RL,dB   Phase   Real    Imag      dB     Phase",
          fmt::fill(fmt::format1_rule(), {})};
}

std::string response_line(int ivswr, const ResponseRow& r) {
  char line[kResponseLineLength];
  return std::string(line, put_response_line(line, ivswr, r));
}

char* put_response_line(char* out, int ivswr, const ResponseRow& r) {
  if (ivswr == 2)
    return fmt::put_line(out, fmt::format2_row(), {r.freq, r.tempzin, r.tempzini, r.vswrin, r.phases11, r.s21db, r.phases21});
  return fmt::put_line(out, fmt::format1_row(),
                       {r.freq, r.vswrin, r.s11db, r.phases11, r.tempzin, r.tempzini, r.s21db, r.phases21});
}

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

// What every row of a sweep needs; read only while the rows are computed.
struct SweepRows {
  const FilterNetwork& network;
  Complex zsc, zlc;
  float fstep;
  int ivswr;
};

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
    workers_ = platform::start_threads(static_cast<size_t>(threads), [this] { work(); });
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

// The rows of a sweep through `report`, in order, on every thread the sweep
// may use; a sweep of one block, or on one thread, runs on the caller alone.
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

}  // namespace

void qvna(int msorsl, int isections, const SectionValues& flength, float er, DesignState& state, Report& report) {
  const Qvnfreq range = state.qvnfreq;
  const SweepCheck check = check_sweep(range);
  if (check.refusal != SweepRefusal::kNone) {
    report.both(refusal_line(check.refusal, range));
    return;
  }
  const int ivswr = state.control.ivswr;
  report.both_grouped(column_header(ivswr));

  // Without a construction the stripline model analyses the electrical design
  // in air with b = 0; the losses are all 0, so no dimension enters.
  if (msorsl == 0) state.qvnms.b = 0.0f;
  const FilterNetwork network(msorsl, isections, flength, er, state);
  const Complex zsc(state.qvnzo.zs, 0.0f);
  const Complex zlc(state.qvnzo.zl, 0.0f);

  const SweepRows rows{network, zsc, zlc, range.fstep, ivswr};
  sweep_rows(rows, range, check.rows, report);

  const std::string source = fmt::fill(fmt::source_line(), {state.qvnzo.zs});
  const std::string load = fmt::fill(fmt::load_impedance_line(), {state.qvnzo.zl});
  const std::string rule = fmt::fill(fmt::rule72(), {});
  const std::string notice = fmt::fill(fmt::stored_line_analysis(), {state.control.fnstore});
  report.console(source);
  report.console(load);
  report.console(rule);
  if (report.storing()) {
    report.file(source);
    report.file(load);
    report.console(notice);
    report.file(rule);
    report.file(notice);
  }
}

}  // namespace quorvane
