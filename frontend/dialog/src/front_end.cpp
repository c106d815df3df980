// Start-up: the two tables, the start-up directory, the modeless dialog and
// the message loop.
#include <windows.h>
#include <commctrl.h>

#include <tuple>

#include "dialog/main_dialog.h"
#include "dialog/modals.h"
#include "dialog/win_text.h"
#include "dialog_ids.h"
#include "pellowen_version.h"

namespace dialog {

namespace {

#define WIDEN_TEXT(text) L##text
#define WIDE(text) WIDEN_TEXT(text)

}  // namespace

int prepare_front_end(FrontEnd& fe) {
    // The readers never write the terminators of a record's text: the
    // storage comes zero-filled, once, for the whole process.
    if (grids::create_param_table(fe.land, grids::LAND_TABLE_CAPACITY) != 0 ||
        grids::create_param_table(fe.sea, grids::SEA_TABLE_CAPACITY) != 0) {
        modals.message_box(nullptr, to_wide(NO_MEMORY).c_str(), L"Error", MB_OK);
        return 1;
    }
    const DWORD length = GetCurrentDirectoryW(0, nullptr);
    fe.startup_directory_w.assign(length, L'\0');
    const DWORD got = GetCurrentDirectoryW(length, fe.startup_directory_w.data());
    fe.startup_directory_w.resize(got < length ? got : 0);
    to_cp932(fe.startup_directory_w, fe.startup_directory);
    return 0;
}

HWND create_main_dialog(HINSTANCE instance) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    HWND dialog = CreateDialogParamW(instance, WIDE(IDD_MAIN_DIALOG), nullptr, main_dialog_proc, 0);
    // The program's icon in the title bar and the task bar (a program
    // without the icon resource keeps the default one).
    if (dialog != nullptr) {
        for (const auto& [which, metric_x, metric_y] :
             {std::tuple{ICON_BIG, SM_CXICON, SM_CYICON}, std::tuple{ICON_SMALL, SM_CXSMICON, SM_CYSMICON}}) {
            HANDLE icon = LoadImageW(instance, MAKEINTRESOURCEW(PELLOWEN_ICON_ID), IMAGE_ICON, GetSystemMetrics(metric_x),
                                     GetSystemMetrics(metric_y), LR_DEFAULTCOLOR);
            if (icon != nullptr) SendMessageW(dialog, WM_SETICON, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(icon));
        }
    }
    return dialog;
}

int run_message_loop() {
    MSG msg{};
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1) return 1;
        HWND dialog = front_end().dialog;
        if (dialog != nullptr && IsDialogMessageW(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

int run_front_end(HINSTANCE instance, int show_command) {
    FrontEnd& fe = front_end();
    if (prepare_front_end(fe) != 0) return 1;
    HWND dialog = create_main_dialog(instance);
    if (dialog == nullptr) return 1;
    ShowWindow(dialog, show_command);
    return run_message_loop();
}

}  // namespace dialog
