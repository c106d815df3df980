// The terminal's encoding on Windows: arguments arrive as UTF-16 (see
// entry_win.cpp, which hands them on as UTF-8); messages go to a console as
// UTF-16 and elsewhere as bytes in the console's output code page.
#include <windows.h>

#include <cstdio>
#include <string>

#include "terminal.h"
#include "text/convert.h"

namespace cli {

namespace {

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
    std::wstring wide;
    if (text::to_utf16(CP_UTF8, argument, true, wide) != 0) return 1;
    // Best-fit characters are taken here (U+301C becomes 81 60, which reads
    // back as U+FF5E) so that they are refused as names that would change,
    // not as names CP932 cannot write at all.
    if (text::from_utf16(text::CP932_CODE_PAGE, wide, text::Fit::BestFit, cp932) != 0) {
        cp932.clear();
        return 1;
    }
    std::wstring back;
    return text::to_utf16(text::CP932_CODE_PAGE, cp932, true, back) == 0 && back == wide ? 0 : 2;
}

std::string argument_to_terminal(std::string_view argument) {
    std::wstring wide;
    text::to_utf16(CP_UTF8, argument, false, wide);
    std::string out;
    text::from_utf16(output_code_page(), wide, text::Fit::Lenient, out);
    return out;
}

std::string cp932_to_terminal(std::string_view cp932) {
    std::wstring wide;
    text::to_utf16(text::CP932_CODE_PAGE, cp932, false, wide);
    std::string out;
    text::from_utf16(output_code_page(), wide, text::Fit::Lenient, out);
    return out;
}

void write_error_line(std::string_view cp932) {
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(err, &mode)) {
        std::wstring wide;
        text::to_utf16(text::CP932_CODE_PAGE, cp932, false, wide);
        wide += L"\r\n";
        std::fflush(stderr);
        DWORD written = 0;
        WriteConsoleW(err, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    std::fputs(cp932_to_terminal(cp932).c_str(), stderr);
    std::fputc('\n', stderr);
}

}  // namespace cli
