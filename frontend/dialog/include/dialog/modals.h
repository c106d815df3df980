// The calls of the dialog that wait for a person or start another program.
// They go through this table so that a test can stand in for the person.
#pragma once

#include <windows.h>
#include <commdlg.h>

namespace dialog {

struct Modals {
    BOOL (*get_open_file_name)(OPENFILENAMEW* ofn);
    BOOL (*get_save_file_name)(OPENFILENAMEW* ofn);
    int (*message_box)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
    HINSTANCE (*shell_execute)(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                               const wchar_t* directory, int show);
};

// The platform's own calls unless a test has replaced them.
extern Modals modals;

}  // namespace dialog
