#include "yield/yield_analysis.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <limits>
#include <mutex>
#include <thread>

#include "platform/threads.hpp"

#include "yield/yield_random.hpp"

namespace quorvane::yield {

using namespace quorvane::stored;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// One draw within the half-width h: uniform on [-h, h), or normal with sigma h/3.
float draw(SampleRandom& rng, float h, Distribution d) {
  const double z = d == Distribution::Uniform ? 2.0 * rng.uniform() - 1.0 : rng.normal() / 3.0;
  // Scaled in single precision: a half-width near the largest float then
  // gives an infinite draw (an unbuildable board) rather than an
  // out-of-range conversion.
  return h * static_cast<float>(z);
}

// Transmission at f by linear interpolation in dB between the grid points
// around it; NaN outside the grid.
double interpolate(const std::vector<float>& x, const std::vector<float>& y, double f) {
  for (std::size_t i = 0; i + 1 < x.size(); ++i) {
    if (f >= x[i] && f <= x[i + 1]) {
      const double span = static_cast<double>(x[i + 1]) - x[i];
      const double u = span > 0.0 ? (f - x[i]) / span : 0.0;
      return y[i] + u * (static_cast<double>(y[i + 1]) - y[i]);
    }
  }
  if (x.size() == 1 && f == x[0]) return y[0];
  return kNaN;
}

// Where the line through (x0, y0), (x1, y1) reaches `level`.
double crossing(float x0, float y0, float x1, float y1, double level) {
  const double dy = static_cast<double>(y1) - y0;
  const double u = dy != 0.0 ? (level - y0) / dy : 0.0;
  return x0 + u * (static_cast<double>(x1) - x0);
}

struct SampleOutcome {
  Figures fig;
  bool built = false;
};

}  // namespace

Board sample_board(const Board& nominal, const Tolerances& tol, std::uint64_t seed, std::uint64_t index) {
  SampleRandom rng(seed, index);
  const Distribution d = tol.distribution;
  // Every draw is made whatever its tolerance, in this fixed order, so that
  // a tolerance set to zero leaves the other draws of the sample unchanged.
  const float bias = draw(rng, tol.width, d);
  Board b = nominal;
  b.er = nominal.er + draw(rng, tol.er, d);
  b.h = nominal.h + draw(rng, tol.height, d);
  b.t = std::max(0.0f, nominal.t + draw(rng, tol.thickness, d));
  for (std::size_t k = 0; k < b.sections.size(); ++k) {
    const DrawnSection& n = nominal.sections[k];
    DrawnSection& x = b.sections[k];
    const float outer_a = draw(rng, tol.gap, d);
    const float inner_a = draw(rng, tol.gap, d);
    const float inner_b = draw(rng, tol.gap, d);
    const float outer_b = draw(rng, tol.gap, d);
    x.s = n.s + bias + (inner_a + inner_b);
    x.w = n.w - bias - ((outer_a + inner_a) + (inner_b + outer_b)) * 0.5f;
    x.length = n.length + draw(rng, tol.length, d);
  }
  return b;
}

bool buildable(const Board& b) {
  auto positive = [](float v) { return std::isfinite(v) && v > 0.0f; };
  if (!(std::isfinite(b.er) && b.er >= 1.0f) || !positive(b.h) || !std::isfinite(b.t)) return false;
  if (b.construction == DrawnConstruction::Stripline && !(b.t < b.h)) return false;
  for (const DrawnSection& x : b.sections)
    if (!positive(x.w) || !positive(x.s) || !positive(x.length)) return false;
  return true;
}

Figures figures(const std::vector<float>& freqs, const std::vector<float>& s21db, const Mask& mask) {
  Figures g;
  g.centre = g.bandwidth = g.max_loss = kNaN;
  std::size_t peak = freqs.size();
  for (std::size_t i = 0; i < freqs.size(); ++i)
    if (std::isfinite(s21db[i]) && (peak == freqs.size() || s21db[i] > s21db[peak])) peak = i;
  if (peak < freqs.size()) {
    const double level = static_cast<double>(s21db[peak]) - 3.0;
    double lo = kNaN, hi = kNaN;
    for (std::size_t i = peak; i > 0; --i)
      if (!(s21db[i - 1] > level)) {
        lo = crossing(freqs[i], s21db[i], freqs[i - 1], s21db[i - 1], level);
        break;
      }
    for (std::size_t i = peak; i + 1 < freqs.size(); ++i)
      if (!(s21db[i + 1] > level)) {
        hi = crossing(freqs[i], s21db[i], freqs[i + 1], s21db[i + 1], level);
        break;
      }
    g.centre = 0.5 * (lo + hi);
    g.bandwidth = hi - lo;
  }
  bool any = false;
  double worst = -std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < freqs.size(); ++i) {
    if (freqs[i] < mask.flow || freqs[i] > mask.fhigh) continue;
    any = true;
    const double loss = -static_cast<double>(s21db[i]);
    worst = std::isnan(loss) ? loss : std::max(worst, loss);
    if (std::isnan(worst)) break;
  }
  if (any) g.max_loss = worst;
  g.pass = g.max_loss <= mask.max_loss;
  for (const Rejection& r : mask.rejections) {
    const double rej = -interpolate(freqs, s21db, r.freq);
    g.rejection.push_back(rej);
    g.pass = g.pass && rej >= r.min_db;
  }
  return g;
}

double percentile(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) return kNaN;
  const double h = (static_cast<double>(sorted.size()) - 1.0) * p;
  const std::size_t i = static_cast<std::size_t>(std::floor(h));
  if (i + 1 >= sorted.size()) return sorted.back();
  return sorted[i] + (h - static_cast<double>(i)) * (sorted[i + 1] - sorted[i]);
}

Statistic summarise(double nominal, std::vector<double> values) {
  Statistic s;
  s.nominal = nominal;
  std::erase_if(values, [](double v) { return !std::isfinite(v); });
  s.count = static_cast<int>(values.size());
  if (values.empty()) {
    s.mean = s.sd = s.p5 = s.p95 = kNaN;
    return s;
  }
  // Summed in sample order, about the first value: equal values give their
  // value back exactly, and a spread small beside the value keeps its digits.
  const double first = values.front();
  double sum = 0.0;
  for (const double v : values) sum += v - first;
  s.mean = first + sum / static_cast<double>(values.size());
  double sq = 0.0;
  for (const double v : values) sq += (v - s.mean) * (v - s.mean);
  s.sd = values.size() > 1 ? std::sqrt(sq / static_cast<double>(values.size() - 1)) : 0.0;
  std::sort(values.begin(), values.end());
  s.p5 = percentile(values, 0.05);
  s.p95 = percentile(values, 0.95);
  return s;
}

Interval wilson95(int k, int n) {
  if (n <= 0) return {kNaN, kNaN};
  const double z = 1.959964, z2 = z * z;
  const double nn = n, p = k / nn;
  const double centre = (p + z2 / (2.0 * nn)) / (1.0 + z2 / nn);
  const double half = z / (1.0 + z2 / nn) * std::sqrt(p * (1.0 - p) / nn + z2 / (4.0 * nn * nn));
  return {std::max(0.0, centre - half), std::min(1.0, centre + half)};
}

namespace {

// The one-at-a-time changes: each tolerance moved by +/- its step alone.
struct Move {
  const char* name;
  const char* unit;
  float Tolerances::*field;
  float default_step;
  void (*apply)(Board&, float);
};

const Move kMoves[] = {
    {"width (etch bias)", "inch", &Tolerances::width, 0.0005f,
     [](Board& b, float h) {
       for (DrawnSection& x : b.sections) {
         x.w -= h;
         x.s += h;
       }
     }},
    {"gap (per edge)", "inch", &Tolerances::gap, 0.0005f,
     [](Board& b, float h) {
       // Both inner edges of every section into the copper.
       for (DrawnSection& x : b.sections) {
         x.w -= h;
         x.s += 2.0f * h;
       }
     }},
    {"er", "1", &Tolerances::er, 0.05f, [](Board& b, float h) { b.er += h; }},
    {"height", "inch", &Tolerances::height, 0.0005f, [](Board& b, float h) { b.h += h; }},
    {"thickness", "inch", &Tolerances::thickness, 0.0002f,
     [](Board& b, float h) { b.t = std::max(0.0f, b.t + h); }},
    {"length", "inch", &Tolerances::length, 0.0005f,
     [](Board& b, float h) {
       for (DrawnSection& x : b.sections) x.length += h;
     }},
};

Figures evaluate(const Board& b, const std::vector<float>& freqs, const Mask& mask) {
  if (!buildable(b)) {
    Figures g = figures({}, {}, mask);
    g.pass = false;
    return g;
  }
  return figures(freqs, respond(b, freqs).s21db, mask);
}

std::vector<SensitivityRow> sensitivity(const Board& nominal, const YieldSetup& setup, int& most) {
  std::vector<SensitivityRow> rows;
  double largest = 0.0;
  most = -1;
  for (const Move& m : kMoves) {
    SensitivityRow r;
    r.name = m.name;
    r.unit = m.unit;
    r.half_width = setup.tol.*m.field;
    r.step = r.half_width > 0.0f ? r.half_width : m.default_step;
    // A thin strip cannot lose more than its thickness: the difference is
    // then taken from the nominal board upward.
    const float down_step =
        m.field == &Tolerances::thickness ? std::min(r.step, nominal.t) : r.step;
    Board up = nominal, down = nominal;
    m.apply(up, r.step);
    m.apply(down, -down_step);
    const Figures a = evaluate(up, setup.freqs, setup.mask);
    const Figures z = evaluate(down, setup.freqs, setup.mask);
    const double two = static_cast<double>(r.step) + down_step;
    r.centre = (a.centre - z.centre) / two;
    r.bandwidth = (a.bandwidth - z.bandwidth) / two;
    r.max_loss = (a.max_loss - z.max_loss) / two;
    const double shift = std::fabs(r.centre * r.half_width);
    if (r.half_width > 0.0f && shift > largest) {
      largest = shift;
      most = static_cast<int>(rows.size());
    }
    rows.push_back(r);
  }
  return rows;
}

// Per-frequency percentiles of one quantity over the samples that were built.
void envelope(const std::vector<float>& cells, const std::vector<char>& built, std::size_t points,
              std::vector<float>& p5, std::vector<float>& p95) {
  p5.assign(points, std::numeric_limits<float>::quiet_NaN());
  p95 = p5;
  std::vector<double> column;
  for (std::size_t f = 0; f < points; ++f) {
    column.clear();
    for (std::size_t s = 0; s < built.size(); ++s) {
      const float v = cells[s * points + f];
      if (built[s] && std::isfinite(v)) column.push_back(v);
    }
    std::sort(column.begin(), column.end());
    if (column.empty()) continue;
    p5[f] = static_cast<float>(percentile(column, 0.05));
    p95[f] = static_cast<float>(percentile(column, 0.95));
  }
}

}  // namespace

namespace {

// The samples' responses: the figures of each, and for a buildable one its
// S21 and S11 in dB at `points` frequencies from index sample * points.
struct SampleResponses {
  std::vector<SampleOutcome> outcome;
  std::vector<float> s21, s11;
  std::vector<char> built;
};

// Analyses samples 0 .. n-1 on the set-up's threads.  Blocks of samples go
// to the threads in turn and every result is stored at its sample's index,
// so the thread count changes nothing.
SampleResponses sample_in_parallel(const Board& nominal, const YieldSetup& setup, int n) {
  const std::size_t points = setup.freqs.size();
  SampleResponses sr{std::vector<SampleOutcome>(static_cast<std::size_t>(n)),
                     std::vector<float>(static_cast<std::size_t>(n) * points),
                     std::vector<float>(static_cast<std::size_t>(n) * points),
                     std::vector<char>(static_cast<std::size_t>(n), 0)};
  constexpr int kBlock = 8;
  const int blocks = (n + kBlock - 1) / kBlock;
  std::atomic<int> next{0};
  std::atomic<int> done{0};
  std::mutex progress_lock;
  auto worker = [&] {
    for (int blk = next++; blk < blocks; blk = next++) {
      for (int i = blk * kBlock; i < std::min(n, (blk + 1) * kBlock); ++i) {
        const std::size_t si = static_cast<std::size_t>(i);
        const Board b = sample_board(nominal, setup.tol, setup.seed, si);
        SampleOutcome& o = sr.outcome[si];
        if (!buildable(b)) {
          o.fig = evaluate(b, setup.freqs, setup.mask);
          continue;
        }
        const Response r = respond(b, setup.freqs);
        std::copy(r.s21db.begin(), r.s21db.end(), sr.s21.begin() + static_cast<long>(si * points));
        std::copy(r.s11db.begin(), r.s11db.end(), sr.s11.begin() + static_cast<long>(si * points));
        o.fig = figures(setup.freqs, r.s21db, setup.mask);
        o.built = true;
        sr.built[si] = 1;
      }
      const int finished = std::min(n, (++done) * kBlock);
      if (setup.progress) {
        std::lock_guard<std::mutex> lock(progress_lock);
        setup.progress(finished, n);
      }
    }
  };
  int threads = setup.threads > 0 ? setup.threads : static_cast<int>(std::thread::hardware_concurrency());
  threads = std::clamp(threads, 1, std::min(64, blocks));
  // A worker's failure (memory that ran out) ends the run after every thread is joined.
  std::exception_ptr failure;
  std::mutex failure_lock;
  const auto guarded = [&] {
    try {
      worker();
    } catch (...) {
      const std::lock_guard<std::mutex> lock(failure_lock);
      if (!failure) failure = std::current_exception();
      next = blocks;
    }
  };
  std::vector<std::thread> pool = platform::start_threads(static_cast<std::size_t>(threads - 1), guarded);
  guarded();
  for (std::thread& t : pool) t.join();
  if (failure) std::rethrow_exception(failure);
  return sr;
}

// The passes, the failures of each limit, and the spread of each figure over
// the buildable samples, in sample order.
void tally(const std::vector<SampleOutcome>& outcome, const Mask& mask, YieldResult& res) {
  std::vector<double> centre, bw, loss;
  std::vector<std::vector<double>> rejection(mask.rejections.size());
  res.failures.assign(1 + mask.rejections.size(), 0);
  for (const SampleOutcome& o : outcome) {
    if (o.fig.pass) ++res.passed;
    if (!(o.fig.max_loss <= mask.max_loss)) ++res.failures[0];
    for (std::size_t r = 0; r < o.fig.rejection.size() && r + 1 < res.failures.size(); ++r)
      if (!(o.fig.rejection[r] >= mask.rejections[r].min_db)) ++res.failures[r + 1];
    if (!o.built) {
      ++res.unbuildable;
      continue;
    }
    centre.push_back(o.fig.centre);
    bw.push_back(o.fig.bandwidth);
    loss.push_back(o.fig.max_loss);
    for (std::size_t r = 0; r < rejection.size(); ++r) rejection[r].push_back(o.fig.rejection[r]);
  }
  res.yield_ci = wilson95(res.passed, res.samples);
  res.centre = summarise(res.nominal_figures.centre, centre);
  res.bandwidth = summarise(res.nominal_figures.bandwidth, bw);
  res.max_loss = summarise(res.nominal_figures.max_loss, loss);
  for (std::size_t r = 0; r < rejection.size(); ++r)
    res.rejection.push_back(summarise(res.nominal_figures.rejection[r], rejection[r]));
}

}  // namespace

YieldResult run_yield(const Board& nominal, const YieldSetup& setup) {
  YieldResult res;
  const int n = std::clamp(setup.samples, 1, kMaxSamples);
  res.samples = n;
  res.nominal = respond(nominal, setup.freqs);
  res.nominal_figures = figures(setup.freqs, res.nominal.s21db, setup.mask);
  const SampleResponses sr = sample_in_parallel(nominal, setup, n);
  tally(sr.outcome, setup.mask, res);
  envelope(sr.s21, sr.built, setup.freqs.size(), res.s21_p5, res.s21_p95);
  envelope(sr.s11, sr.built, setup.freqs.size(), res.s11_p5, res.s11_p95);
  res.sensitivity = sensitivity(nominal, setup, res.most_sensitive);
  return res;
}

}  // namespace quorvane::yield
