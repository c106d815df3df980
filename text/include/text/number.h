// Numbers in text, read the way every field of the program is read: leading
// white space skipped, the longest decimal number at the front taken, and
// anything else ignored; text without a number reads as 0. "inf",
// "infinity" and "nan" in any case read as infinity and not-a-number;
// hexadecimal text reads as its leading 0.
#pragma once

#include <string_view>

namespace text {

double read_decimal(std::string_view text);

}  // namespace text
