// Holds no non-ASCII literal: the fuzz build compiles this source as it is
// into its literal rewriter.
#include "text/convert.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

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

}  // namespace text
