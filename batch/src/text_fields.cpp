#include "batch/text_fields.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "geodesy/angles.h"

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

// Formats per number of decimals of the second: the usual one, and the one
// for a negative angle under one degree, whose sign the zero degrees cannot
// carry.
struct DmsFormat {
    const char* normal;
    const char* negative_zero;
    double nudge;  // added before splitting, so that cut fractions carry
};
constexpr DmsFormat DMS_FORMATS[6] = {
    {"%4d-%2.2d-%2.2d", "  -0-%2.2d-%2.2d", 0},
    {"%4d-%2.2d-%2.2d.%1.1d", "  -0-%2.2d-%2.2d.%1.1d", 0.0001},
    {"%4d-%2.2d-%2.2d.%2.2d", "  -0-%2.2d-%2.2d.%2.2d", 0.00001},
    {"%4d-%2.2d-%2.2d.%3.3d", "  -0-%2.2d-%2.2d.%3.3d", 0.000001},
    {"%4d-%2.2d-%2.2d.%4.4d", "  -0-%2.2d-%2.2d.%4.4d", 0.0000001},
    {"%4d-%2.2d-%2.2d.%5.5d", "  -0-%2.2d-%2.2d.%5.5d", 0},
};

}  // namespace

void format_into(std::string& out, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    vformat_into(out, format, args);
    va_end(args);
}

void get_field(std::string_view line, int n, std::string& destination) {
    destination.clear();
    int field = 1;
    std::size_t i = 0;
    while (field < n) {
        const std::size_t comma = line.find(',', i);
        if (comma == std::string_view::npos) return;
        // A line feed ends the line before any later comma.
        const std::size_t lf = line.find('\n', i);
        if (lf != std::string_view::npos && lf < comma) return;
        i = comma + 1;
        ++field;
    }
    std::size_t end = i;
    while (end < line.size() && line[end] != ',' && line[end] != '\n') ++end;
    destination.assign(line.substr(i, end - i));
}

double normalize_seconds(double seconds) {
    while (seconds < 0) seconds += FULL_CIRCLE_SECONDS;
    if (!(std::fabs(seconds - FULL_CIRCLE_SECONDS) < FULL_CIRCLE_TOLERANCE)) {
        while (seconds > FULL_CIRCLE_SECONDS) seconds -= FULL_CIRCLE_SECONDS;
    }
    return seconds;
}

void format_dms(double angle, int n, std::string& text) {
    const bool fraction = n >= 1;
    const int row = (n >= 0 && n <= 4) ? n : 5;
    const int digits = (n >= 1 && n <= 4) ? n : 5;
    const DmsFormat& f = DMS_FORMATS[row];

    double S = geodesy::rad_to_sec(std::fabs(angle));
    if (n == 0) {
        S = geodesy::round_decimals(S, 0);
    } else {
        S += f.nudge;
    }
    S = normalize_seconds(S);

    const int degrees = static_cast<int>(geodesy::sign_of(angle) * std::floor(S / 3600));
    const int minutes = static_cast<int>(std::fmod(std::floor(S / 60), 60.0));
    const double seconds = std::fmod(S, 60.0);
    int whole_seconds;
    int fraction_digits = 0;
    if (!fraction) {
        whole_seconds = static_cast<int>(geodesy::round_decimals(seconds, 0));
    } else {
        whole_seconds = static_cast<int>(std::floor(seconds));
        fraction_digits = static_cast<int>(std::floor((seconds - std::floor(seconds)) * std::pow(10.0, digits)));
    }

    if (angle < 0 && degrees == 0) {
        format_into(text, f.negative_zero, minutes, whole_seconds, fraction_digits);
    } else {
        format_into(text, f.normal, degrees, minutes, whole_seconds, fraction_digits);
    }
}

}  // namespace batch
