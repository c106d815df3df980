// Text tools shared by the file formats: fields split at commas, numbers and
// angles as fixed-column text, and printf-style formatting of messages.
#pragma once

#include <string>
#include <string_view>

namespace batch {

// Field n (1-based) of a line: from the start of the line or the comma that
// opens it, up to the next comma, line feed or the end. Blanks belong to the
// field; a field the line lacks is empty.
void get_field(std::string_view line, int n, std::string& destination);

// Appends value with decimals places right-aligned in width columns, the
// digits of the standard "%width.decimalsf" conversion (a minus sign for a
// negative value, negative zero included; a longer number is not cut). A
// value that is not a finite number is never written as one: the columns
// are filled with '*'.
void append_fixed(std::string& out, double value, int decimals, int width);

// A plane coordinate as every output writes it: rounded half away from zero
// to decimals places, in decimals + 9 columns. A finite value too large for
// the rounding is written unrounded (it has no fraction left to round).
void append_coordinate(std::string& out, double value, int decimals);

// Seconds of arc brought into 0..1296000 (a full circle), except that a value
// within 0.0001 of a full circle is kept as it is. Any value ends: huge ones
// are reduced with the floating-point remainder first; a value that is not a
// finite number is returned as it is.
double normalize_seconds(double seconds);

// An angle in radians as "DDDD-MM-SS.ffff" with n decimals of the second
// (5 for n outside 0..4); the fraction is cut, not rounded. At most 16
// characters. An angle that is not a finite number gives the same columns
// in '*' ("****-**-**.****" for n = 4).
void format_dms(double angle, int n, std::string& text);

// printf into out, replacing its content and reusing its storage.
void format_into(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace batch
