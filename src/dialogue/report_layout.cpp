#include "dialogue/report_layout.hpp"

#include <algorithm>
#include <charconv>
#include <limits>
#include <stdexcept>

#include "dialogue/fortran_format.hpp"

namespace quorvane::fmt {

namespace {

bool all_of(std::string_view s, char c) {
  if (s.empty()) return false;
  for (char ch : s)
    if (ch != c) return false;
  return true;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The columns right-justified in a field: leading blanks, then no blank.
std::optional<std::string_view> right_justified(std::string_view columns) {
  const size_t first = columns.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::nullopt;
  std::string_view body = columns.substr(first);
  if (body.find(' ') != std::string_view::npos) return std::nullopt;
  return body;
}

std::optional<long long> read_integer_field(std::string_view columns, bool& overflow) {
  overflow = all_of(columns, '*');
  if (overflow) return 0;
  const auto body = right_justified(columns);
  if (!body) return std::nullopt;
  std::string_view digits = *body;
  if (!digits.empty() && digits.front() == '-') digits.remove_prefix(1);
  if (digits.empty()) return std::nullopt;
  for (char c : digits)
    if (!is_digit(c)) return std::nullopt;
  long long v = 0;
  const auto [ptr, ec] = std::from_chars(body->data(), body->data() + body->size(), v);
  if (ec != std::errc() || ptr != body->data() + body->size()) return std::nullopt;
  return v;
}

}  // namespace

std::optional<float> read_real_field(std::string_view columns, int d, bool& overflow) {
  overflow = all_of(columns, '*');
  if (overflow) return std::numeric_limits<float>::quiet_NaN();
  const auto body = right_justified(columns);
  if (!body) return std::nullopt;
  std::string_view s = *body;
  if (s == "NaN") return std::numeric_limits<float>::quiet_NaN();
  if (s == "Infinity" || s == "Inf") return std::numeric_limits<float>::infinity();
  if (s == "-Infinity" || s == "-Inf") return -std::numeric_limits<float>::infinity();
  // [-] digits* "." digits{d}: the form Fw.d writes.
  std::string_view unsigned_part = s;
  if (!unsigned_part.empty() && unsigned_part.front() == '-') unsigned_part.remove_prefix(1);
  const size_t point = unsigned_part.find('.');
  if (point == std::string_view::npos) return std::nullopt;
  const std::string_view whole = unsigned_part.substr(0, point);
  const std::string_view fraction = unsigned_part.substr(point + 1);
  if (static_cast<int>(fraction.size()) != d) return std::nullopt;
  if (whole.empty() && fraction.empty()) return std::nullopt;
  for (char c : whole)
    if (!is_digit(c)) return std::nullopt;
  for (char c : fraction)
    if (!is_digit(c)) return std::nullopt;
  float v = 0.0f;
  const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || ptr != s.data() + s.size()) return std::nullopt;
  return v;
}

int layout_width(const Layout& layout) {
  int width = 0;
  for (const Field& f : layout) width += f.w;
  return width;
}

char* put_line(char* out, const Layout& layout, std::initializer_list<FieldArg> values) {
  const FieldArg* next = values.begin();
  for (const Field& f : layout) {
    if (f.kind == Field::Kind::Blanks) {
      out = std::fill_n(out, f.w, ' ');
      continue;
    }
    if (f.kind == Field::Kind::Text) {
      out = std::copy(f.text.begin(), f.text.end(), out);
      continue;
    }
    if (next == values.end() || next->kind() != f.kind)
      throw std::logic_error("report line filled with values that do not fit its layout");
    if (f.kind == Field::Kind::Real) {
      out = put_F(out, next->real(), f.w, f.d);
    } else {
      const std::string field = f.kind == Field::Kind::Integer ? I(next->integer(), f.w) : A(next->alpha(), f.w);
      out = std::copy(field.begin(), field.end(), out);
    }
    ++next;
  }
  if (next != values.end()) throw std::logic_error("report line filled with more values than its layout has fields");
  return out;
}

std::string fill(const Layout& layout, std::initializer_list<FieldArg> values) {
  std::string line(static_cast<size_t>(layout_width(layout)), ' ');
  line.resize(static_cast<size_t>(put_line(line.data(), layout, values) - line.data()));
  return line;
}

std::optional<LineMatch> match_line(std::string_view line, const Layout& layout) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  int width = 0;
  for (const Field& f : layout) width += f.w;
  std::string padded(line);
  if (static_cast<int>(padded.size()) < width) padded.resize(static_cast<size_t>(width), ' ');
  const std::string_view all(padded);

  LineMatch m;
  size_t col = 0;
  for (const Field& f : layout) {
    const std::string_view columns = all.substr(col, static_cast<size_t>(f.w));
    col += static_cast<size_t>(f.w);
    switch (f.kind) {
      case Field::Kind::Blanks:
        if (columns.find_first_not_of(' ') != std::string_view::npos) return std::nullopt;
        break;
      case Field::Kind::Text:
        if (columns != f.text) return std::nullopt;
        break;
      case Field::Kind::Real: {
        FieldValue v;
        v.printed = std::string(columns);
        const auto r = read_real_field(columns, f.d, v.overflow);
        if (!r) return std::nullopt;
        v.real = *r;
        m.any_overflow = m.any_overflow || v.overflow;
        m.values.push_back(std::move(v));
        break;
      }
      case Field::Kind::Integer: {
        FieldValue v;
        v.printed = std::string(columns);
        const auto r = read_integer_field(columns, v.overflow);
        if (!r) return std::nullopt;
        v.integer = *r;
        m.any_overflow = m.any_overflow || v.overflow;
        m.values.push_back(std::move(v));
        break;
      }
      case Field::Kind::Alpha: {
        FieldValue v;
        v.printed = std::string(columns);
        const size_t last = columns.find_last_not_of(' ');
        v.alpha = last == std::string_view::npos ? std::string() : std::string(columns.substr(0, last + 1));
        m.values.push_back(std::move(v));
        break;
      }
    }
  }
  if (all.substr(col).find_first_not_of(' ') != std::string_view::npos) return std::nullopt;
  return m;
}

}  // namespace quorvane::fmt
