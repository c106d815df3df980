// The terminal's encoding on Windows: arguments arrive as UTF-16 (see
// entry_win.cpp, which hands them on as UTF-8); messages go to a console as
// UTF-16 and elsewhere as bytes in the console's output code page.
#include <windows.h>

#include <cstdio>
#include <string>

#include "terminal.h"

namespace cli {

namespace {

constexpr UINT CP932 = 932;

std::wstring to_wide(UINT code_page, DWORD flags, std::string_view text, bool& ok) {
    ok = true;
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(code_page, flags, text.data(), size, nullptr, 0);
    if (n <= 0) {
        ok = false;
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(code_page, flags, text.data(), size, wide.data(), n);
    return wide;
}

// UTF-16 in a code page; with exact, 1 when a character has no form there.
int from_wide(UINT code_page, std::wstring_view wide, bool exact, std::string& out) {
    out.clear();
    if (wide.empty()) return 0;
    const int size = static_cast<int>(wide.size());
    const bool utf = code_page == CP_UTF8 || code_page == CP_UTF7;
    const DWORD flags = (exact && !utf) ? WC_NO_BEST_FIT_CHARS : 0;
    BOOL defaulted = FALSE;
    BOOL* defaulted_ptr = (exact && !utf) ? &defaulted : nullptr;
    const int n = WideCharToMultiByte(code_page, flags, wide.data(), size, nullptr, 0, nullptr, defaulted_ptr);
    if (n <= 0 || defaulted) return 1;
    out.assign(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(code_page, flags, wide.data(), size, out.data(), n, nullptr, nullptr);
    return 0;
}

UINT output_code_page() {
    const UINT cp = GetConsoleOutputCP();
    return cp != 0 ? cp : GetOEMCP();
}

}  // namespace

void init_terminal_encoding() {
    // Let a console understand the progress line's erase sequence.
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(err, &mode)) SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

int argument_to_cp932(std::string_view argument, std::string& cp932) {
    bool ok = false;
    const std::wstring wide = to_wide(CP_UTF8, MB_ERR_INVALID_CHARS, argument, ok);
    if (!ok) return 1;
    // Best-fit characters are taken here (U+301C becomes 81 60, which reads
    // back as U+FF5E) so that they are refused as names that would change,
    // not as names CP932 cannot write at all.
    cp932.clear();
    if (wide.empty()) return 0;
    const int size = static_cast<int>(wide.size());
    BOOL defaulted = FALSE;
    const int n = WideCharToMultiByte(CP932, 0, wide.data(), size, nullptr, 0, nullptr, &defaulted);
    if (n <= 0 || defaulted) return 1;
    cp932.assign(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP932, 0, wide.data(), size, cp932.data(), n, nullptr, nullptr);
    const std::wstring back = to_wide(CP932, MB_ERR_INVALID_CHARS, cp932, ok);
    return ok && back == wide ? 0 : 2;
}

std::string argument_to_terminal(std::string_view argument) {
    bool ok = false;
    const std::wstring wide = to_wide(CP_UTF8, 0, argument, ok);
    std::string out;
    from_wide(output_code_page(), wide, false, out);
    return out;
}

std::string cp932_to_terminal(std::string_view text) {
    bool ok = false;
    const std::wstring wide = to_wide(CP932, 0, text, ok);
    std::string out;
    from_wide(output_code_page(), wide, false, out);
    return out;
}

void write_error_line(std::string_view cp932) {
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(err, &mode)) {
        bool ok = false;
        const std::wstring wide = to_wide(CP932, 0, cp932, ok) + L"\r\n";
        std::fflush(stderr);
        DWORD written = 0;
        WriteConsoleW(err, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    std::fputs(cp932_to_terminal(cp932).c_str(), stderr);
    std::fputc('\n', stderr);
}

}  // namespace cli
