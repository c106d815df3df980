// Holds no non-ASCII literal: the fuzz build compiles this source as it is
// into its literal rewriter.
#include "text/convert.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <array>
#include <memory>
#include <mutex>

#include "text/cp932.h"

namespace text {

#ifdef _WIN32

int to_utf16(unsigned code_page, std::string_view text, bool strict, std::wstring& wide) {
    wide.clear();
    if (text.empty()) return 0;
    const DWORD flags = strict ? MB_ERR_INVALID_CHARS : 0;
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(code_page, flags, text.data(), size, nullptr, 0);
    if (n <= 0) return 1;
    wide.assign(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(code_page, flags, text.data(), size, wide.data(), n);
    return 0;
}

int from_utf16(unsigned code_page, std::wstring_view wide, Fit fit, std::string& out) {
    out.clear();
    if (wide.empty()) return 0;
    const int size = static_cast<int>(wide.size());
    // UTF-8 has no default character to report.
    const bool utf8 = code_page == CP_UTF8;
    DWORD flags = 0;
    if (fit == Fit::Exact) flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL defaulted = FALSE;
    BOOL* const defaulted_ptr = fit == Fit::Lenient || utf8 ? nullptr : &defaulted;
    const int n = WideCharToMultiByte(code_page, flags, wide.data(), size, nullptr, 0, nullptr, defaulted_ptr);
    if (n <= 0) return 1;
    out.assign(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(code_page, flags, wide.data(), size, out.data(), n, nullptr, nullptr);
    return defaulted ? 1 : 0;
}

#else

int convert(const char* to, const char* from, std::string_view text, std::string& out) {
    out.clear();
    if (text.empty()) return 0;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return 1;
    // Room for the widest growth between the encodings in use (a CP932
    // half-width katakana takes three bytes of UTF-8).
    std::string buffer(text.size() * 4 + 16, '\0');
    char* in_ptr = const_cast<char*>(text.data());
    std::size_t in_left = text.size();
    char* out_ptr = buffer.data();
    std::size_t out_left = buffer.size();
    const std::size_t r = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1) || in_left != 0) return 1;
    buffer.resize(buffer.size() - out_left);
    out = std::move(buffer);
    return 0;
}

namespace {

bool is_ascii(std::string_view text) {
    for (unsigned char c : text) {
        if (c >= 0x80) return false;
    }
    return true;
}

}  // namespace

int cp932_to_utf8(std::string_view cp932, std::string& utf8) {
    if (is_ascii(cp932)) {
        utf8.assign(cp932);
        return 0;
    }
    return convert("UTF-8", "CP932", cp932, utf8);
}

int utf8_to_cp932(std::string_view utf8, std::string& cp932) {
    if (is_ascii(utf8)) {
        cp932.assign(utf8);
        return 0;
    }
    return convert("CP932", "UTF-8", utf8, cp932);
}

#endif

namespace {

constexpr char32_t REPLACEMENT = 0xFFFD;
constexpr int LEAD_COUNT = 256;

// The code point of every two-byte CP932 character, by lead and second byte
// (0 for no character), asked of the platform's converter once, one
// character at a time.
using TwoByteTable = std::array<char32_t, LEAD_COUNT * 256>;

char32_t platform_code_point(unsigned char lead, unsigned char trail, void* converter) {
    const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
#ifdef _WIN32
    (void)converter;
    wchar_t wide[2];
    const int n = MultiByteToWideChar(CP932_CODE_PAGE, MB_ERR_INVALID_CHARS, bytes, 2, wide, 2);
    return n == 1 && wide[0] != 0xFFFD ? static_cast<char32_t>(wide[0]) : 0;
#else
    iconv_t cd = static_cast<iconv_t>(converter);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes);
    std::size_t in_left = 2;
    char out[4];
    char* out_ptr = out;
    std::size_t out_left = sizeof out;
    if (iconv(cd, &in, &in_left, &out_ptr, &out_left) == static_cast<std::size_t>(-1) || in_left != 0 ||
        out_left != 0) {
        return 0;
    }
    // UTF-32BE: one code point.
    const auto b = [&](int i) { return static_cast<char32_t>(static_cast<unsigned char>(out[i])); };
    return (b(0) << 24) | (b(1) << 16) | (b(2) << 8) | b(3);
#endif
}

const TwoByteTable& two_byte_table() {
    static std::unique_ptr<TwoByteTable> table;
    static std::once_flag made;
    std::call_once(made, [] {
        table = std::make_unique<TwoByteTable>();
        table->fill(0);
#ifdef _WIN32
        void* converter = nullptr;
#else
        iconv_t cd = iconv_open("UTF-32BE", "CP932");
        void* converter = cd == reinterpret_cast<iconv_t>(-1) ? nullptr : static_cast<void*>(cd);
        if (converter == nullptr) return;
#endif
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!is_cp932_lead_byte(static_cast<unsigned char>(lead))) continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                if (trail == 0x7F) continue;
                (*table)[static_cast<std::size_t>(lead * 256 + trail)] =
                    platform_code_point(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail), converter);
            }
        }
#ifndef _WIN32
        iconv_close(cd);
#endif
    });
    return *table;
}

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace

void cp932_to_utf8_replacing(std::string_view cp932, std::string& utf8) {
    utf8.clear();
    append_cp932_as_utf8(cp932, utf8);
}

void append_cp932_as_utf8(std::string_view cp932, std::string& utf8) {
    const TwoByteTable* table = nullptr;
    for (std::size_t i = 0; i < cp932.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(cp932[i]);
        if (c < 0x80) {
            utf8.push_back(static_cast<char>(c));
        } else if (c >= 0xA1 && c <= 0xDF) {
            append_utf8(utf8, 0xFF61 + (c - 0xA1));  // half-width katakana
        } else if (!is_cp932_lead_byte(c) || i + 1 == cp932.size()) {
            append_utf8(utf8, REPLACEMENT);
        } else {
            if (table == nullptr) table = &two_byte_table();
            const unsigned char trail = static_cast<unsigned char>(cp932[i + 1]);
            const char32_t code = (*table)[static_cast<std::size_t>(c) * 256 + trail];
            append_utf8(utf8, code != 0 ? code : REPLACEMENT);
            // An ASCII byte that cannot end the character stands on its own.
            if (code != 0 || trail >= 0x80) ++i;
        }
    }
}

}  // namespace text
