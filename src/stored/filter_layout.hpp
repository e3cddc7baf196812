// Copper of a parallel coupled line bandpass filter, drawn to scale from a
// dimensional report (Cohn, "Parallel-coupled transmission-line-resonator
// filters", IRE Trans. MTT-6, 1958: the classic staggered layout).
//
// Coordinates are millimetres, x along the filter from the left end of the
// input feed line, y downwards (the staircase descends from the input to the
// output).  There are N+2 strips for an N-pole filter: strip 0 is the input
// feed line joined to the first strip of section 1; strip j (1 ... N) is the
// resonator j, the second strip of section j joined to the first strip of
// section j+1 (each half a quarter wavelength of its own section); strip N+1
// is the second strip of section N+1 joined to the output feed line.
//
// Where a strip changes width (between its two halves, and at a feed line),
// the narrower half is laid flush with one edge of the wider half: with the
// bottom edge when the left half is the wider, with the top edge when the
// right half is the wider.  The strip that begins below at that x, and the
// one that ends above, then keep at least the gap of their own section from
// the corner, so that copper of neighbouring strips never touches whatever
// the widths.  (A centred step lets the wide half reach past the gap.)
#pragma once

#include <string>
#include <vector>

#include "stored/storage_parser.hpp"

namespace quorvane::stored {

struct Point {
  float x = 0.0f, y = 0.0f;  // mm
};

struct Rect {
  float x0 = 0.0f, y0 = 0.0f, x1 = 0.0f, y1 = 0.0f;  // mm, x0 < x1, y0 < y1
};

struct Strip {
  int index = 0;              // 0 input ... N+1 output
  std::vector<Rect> parts;    // left half then right half, touching at one x
  std::vector<Point> outline; // closed polygon (first point not repeated)
};

struct SectionMark {
  int section = 0;            // K
  float x0 = 0.0f, x1 = 0.0f; // mm, along the filter
  float w_mm = 0.0f, s_mm = 0.0f, length_mm = 0.0f;  // length_mm: as drawn
  float printed_length_mm = 0.0f;  // the report's length (reconciled with its total)
  float open_end_mm = 0.0f;        // shortening for the open ends (0 as printed)
  float gap_y0 = 0.0f, gap_y1 = 0.0f;  // the gap between the coupled strips
};

struct FilterLayout {
  std::vector<Strip> strips;
  std::vector<SectionMark> sections;
  float feed_width_mm = 0.0f;   // width of the Zo line
  float feed_length_mm = 0.0f;  // each end
  float coupled_length_mm = 0.0f;  // sum of the section lengths
  Rect bounds;                  // of all copper
  float min_clearance_mm = 0.0f;  // smallest distance between copper of different strips
  bool compensated = false;     // the sections are shortened for their open ends
  std::vector<std::string> warnings;
};

// How the drawings give the section lengths: shortened by the open-end
// extension of their strips, so that the board lands on its centre
// frequency (the default), or as the report prints them.
enum class CopperDrawing { Compensated, AsPrinted };

// The one wording of every drawing for either way.
std::string copper_note(bool compensated);

// Feed lines: the width of the Zo line of the report, and a quarter
// wavelength on it (the report's "Quarter Wavelength") for their length.
// Widths and gaps come from the table's millimetre columns, lengths from its
// inch column (reconciled with the total length) times 25.4.  Throws std::invalid_argument when the table
// cannot be drawn (a width, gap or length that is not a positive number, or
// not one row for each of the N+1 sections).  open_end_in: empty for the
// lengths as printed, else per section the open-end extension (inch) by
// which the coupled section is drawn shorter (each strip of it loses that
// much at its open end; the feed lines keep their length).
FilterLayout build_layout(const DimensionTable& table, int poles, const std::vector<float>& open_end_in = {});

// The section lengths to draw, inches: the printed lengths, reconciled with
// the printed total (see the definition).  When the two disagree by more
// than the printed digits allow, the printed lengths, and a warning.
std::vector<float> reconciled_lengths(const DimensionTable& table, std::vector<std::string>& warnings);

// Distance between two rectangles: positive when apart, 0 when they touch,
// and minus the smaller overlap depth when they overlap.
float clearance(const Rect& a, const Rect& b);

// Outline of a strip of two touching halves, with repeated and collinear
// corners removed.
std::vector<Point> strip_outline(const Rect& left, const Rect& right);

}  // namespace quorvane::stored
