#include "dialog/win_text.h"

#include "dialog/modals.h"
#include "text/cp932.h"

namespace dialog {

namespace {

constexpr UINT CP932 = 932;

}  // namespace

std::wstring to_wide(std::string_view cp932) {
    if (cp932.empty()) return {};
    const int size = static_cast<int>(cp932.size());
    const int n = MultiByteToWideChar(CP932, 0, cp932.data(), size, nullptr, 0);
    if (n <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP932, 0, cp932.data(), size, wide.data(), n);
    return wide;
}

int to_cp932(std::wstring_view wide, std::string& cp932) {
    cp932.clear();
    if (wide.empty()) return 0;
    const int size = static_cast<int>(wide.size());
    BOOL defaulted = FALSE;
    const int n = WideCharToMultiByte(CP932, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0, nullptr, &defaulted);
    if (n <= 0) return 1;
    cp932.assign(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP932, WC_NO_BEST_FIT_CHARS, wide.data(), size, cp932.data(), n, nullptr, nullptr);
    return defaulted ? 1 : 0;
}

std::string control_text(HWND dialog, int id, std::size_t max_bytes) {
    HWND control = GetDlgItem(dialog, id);
    const int length = GetWindowTextLengthW(control);
    std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(control, wide.data(), length + 1);
    wide.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    std::string cp932;
    to_cp932(wide, cp932);
    cp932.resize(text::cp932_fitting_size(cp932, max_bytes));
    return cp932;
}

void set_control_text(HWND dialog, int id, std::string_view cp932) {
    SetDlgItemTextW(dialog, id, to_wide(cp932).c_str());
}

void show_message(HWND dialog, std::string_view text, std::string_view caption) {
    modals.message_box(dialog, to_wide(text).c_str(), to_wide(caption).c_str(), MB_OK);
}

}  // namespace dialog
