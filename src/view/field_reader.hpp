// Reads one report line back by the fixed-column layout that wrote it: a
// sequence of Fortran edit descriptors (nX, quoted text, Fw.d, Iw, Aw).
// Because every field has a fixed width, a value is found by its columns,
// never by splitting on blanks, so a field of asterisks (a value too wide
// for its field), "NaN" or "Infinity" stays confined to its own columns.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::view {

// One edit descriptor of a line layout.
struct Field {
  enum class Kind { Blanks, Text, Real, Integer, Alpha };
  Kind kind = Kind::Blanks;
  int w = 0;              // columns taken (for Text: the length of `text`)
  int d = 0;              // digits after the decimal point (Real only)
  std::string_view text;  // the literal (Text only)
};

constexpr Field blanks(int n) { return {Field::Kind::Blanks, n, 0, {}}; }
constexpr Field text(std::string_view t) {
  return {Field::Kind::Text, static_cast<int>(t.size()), 0, t};
}
constexpr Field real(int w, int d) { return {Field::Kind::Real, w, d, {}}; }
constexpr Field integer(int w) { return {Field::Kind::Integer, w, 0, {}}; }
constexpr Field alpha(int w) { return {Field::Kind::Alpha, w, 0, {}}; }

// The value of one Real, Integer or Alpha field, in layout order.
struct FieldValue {
  float real = 0.0f;      // Real: the number as printed (NaN, +-infinity allowed)
  long long integer = 0;  // Integer
  std::string alpha;      // Alpha: the text without its trailing blanks
  std::string printed;    // the field's columns as they stand in the line
  bool overflow = false;  // the field is all asterisks: the value did not fit
};

struct LineMatch {
  std::vector<FieldValue> values;  // one per Real, Integer and Alpha field
  bool any_overflow = false;
};

// Matches `line` against `layout`.  Text and blank fields must stand exactly
// in their columns, numeric fields must read as the descriptor writes them
// (an Fw.d field has exactly d digits after its point), and anything after
// the last field must be blank.  A line shorter than the layout is read as if
// padded with blanks (trailing blanks are often lost by editors), and a
// carriage return at the end is ignored.  Returns nothing when the line does
// not have this layout.
std::optional<LineMatch> match_line(std::string_view line, const std::vector<Field>& layout);

// Reads one Fw.d field's columns; nothing when they do not hold such a field.
// An all-asterisk field is reported through `overflow` with a NaN value.
std::optional<float> read_real_field(std::string_view columns, int d, bool& overflow);

}  // namespace quorvane::view
