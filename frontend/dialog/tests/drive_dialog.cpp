// Drives a running Pellowen.exe from outside, as a person would: selects a
// zone, presses Run, answers every message box with OK, and ends the program
// with Exit. Prints each message and how long the Run took.
//   drive_dialog.exe PELLOWEN_EXE ZONE
// Exit status 0 when a closing message came and the program ended with 0.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "dialog_ids.h"

namespace {

struct Search {
    DWORD process;
    std::vector<HWND> found;
};

BOOL CALLBACK collect(HWND window, LPARAM lparam) {
    auto* search = reinterpret_cast<Search*>(lparam);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t kind[16] = {};
    GetClassNameW(window, kind, 16);
    if (process == search->process && IsWindowVisible(window) && std::wstring(kind) == L"#32770") {
        search->found.push_back(window);
    }
    return TRUE;
}

// The visible dialogs of the process: the main dialog and any message box.
std::vector<HWND> dialogs_of(DWORD process) {
    Search search{process, {}};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Another process's window text: WM_GETTEXT is carried across processes.
std::wstring text_of(HWND window) {
    wchar_t text[1024] = {};
    SendMessageW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string utf8(const std::wstring& wide) {
    std::string out(wide.size() * 4 + 1, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(),
                                      static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return out;
}

// The box's text is its static control 0xFFFF; OK answers it.
void answer(HWND box, bool& closing) {
    const std::wstring text = text_of(GetDlgItem(box, 0xFFFF));
    std::printf("[%s] %s\n", utf8(text_of(box)).c_str(), utf8(text).c_str());
    std::fflush(stdout);
    if (text.find(L"変換は無事終了") == 0 || text.find(L"変換ｴﾗｰがあります") == 0) closing = true;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::printf("usage: drive_dialog PELLOWEN_EXE ZONE\n");
        return 2;
    }
    std::wstring command_line = L"\"" + std::wstring(argv[1]) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(argv[1], command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::printf("cannot start %s\n", utf8(argv[1]).c_str());
        return 2;
    }
    bool closing = false;
    HWND main_dialog = nullptr;
    // Wait for the main dialog, answering what it says while it opens.
    for (int i = 0; i < 400 && main_dialog == nullptr; ++i) {
        for (HWND window : dialogs_of(process.dwProcessId)) {
            if (GetDlgItem(window, IDC_RUN) != nullptr) {
                main_dialog = window;
            } else {
                answer(window, closing);
            }
        }
        Sleep(50);
    }
    if (main_dialog == nullptr) {
        std::printf("the dialog did not open\n");
        TerminateProcess(process.hProcess, 3);
        return 1;
    }
    SendDlgItemMessageW(main_dialog, IDC_ZONE, CB_SETCURSEL, static_cast<WPARAM>(_wtoi(argv[2]) - 1), 0);
    const ULONGLONG start = GetTickCount64();
    PostMessageW(main_dialog, WM_COMMAND, MAKEWPARAM(IDC_RUN, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(main_dialog, IDC_RUN)));
    ULONGLONG run_ms = 0;
    for (int quiet = 0; !closing && quiet < 200;) {
        bool any = false;
        for (HWND window : dialogs_of(process.dwProcessId)) {
            if (window == main_dialog) continue;
            if (run_ms == 0) run_ms = GetTickCount64() - start;
            answer(window, closing);
            any = true;
        }
        // A Run that a check stops shows one message and then nothing more.
        quiet = any ? 0 : (run_ms != 0 ? quiet + 1 : 0);
        Sleep(any ? 200 : 20);
    }
    std::printf("run until the first message: %llu ms\n", run_ms);
    PostMessageW(main_dialog, WM_COMMAND, MAKEWPARAM(IDC_EXIT, BN_CLICKED), 0);
    DWORD code = 99;
    if (WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
    std::printf("exit code %lu\n", code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return closing && code == 0 ? 0 : 1;
}
