// Per-section tables.  A design of N poles (2 <= N <= 12) has N+1 coupled
// sections numbered 1 ... N+1, so every per-section table holds 13 entries.
// The tables are indexed by section number from 1, as the filter theory and
// the reports number them; an index outside 1 ... 13 is a program error and
// stops the program at once rather than touching other data.
#pragma once

#include <array>
#include <cstdlib>

namespace quorvane {

inline constexpr int kMaxPoles = 12;
inline constexpr int kMaxSections = kMaxPoles + 1;

template <class T>
class SectionTable {
 public:
  T& operator[](int k) { return values_[checked(k)]; }
  const T& operator[](int k) const { return values_[checked(k)]; }

 private:
  static std::size_t checked(int k) {
    if (k < 1 || k > kMaxSections) std::abort();
    return static_cast<std::size_t>(k - 1);
  }
  std::array<T, kMaxSections> values_{};
};

using SectionValues = SectionTable<float>;

}  // namespace quorvane
