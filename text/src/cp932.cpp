#include "text/cp932.h"

namespace text {

std::size_t cp932_file_name_start(std::string_view path) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (is_cp932_lead_byte(c) && i + 1 < path.size()) {
            ++i;
        } else if (c == '\\' || c == '/') {
            start = i + 1;
        }
    }
    return start;
}

std::size_t cp932_fitting_size(std::string_view text, std::size_t max_bytes) {
    std::size_t keep = 0;
    while (keep < text.size()) {
        const std::size_t n = is_cp932_lead_byte(static_cast<unsigned char>(text[keep])) ? 2 : 1;
        if (keep + n > max_bytes) break;
        keep += n;
    }
    return keep < text.size() ? keep : text.size();
}

}  // namespace text
