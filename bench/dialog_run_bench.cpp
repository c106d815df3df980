// What the dialog's status line costs a long Run: the same job through the
// dialog's Run and straight through the run command with feedback that shows
// nothing, alternately, in the current folder (which holds Pellowen.env).
//   dialog_run_bench.exe ZONE ROUNDS
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "batch/job.h"
#include "dialog/main_dialog.h"
#include "dialog/modals.h"
#include "dialog_ids.h"
#include "grids/param_file.h"
#include "settings/env_file.h"

namespace {

int answer_ok(HWND, const wchar_t*, const wchar_t*, UINT) { return IDOK; }
HINSTANCE no_editor(HWND, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*, int) { return nullptr; }

// Milliseconds since an earlier reading of the performance counter.
double ms_since(LARGE_INTEGER start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    const int zone = _wtoi(argv[1]);
    const int rounds = _wtoi(argv[2]);
    dialog::modals.message_box = answer_ok;
    dialog::modals.shell_execute = no_editor;
    dialog::FrontEnd& fe = dialog::front_end();
    if (dialog::prepare_front_end(fe) != 0) return 1;
    HWND dlg = dialog::create_main_dialog(GetModuleHandleW(nullptr));
    SendDlgItemMessageW(dlg, IDC_ZONE, CB_SETCURSEL, static_cast<WPARAM>(zone - 1), 0);
    std::vector<double> through_dialog;
    std::vector<double> silent;
    for (int r = 0; r < rounds; ++r) {
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_RUN, BN_CLICKED), 0);
        through_dialog.push_back(ms_since(start));

        QueryPerformanceCounter(&start);
        grids::QuietFeedback ui;
        batch::ConversionJob job = fe.job;
        grids::read_land_param_file(ui, 1, job.para_file, job.para_version, fe.land);
        grids::read_sea_param_file(ui, 1, job.parak_file, job.parak_version, fe.sea);
        int error_flag = 0;
        batch::run_conversion(ui, job, {fe.land, fe.sea}, error_flag);
        silent.push_back(ms_since(start));
        std::printf("round %d: dialog %.1f ms, silent %.1f ms\n", r + 1, through_dialog.back(), silent.back());
    }
    const double d = median(through_dialog);
    const double s = median(silent);
    std::printf("median: dialog %.1f ms, silent %.1f ms, dialog/silent %.3f\n", d, s, d / s);
    DestroyWindow(dlg);
    return 0;
}
