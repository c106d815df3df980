// CP932 text as bytes: which byte begins a two-byte character, where a
// path's file name starts, and how much of a text fits in a byte limit.
#pragma once

#include <cstddef>
#include <string_view>

namespace text {

// The first byte of a two-byte CP932 character. Its second byte may be 0x5C,
// "\", and is then no path separator.
inline bool is_cp932_lead_byte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The bytes of the character that starts at text[i]: 2 for a lead byte with
// a byte after it, else 1.
inline std::size_t cp932_char_size(std::string_view text, std::size_t i) {
    return is_cp932_lead_byte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

// Where the file name of a CP932 path starts: after its last "\" or "/".
std::size_t cp932_file_name_start(std::string_view path);

// How many bytes of text to keep so that it holds at most max_bytes bytes
// and no two-byte character is split. A lead byte counts for two bytes even
// when the text ends after it.
std::size_t cp932_fitting_size(std::string_view text, std::size_t max_bytes);

}  // namespace text
