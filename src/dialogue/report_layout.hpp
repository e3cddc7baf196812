// The layout of a report line, declared once: a sequence of Fortran edit
// descriptors (nX, quoted text, Fw.d, Iw, Aw).  The program prints a line by
// filling its layout with values (the field writer turns each value into its
// columns), and quorvane-view reads the line back with the same layout.
// Because every field has a fixed width, a value is found by its columns,
// never by splitting on blanks, so a field of asterisks (a value too wide
// for its field), "NaN" or "Infinity" stays confined to its own columns.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::fmt {

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

using Layout = std::vector<Field>;

// One value for a Real (float), Integer (int) or Alpha (text) field.
class FieldArg {
 public:
  FieldArg(float v) : kind_(Field::Kind::Real), real_(v) {}
  FieldArg(int v) : kind_(Field::Kind::Integer), integer_(v) {}
  FieldArg(long long v) : kind_(Field::Kind::Integer), integer_(v) {}
  FieldArg(std::string_view v) : kind_(Field::Kind::Alpha), alpha_(v) {}
  FieldArg(const char* v) : FieldArg(std::string_view(v)) {}
  FieldArg(const std::string& v) : FieldArg(std::string_view(v)) {}
  FieldArg(double) = delete;  // the reports print single-precision values only

  Field::Kind kind() const { return kind_; }
  float real() const { return real_; }
  long long integer() const { return integer_; }
  std::string_view alpha() const { return alpha_; }

 private:
  Field::Kind kind_;
  float real_ = 0.0f;
  long long integer_ = 0;
  std::string_view alpha_;
};

// The line of `layout` with `values` in its Real, Integer and Alpha fields,
// in layout order.  A value of the wrong kind, or too many or too few
// values, is a fault of the caller: std::logic_error.
std::string fill(const Layout& layout, std::initializer_list<FieldArg> values);

// The columns of a line of `layout`: every field prints exactly its own.
int layout_width(const Layout& layout);

// The same line written at `out`, which has room for layout_width(layout)
// characters; returns its end.  Allocates nothing for a layout of blanks,
// texts and Fw.d fields (the response rows of a sweep).
char* put_line(char* out, const Layout& layout, std::initializer_list<FieldArg> values);

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
std::optional<LineMatch> match_line(std::string_view line, const Layout& layout);

// Reads one Fw.d field's columns; nothing when they do not hold such a field.
// An all-asterisk field is reported through `overflow` with a NaN value.
std::optional<float> read_real_field(std::string_view columns, int d, bool& overflow);

}  // namespace quorvane::fmt
