// Numbers in text, read from the front: leading white space skipped, the
// number found there taken and anything after it ignored; text without a
// number reads as 0.
#pragma once

#include <string_view>

namespace text {

// Powers of ten from 10^0 to 10^15, each exact in a double, as is every
// whole number below 10^15.
inline constexpr double EXACT_POWERS_OF_TEN[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// A decimal number, read the way every field of the program is read: the
// longest decimal number at the front. "inf", "infinity" and "nan" in any
// case read as infinity and not-a-number; hexadecimal text reads as its
// leading 0.
double read_decimal(std::string_view text);

// True when text, with the blanks (spaces and tabs) around it removed, is one
// decimal number and nothing else: an optional sign, digits with an optional
// point (".5" and "5." count), an optional exponent ("1.2E3"); or the words
// for infinity and not-a-number that read_decimal reads. Empty or blank
// text, a number followed by anything but blanks ("12m", "12 5", "1e"),
// hexadecimal text and full-width digits are no number.
bool is_decimal_number(std::string_view text);

// text without the blanks (spaces and tabs) around it.
std::string_view trim_blanks(std::string_view text);

// The length of the plain decimal number at the start of text (an optional
// sign, digits, an optional point and digits: no exponent, no words), 0
// when it has no digit; fraction_digits gets the digits after its point.
std::size_t plain_decimal_length(std::string_view text, int& fraction_digits);

// The largest stop_at of read_integer: its results, at most 999,999,999,
// fit even a 32-bit long.
inline constexpr long INTEGER_STOP_MAX = 100'000'000;

// A whole number, read the way the Run checks read a control or an option
// and the settings file reads a file type: blanks, an optional sign, then
// the digits up to the first non-digit. Digits stop being taken once the
// value has reached stop_at (at most INTEGER_STOP_MAX), so no text
// overflows. 1 when the text is empty (value unchanged), else 0.
int read_integer(std::string_view text, long& value, long stop_at = INTEGER_STOP_MAX);

}  // namespace text
