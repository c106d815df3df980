#include "text/number.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <string>

namespace text {

namespace {
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

constexpr std::size_t EXACT_DIGITS = 15;  // 10^15 < 2^53: every such integer is exact

// The standard conversion, for the rare number beyond the range of a double.
double convert_with_strtod(std::string_view number) {
    char small[64];
    if (number.size() < sizeof small) {
        number.copy(small, number.size());
        small[number.size()] = '\0';
        return std::strtod(small, nullptr);
    }
    return std::strtod(std::string(number).c_str(), nullptr);
}

// "inf", "infinity" or "nan" in any case at text[i]: the length of the word,
// or 0.
std::size_t special_word(std::string_view text, std::size_t i, bool& is_nan) {
    const auto starts = [&](std::string_view word) {
        if (text.size() - i < word.size()) return false;
        for (std::size_t k = 0; k < word.size(); ++k) {
            const char c = text[i + k];
            if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != word[k]) return false;
        }
        return true;
    };
    is_nan = false;
    if (starts("infinity")) return 8;
    if (starts("inf")) return 3;
    if (!starts("nan")) return 0;
    is_nan = true;
    return 3;
}
// Where an exponent ("e" or "E", an optional sign, digits) that starts at
// text[i] ends; i when none starts there.
std::size_t exponent_end(std::string_view text, std::size_t i) {
    if (i >= text.size() || (text[i] != 'e' && text[i] != 'E')) return i;
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j == text.size() || !is_digit(text[j])) return i;
    while (j < text.size() && is_digit(text[j])) ++j;
    return j;
}

}  // namespace

// Decimal notation, and the words for infinity and not-a-number as the
// standard conversion reads them: a spreadsheet's "NaN" for a missing
// coordinate must not become 0, the zone's origin, but no number, which no
// computation accepts. Hexadecimal notation does not count: "0x1A" reads as
// its leading 0. The digits are converted without regard to the locale, to
// the same nearest double as the standard conversion gives; a number too
// large for a double reads as an infinity.
double read_decimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && is_space(text[i])) ++i;
    const std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    bool is_nan = false;
    // The words start with a letter: a digit or a point starts no word.
    const bool number_starts = i < text.size() && (is_digit(text[i]) || text[i] == '.');
    if (!number_starts && special_word(text, i, is_nan) != 0) {
        if (is_nan) return std::numeric_limits<double>::quiet_NaN();
        return text[start] == '-' ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    }
    std::size_t digits = 0;
    std::size_t fraction_digits = 0;
    unsigned long long mantissa = 0;
    while (i < text.size() && is_digit(text[i])) {
        mantissa = mantissa * 10 + static_cast<unsigned>(text[i] - '0');
        ++i, ++digits;
        if (digits > EXACT_DIGITS) mantissa = 0;  // no longer used
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && is_digit(text[i])) {
            mantissa = mantissa * 10 + static_cast<unsigned>(text[i] - '0');
            ++i, ++digits, ++fraction_digits;
            if (digits > EXACT_DIGITS) mantissa = 0;
        }
    }
    if (digits == 0) return 0.0;
    const std::size_t end = exponent_end(text, i);
    // At most 15 digits and no exponent, as grid values and coordinates are
    // written: the digits and the power of ten are both exact, so the one
    // rounding of the division gives the nearest double.
    if (end == i && digits <= EXACT_DIGITS) {
        const double magnitude = static_cast<double>(mantissa) / EXACT_POWERS_OF_TEN[fraction_digits];
        return text[start] == '-' ? -magnitude : magnitude;
    }
    // The conversion below takes no leading '+'.
    const std::size_t from = text[start] == '+' ? start + 1 : start;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(text.data() + from, text.data() + end, value);
    if (ec == std::errc() && ptr == text.data() + end) return value;
    return convert_with_strtod(text.substr(start, end - start));
}

std::string_view trim_blanks(std::string_view text) {
    const auto is_blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return text;
}

std::size_t plain_decimal_length(std::string_view text, int& fraction_digits) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && is_digit(text[i])) ++i, ++digits;
    fraction_digits = 0;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && is_digit(text[i])) ++i, ++digits, ++fraction_digits;
    }
    return digits > 0 ? i : 0;
}

bool is_decimal_number(std::string_view text) {
    text = trim_blanks(text);
    int fraction_digits = 0;
    const std::size_t plain = plain_decimal_length(text, fraction_digits);
    if (plain > 0) return exponent_end(text, plain) == text.size();
    // No digits: perhaps the word for infinity or not-a-number.
    const std::size_t i = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    bool is_nan = false;
    const std::size_t word = special_word(text, i, is_nan);
    return word != 0 && i + word == text.size();
}

int read_integer(std::string_view text, long& value, long stop_at) {
    if (text.empty()) return 1;
    stop_at = std::min(stop_at, INTEGER_STOP_MAX);
    std::size_t i = 0;
    while (i < text.size() && is_space(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    value = 0;
    while (i < text.size() && is_digit(text[i]) && value < stop_at) value = value * 10 + (text[i++] - '0');
    if (negative) value = -value;
    return 0;
}

}  // namespace text
