// Where the program's CP932 text meets the UTF-16 of Windows: every control
// text, list entry, message box, chooser path and shell call passes here, so
// the texts are right whatever the system's ANSI code page is.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace dialog {

// CP932 to UTF-16; bytes that are not CP932 become U+FFFD.
std::wstring to_wide(std::string_view cp932);

// UTF-16 to CP932; 1 when a character has no CP932 form (cp932 then holds
// the text with "?" in its place).
int to_cp932(std::wstring_view wide, std::string& cp932);

// A control's text as CP932, at most max_bytes bytes (a double-byte
// character is never split).
std::string control_text(HWND dialog, int id, std::size_t max_bytes);
void set_control_text(HWND dialog, int id, std::string_view cp932);

// A message box owned by the dialog with an OK button only.
void show_message(HWND dialog, std::string_view text, std::string_view caption);

}  // namespace dialog
