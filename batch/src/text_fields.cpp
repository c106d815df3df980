#include "batch/text_fields.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "geodesy/angles.h"
#include "text/number.h"

namespace batch {

namespace {

constexpr double FULL_CIRCLE_SECONDS = 1296000;
constexpr double FULL_CIRCLE_TOLERANCE = 0.0001;

void vformat_into(std::string& out, const char* format, std::va_list args) {
    std::va_list again;
    va_copy(again, args);
    out.resize(out.capacity() > 0 ? out.capacity() : 15);
    const int n = std::vsnprintf(out.data(), out.size() + 1, format, args);
    if (n < 0) {
        out.clear();
    } else if (static_cast<std::size_t>(n) <= out.size()) {
        out.resize(static_cast<std::size_t>(n));
    } else {
        out.resize(static_cast<std::size_t>(n));
        std::vsnprintf(out.data(), out.size() + 1, format, again);
    }
    va_end(again);
}

// Decimals of the second per row of the angle text (n = 0..4, then any
// other n), and what is added to the seconds before they are split, so
// that cut fractions carry.
constexpr int DMS_DIGITS[6] = {0, 1, 2, 3, 4, 5};
constexpr double DMS_NUDGE[6] = {0, 0.0001, 0.00001, 0.000001, 0.0000001, 0};

// Huge values are first brought near a circle with the exact floating-point
// remainder; below this many circles the steps are taken one by one, as
// they always were, so that ordinary values keep their every bit.
constexpr double STEPWISE_LIMIT = 64 * FULL_CIRCLE_SECONDS;

// The columns of the text "%<width>.<min_digits>d" gives for value.
void append_integer(std::string& out, long long value, int width, int min_digits) {
    char digits[24];
    const unsigned long long magnitude =
        value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, magnitude);
    const int n = static_cast<int>(end - digits);
    const int zeros = min_digits > n ? min_digits - n : 0;
    const int length = (value < 0 ? 1 : 0) + zeros + n;
    if (width > length) out.append(static_cast<std::size_t>(width - length), ' ');
    if (value < 0) out.push_back('-');
    out.append(static_cast<std::size_t>(zeros), '0');
    out.append(digits, static_cast<std::size_t>(n));
}

}  // namespace

void format_into(std::string& out, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    vformat_into(out, format, args);
    va_end(args);
}

void get_field(std::string_view line, int n, std::string& destination) {
    destination.clear();
    // A line feed ends the line before any later comma.
    const std::string_view text = line.substr(0, line.find('\n'));
    std::size_t i = 0;
    for (int field = 1; field < n; ++field) {
        const std::size_t comma = text.find(',', i);
        if (comma == std::string_view::npos) return;
        i = comma + 1;
    }
    const std::size_t comma = text.find(',', i);
    destination.assign(text.substr(i, comma == std::string_view::npos ? std::string_view::npos : comma - i));
}

namespace {

// Most decimals the exact short way below takes, and the largest value it
// takes: a 53-bit mantissa times 10^9 stays below 2^83, and the rounded
// value below 10^18 fits a 64-bit word.
constexpr int SHORT_WAY_DECIMALS = 9;
constexpr double SHORT_WAY_LIMIT = 1e9;

__extension__ typedef unsigned __int128 Wide;

// The fixed text of value with decimals places, as the standard conversion
// writes it (the exact binary value rounded half to even), for a value
// whose binary exponent leaves a fraction: the mantissa times 10^decimals
// is exact in 128 bits, and the bits shifted out decide the rounding. 0 when
// the value is too large for this way (it has no fraction bits), else the
// length written into text.
int short_fixed(double value, int decimals, char* text) {
    if (!(std::fabs(value) < SHORT_WAY_LIMIT)) return 0;
    // value = mantissa * 2^-shift exactly, from the bits of the double.
    const auto bits = std::bit_cast<unsigned long long>(value);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    unsigned long long mantissa = bits & ((1ULL << 52) - 1);
    if (biased != 0) mantissa |= 1ULL << 52;
    const int shift = 1075 - (biased != 0 ? biased : 1);
    if (shift <= 0) return 0;
    static constexpr unsigned long long POWERS[SHORT_WAY_DECIMALS + 1] = {
        1ULL, 10ULL, 100ULL, 1000ULL, 10000ULL, 100000ULL, 1000000ULL, 10000000ULL, 100000000ULL, 1000000000ULL};
    const Wide scaled = static_cast<Wide>(mantissa) * POWERS[decimals];
    unsigned long long q = 0;
    if (shift < 100) {
        q = static_cast<unsigned long long>(scaled >> shift);
        const Wide rest = scaled - (static_cast<Wide>(q) << shift);
        const Wide half = static_cast<Wide>(1) << (shift - 1);
        if (rest > half || (rest == half && (q & 1) != 0)) ++q;
    }
    char* p = text;
    if (std::signbit(value)) *p++ = '-';
    const unsigned long long whole = q / POWERS[decimals];
    const unsigned long long part = q % POWERS[decimals];
    p = std::to_chars(p, text + 40, whole).ptr;
    if (decimals > 0) {
        *p++ = '.';
        char* const end = p + decimals;
        unsigned long long rest = part;
        for (char* d = end; d != p;) {
            *--d = static_cast<char>('0' + rest % 10);
            rest /= 10;
        }
        p = end;
    }
    return static_cast<int>(p - text);
}

}  // namespace

void append_fixed(std::string& out, double value, int decimals, int width) {
    // Room for the longest fixed text of a double: 309 digits, sign, point
    // and the decimals.
    char digits[400];
    if (std::isfinite(value) && decimals >= 0 && decimals <= SHORT_WAY_DECIMALS) {
        if (const int n = short_fixed(value, decimals, digits); n > 0) {
            if (width > n) out.append(static_cast<std::size_t>(width - n), ' ');
            out.append(digits, static_cast<std::size_t>(n));
            return;
        }
    }
    std::to_chars_result r{digits, std::errc::value_too_large};
    if (std::isfinite(value)) r = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) {
        out.append(static_cast<std::size_t>(width), '*');
        return;
    }
    const int n = static_cast<int>(r.ptr - digits);
    if (width > n) out.append(static_cast<std::size_t>(width - n), ' ');
    out.append(digits, static_cast<std::size_t>(n));
}

void append_coordinate(std::string& out, double value, int decimals) {
    double rounded = geodesy::round_decimals(value, decimals);
    if (!std::isfinite(rounded) && std::isfinite(value)) rounded = value;
    append_fixed(out, rounded, decimals, decimals + 9);
}

double normalize_seconds(double seconds) {
    if (!std::isfinite(seconds)) return seconds;
    if (std::fabs(seconds) > STEPWISE_LIMIT) seconds = std::fmod(seconds, FULL_CIRCLE_SECONDS);
    while (seconds < 0) seconds += FULL_CIRCLE_SECONDS;
    if (!(std::fabs(seconds - FULL_CIRCLE_SECONDS) < FULL_CIRCLE_TOLERANCE)) {
        while (seconds > FULL_CIRCLE_SECONDS) seconds -= FULL_CIRCLE_SECONDS;
    }
    return seconds;
}

void format_dms(double angle, int n, std::string& text) {
    const bool fraction = n >= 1;
    const int row = (n >= 0 && n <= 4) ? n : 5;
    const int digits = DMS_DIGITS[row];
    text.clear();

    double S = geodesy::rad_to_sec(std::fabs(angle));
    if (n == 0) {
        S = geodesy::round_decimals(S, 0);
    } else {
        S += DMS_NUDGE[row];
    }
    S = normalize_seconds(S);
    if (!std::isfinite(S)) {
        text.append("****-**-**");
        if (fraction) text.append(1, '.').append(static_cast<std::size_t>(digits), '*');
        return;
    }

    const int degrees = static_cast<int>(geodesy::sign_of(angle) * std::floor(S / 3600));
    const int minutes = static_cast<int>(std::fmod(std::floor(S / 60), 60.0));
    const double seconds = std::fmod(S, 60.0);
    int whole_seconds;
    int fraction_digits = 0;
    if (!fraction) {
        whole_seconds = static_cast<int>(geodesy::round_decimals(seconds, 0));
    } else {
        whole_seconds = static_cast<int>(std::floor(seconds));
        fraction_digits = static_cast<int>(std::floor((seconds - std::floor(seconds)) * text::EXACT_POWERS_OF_TEN[digits]));
    }

    // A negative angle under one degree: the zero degrees cannot carry the
    // sign, so the degree columns are the fixed text "  -0".
    if (angle < 0 && degrees == 0) {
        text.append("  -0");
    } else {
        append_integer(text, degrees, 4, 1);
    }
    text.push_back('-');
    append_integer(text, minutes, 2, 2);
    text.push_back('-');
    append_integer(text, whole_seconds, 2, 2);
    if (fraction) {
        text.push_back('.');
        append_integer(text, fraction_digits, digits, digits);
    }
}

}  // namespace batch
