#include "grids/decimal.h"

#include <cstdlib>
#include <string>

namespace grids {

namespace {
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
}  // namespace

// Only plain decimal notation counts: "0x1A" reads as 0 and "inf" or "nan"
// read as no number, so a stray word can never become a huge or undefined
// coordinate.
double read_decimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && is_space(text[i])) ++i;
    const std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && is_digit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && is_digit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return 0.0;
    std::size_t end = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && is_digit(text[j])) {
            while (j < text.size() && is_digit(text[j])) ++j;
            end = j;
        }
    }
    char small[64];
    const std::size_t n = end - start;
    if (n < sizeof small) {
        text.copy(small, n, start);
        small[n] = '\0';
        return std::strtod(small, nullptr);
    }
    return std::strtod(std::string(text.substr(start, n)).c_str(), nullptr);
}

}  // namespace grids
