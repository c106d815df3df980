// The program's one window: the main dialog "NorvakDlg", the state that the
// front end owns for the whole process, and the start-up sequence.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "batch/job.h"
#include "grids/correction.h"
#include "grids/param_file.h"

namespace dialog {

// Everything the front end keeps from start-up to the end of the program.
struct FrontEnd {
    batch::ConversionJob job;
    grids::ParamTable land;
    grids::ParamTable sea;
    // The correction grids of the last Run, loaded by its checks.
    std::vector<grids::CorrectionGrid> corrections;
    std::string startup_directory;     // CP932, for the choosers
    std::wstring startup_directory_w;  // the same folder as Windows names it
    // Initial folders of the four choosers; set at most once, while the
    // dialog opens.
    std::string in_folder;
    std::string out_folder;
    std::string land_folder;
    std::string sea_folder;
    // Initial folder of the correction files' chooser, set before each
    // choice: the folder of the last file in the list, else the start-up
    // directory.
    std::string correction_folder;
    HWND dialog = nullptr;
};

// The one front end of the process.
FrontEnd& front_end();

// Shown before the dialog opens when a table's storage cannot be had.
inline constexpr const char* NO_MEMORY = "ﾒﾓﾘｰが確保できません !!";

// Allocates both tables and records the start-up directory. 1 (after the
// message) when the tables' storage cannot be had.
int prepare_front_end(FrontEnd& fe);

// Creates the modeless dialog from its template; null when that fails.
HWND create_main_dialog(HINSTANCE instance);

// The dialog's message loop; returns the quit message's code.
int run_message_loop();

// The program: start-up, the dialog, the message loop. The exit code.
int run_front_end(HINSTANCE instance, int show_command);

INT_PTR CALLBACK main_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace dialog
