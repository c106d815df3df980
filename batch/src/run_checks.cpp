#include "batch/run_checks.h"

namespace batch::run_checks {

int read_check_number(std::string_view text, long& value) {
    if (text.empty()) return 1;
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    value = 0;
    // Digits past a million change no check's outcome and cannot overflow.
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && value < 1000000) value = value * 10 + (text[i++] - '0');
    if (negative) value = -value;
    return 0;
}

}  // namespace batch::run_checks
