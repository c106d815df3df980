// Text tools shared by the file formats: fields split at commas, angles as
// sexagesimal text, and printf-style formatting into reusable strings.
#pragma once

#include <string>
#include <string_view>

namespace batch {

// Field n (1-based) of a line: from the start of the line or the comma that
// opens it, up to the next comma, line feed or the end. Blanks belong to the
// field; a field the line lacks is empty.
void get_field(std::string_view line, int n, std::string& destination);

// Seconds of arc brought into 0..1296000 (a full circle), except that a value
// within 0.0001 of a full circle is kept as it is.
double normalize_seconds(double seconds);

// An angle in radians as "DDDD-MM-SS.ffff" with n decimals of the second
// (5 for n outside 0..4); the fraction is cut, not rounded. At most 16
// characters.
void format_dms(double angle, int n, std::string& text);

// printf into out, replacing its content and reusing its storage. The format
// may be built at run time (the line formats depend on the decimals).
void format_into(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace batch
