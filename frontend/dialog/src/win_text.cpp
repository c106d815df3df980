#include "dialog/win_text.h"

#include "dialog/modals.h"
#include "text/convert.h"
#include "text/cp932.h"

namespace dialog {

std::wstring to_wide(std::string_view cp932) {
    std::wstring wide;
    text::to_utf16(text::CP932_CODE_PAGE, cp932, false, wide);
    return wide;
}

int to_cp932(std::wstring_view wide, std::string& cp932) {
    return text::from_utf16(text::CP932_CODE_PAGE, wide, text::Fit::Exact, cp932);
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
