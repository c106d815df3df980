// The main dialog: its opening, the four choosers, the list of correction
// files with its chooser, the two type lists, the map file's box, Run with
// its checks in their fixed order, Exit, and files dropped on it.
#include "dialog/main_dialog.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <array>
#include <charconv>
#include <optional>
#include <vector>

#include "batch/run_checks.h"
#include "dialog/modals.h"
#include "dialog/win_text.h"
#include "dialog_ids.h"
#include "geodesy/zones.h"
#include "text/number.h"
#include "text/text_file.h"
#include "settings/env_file.h"

namespace dialog {

namespace {

constexpr const char* CAPTION_ERROR = "Error";

// The checks of Run, in their order, and their messages.
using namespace batch::run_checks;
// A chosen or dropped file whose path no path field can hold.
constexpr const char* PATH_NOT_USABLE = "このﾌｧｲﾙ名は使えません (CP932で255ﾊﾞｲﾄまで) !!";

// Entry i of each type list stands for type i + 1.
constexpr std::array<const char*, 2> IN_TYPE_ENTRIES = {" 1. SIMA ﾌｫｰﾏｯﾄ", " 2. 点名, X, Y ﾌｫｰﾏｯﾄ"};
constexpr std::array<const char*, 2> OUT_TYPE_ENTRIES = {" 1. SIMA ﾌｫｰﾏｯﾄ", " 2. XYBL X'Y'B'L'"};
constexpr const char* IN_LABEL_SIMA = "ＳＩＭＡ入力ファイル";
constexpr const char* IN_LABEL_XY = "ＸＹ　　入力ファイル";
constexpr const char* OUT_LABEL_SIMA = "ＳＩＭＡ出力ファイル";
constexpr const char* OUT_LABEL_XYBL = "ＸＹＢＬ出力ファイル";

constexpr int DEFAULT_ZONE_ENTRY = 6;  // zone 7
// Longest control text read for a number.
constexpr std::size_t NUMBER_TEXT_MAX = 29;
// Shortest time between two writes of the status line during a Run, ms.
constexpr ULONGLONG STATUS_INTERVAL_MS = 100;

// The size of the open-file-name record without its later members.
constexpr DWORD CHOOSER_RECORD_SIZE = 76;

// The user feedback of everything the dialog starts: the status line, message
// boxes owned by the dialog, the editor through the shell. During a Run the
// status line is written at most ten times a second; a text held back is
// written before any message and when the feedback ends, so the line shows
// what was written last.
class DialogFeedback : public grids::UserFeedback {
public:
    DialogFeedback(HWND dialog, bool throttled) : dialog_(dialog), throttled_(throttled) {}
    ~DialogFeedback() override { flush(); }
    DialogFeedback(const DialogFeedback&) = delete;
    DialogFeedback& operator=(const DialogFeedback&) = delete;

    void set_status(std::string_view text) override {
        const ULONGLONG now = GetTickCount64();
        if (throttled_ && written_ && now - last_write_ < STATUS_INTERVAL_MS) {
            pending_.assign(text);
            has_pending_ = true;
            return;
        }
        write_status(text, now);
    }

    // The status line of a point: its running number, a blank and its line.
    void show_point(long number, std::string_view line) override {
        char digits[24];
        const char* end = std::to_chars(digits, digits + sizeof digits, number).ptr;
        point_status_.assign(digits, static_cast<std::size_t>(end - digits)).push_back(' ');
        point_status_.append(line);
        set_status(point_status_);
    }

    void show_message(std::string_view text, std::string_view caption) override {
        flush();
        // Clicks and keys that waited during the Run must not answer this box.
        if (throttled_) discard_input();
        dialog::show_message(dialog_, text, caption);
    }

    void open_in_editor(std::string_view path) override {
        flush();
        modals.shell_execute(dialog_, nullptr, L"NotePad.exe", to_wide(path).c_str(), nullptr, SW_SHOWNORMAL);
    }

private:
    void flush() {
        if (has_pending_) write_status(pending_, GetTickCount64());
    }

    // Sets the text and lets the line repaint; paint messages are the only
    // ones handled until the Run ends.
    void write_status(std::string_view text, ULONGLONG now) {
        set_control_text(dialog_, IDC_STATUS, text);
        UpdateWindow(GetDlgItem(dialog_, IDC_STATUS));
        MSG msg;
        for (int i = 0; i < 64 && PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++i) {
            DispatchMessageW(&msg);
        }
        has_pending_ = false;
        written_ = true;
        last_write_ = now;
    }

    static void discard_input() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
        }
        while (PeekMessageW(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
        }
    }

    HWND dialog_;
    bool throttled_;
    bool written_ = false;
    bool has_pending_ = false;
    ULONGLONG last_write_ = 0;
    std::string pending_;
    std::string point_status_;
};

// A control's text as the dialog reads a number from it: blanks, an optional
// sign, digits up to the first non-digit; no digits reads as 0. 1 when the
// text is empty.
int control_number(HWND dialog, int id, long& value) {
    return text::read_integer(control_text(dialog, id, NUMBER_TEXT_MAX), value, CHECK_NUMBER_STOP);
}

void add_list_entry(HWND dialog, int id, const char* cp932) {
    const std::wstring wide = to_wide(cp932);
    SendDlgItemMessageW(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

// The type lists hold the types in their numbers' order: entry i is the type
// numbered i + 1. A type of no entry selects none.
template <typename Type>
void select_type_entry(HWND dialog, int id, Type type) {
    const WPARAM entry = batch::is_known(type) ? static_cast<WPARAM>(static_cast<int>(type) - 1) : static_cast<WPARAM>(-1);
    SendDlgItemMessageW(dialog, id, CB_SETCURSEL, entry, 0);
}

template <typename Type>
Type selected_type(HWND dialog, int id) {
    const LRESULT entry = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
    return entry == CB_ERR ? Type::none : static_cast<Type>(static_cast<int>(entry) + 1);
}

void show_type_labels(HWND dialog, const batch::ConversionJob& job) {
    set_control_text(dialog, IDC_IN_FILE_LABEL, job.in_file_type == batch::InputType::sima ? IN_LABEL_SIMA : IN_LABEL_XY);
    set_control_text(dialog, IDC_OUT_FILE_LABEL,
                     job.out_file_type == batch::OutputType::sima ? OUT_LABEL_SIMA : OUT_LABEL_XYBL);
}

std::string folder_of(const FrontEnd& fe, const std::string& path) {
    return path.empty() ? fe.startup_directory : settings::directory_part(path);
}

// What follows a choice of each path, by chooser or by a drop.
void take_in_file(HWND dialog, FrontEnd& fe) { set_control_text(dialog, IDC_IN_FILE, fe.job.in_file); }

void take_out_file(HWND dialog, FrontEnd& fe) { set_control_text(dialog, IDC_OUT_FILE, fe.job.out_file); }

void take_land_file(HWND dialog, FrontEnd& fe) {
    set_control_text(dialog, IDC_PARA_FILE, fe.job.para_file);
    DialogFeedback ui(dialog, false);
    if (grids::read_land_param_file(ui, 0, fe.job.para_file, fe.job.para_version, fe.land) != 0) {
        ui.show_message(LAND_UNREADABLE, CAPTION_ERROR);
        return;
    }
    set_control_text(dialog, IDC_PARA_VERSION, fe.job.para_version);
}

void take_sea_file(HWND dialog, FrontEnd& fe) {
    set_control_text(dialog, IDC_PARAK_FILE, fe.job.parak_file);
    DialogFeedback ui(dialog, false);
    if (grids::read_sea_param_file(ui, 0, fe.job.parak_file, fe.job.parak_version, fe.sea) != 0) {
        ui.show_message(SEA_UNREADABLE, CAPTION_ERROR);
        return;
    }
    set_control_text(dialog, IDC_PARAK_VERSION, fe.job.parak_version);
}

// A path from Windows into a path field; 1 (after a message) when CP932
// cannot express it or it is longer than a path field.
int accept_path(HWND dialog, std::wstring_view wide, std::string& path) {
    std::string cp932;
    if (to_cp932(wide, cp932) != 0 || cp932.size() > batch::TEXT_MAX) {
        show_message(dialog, PATH_NOT_USABLE, CAPTION_ERROR);
        return 1;
    }
    path = std::move(cp932);
    return 0;
}

struct Chooser {
    bool save;
    const wchar_t* filter;  // description and pattern, each zero-terminated
    std::string FrontEnd::*folder;
    DWORD options;
    const wchar_t* default_extension;
};

constexpr const wchar_t* SIMA_FILTER = L"SimaFile\0*.SIM;*.sim\0";
constexpr const wchar_t* XY_FILTER = L"XYFile\0*.TXT;*.txt;*.csv\0";
constexpr DWORD OPEN_OPTIONS = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
constexpr DWORD SAVE_OPTIONS = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;

// Opens a chooser on the path; 0 when the person chose a file that a path
// field can hold, which is then in path.
int choose_file(HWND dialog, const FrontEnd& fe, const Chooser& chooser, std::string& path) {
    std::array<wchar_t, batch::TEXT_MAX + 1> file{};
    const std::wstring current = to_wide(path);
    current.copy(file.data(), file.size() - 1);
    const std::wstring folder = to_wide(fe.*chooser.folder);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = CHOOSER_RECORD_SIZE;
    ofn.hwndOwner = dialog;
    ofn.lpstrFilter = chooser.filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = folder.c_str();
    ofn.Flags = chooser.options;
    ofn.lpstrDefExt = chooser.default_extension;
    const BOOL chosen = chooser.save ? modals.get_save_file_name(&ofn) : modals.get_open_file_name(&ofn);
    if (!chosen) return 1;
    return accept_path(dialog, file.data(), path);
}

void on_choose_in_file(HWND dialog, FrontEnd& fe) {
    const Chooser chooser{false, fe.job.in_file_type == batch::InputType::sima ? SIMA_FILTER : XY_FILTER, &FrontEnd::in_folder,
                          OPEN_OPTIONS, nullptr};
    if (choose_file(dialog, fe, chooser, fe.job.in_file) == 0) take_in_file(dialog, fe);
}

void on_choose_out_file(HWND dialog, FrontEnd& fe) {
    const Chooser chooser{true, fe.job.out_file_type == batch::OutputType::sima ? SIMA_FILTER : XY_FILTER, &FrontEnd::out_folder,
                          SAVE_OPTIONS, L"SIM"};
    if (choose_file(dialog, fe, chooser, fe.job.out_file) == 0) take_out_file(dialog, fe);
}

void on_choose_land_file(HWND dialog, FrontEnd& fe) {
    static const std::wstring filter = to_wide("地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙ") + L'\0' + L"*.par" + L'\0';
    const Chooser chooser{false, filter.c_str(), &FrontEnd::land_folder, OPEN_OPTIONS, nullptr};
    if (choose_file(dialog, fe, chooser, fe.job.para_file) == 0) take_land_file(dialog, fe);
}

void on_choose_sea_file(HWND dialog, FrontEnd& fe) {
    static const std::wstring filter = to_wide("海保ﾊﾟﾗﾒｰﾀﾌｧｲﾙ") + L'\0' + L"*.jhd" + L'\0';
    const Chooser chooser{false, filter.c_str(), &FrontEnd::sea_folder, OPEN_OPTIONS, nullptr};
    if (choose_file(dialog, fe, chooser, fe.job.parak_file) == 0) take_sea_file(dialog, fe);
}

// The correction files as their edit shows them: one a line, each after its
// number in the order the files apply ("1: path").
std::string correction_list_text(const std::vector<std::string>& files) {
    std::string text;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i > 0) text += "\r\n";
        text += std::to_string(i + 1) + ": " + files[i];
    }
    return text;
}

void show_correction_files(HWND dialog, const FrontEnd& fe) {
    set_control_text(dialog, IDC_CORR_FILES, correction_list_text(fe.job.correction_files));
}

// 1 (after the message) when the list already holds as many files as a Run
// takes: a file more is refused before it is chosen.
int correction_list_full(HWND dialog, const FrontEnd& fe) {
    if (fe.job.correction_files.size() < static_cast<std::size_t>(grids::CORRECTION_FILES_MAX)) return 0;
    show_message(dialog, TOO_MANY_CORRECTIONS, CAPTION_ERROR);
    return 1;
}

// A chosen or dropped correction file joins the end of the list, which
// scrolls to show it with its number. The file is read by the next Run.
void take_correction_file(HWND dialog, FrontEnd& fe, std::string path) {
    fe.job.correction_files.push_back(std::move(path));
    show_correction_files(dialog, fe);
    // The caret at the start of the last line: the edit scrolls down as far
    // as it needs and back to the numbers at the left.
    const LRESULT lines = SendDlgItemMessageW(dialog, IDC_CORR_FILES, EM_GETLINECOUNT, 0, 0);
    const LRESULT start = SendDlgItemMessageW(dialog, IDC_CORR_FILES, EM_LINEINDEX, static_cast<WPARAM>(lines - 1), 0);
    SendDlgItemMessageW(dialog, IDC_CORR_FILES, EM_SETSEL, static_cast<WPARAM>(start), start);
    SendDlgItemMessageW(dialog, IDC_CORR_FILES, EM_SCROLLCARET, 0, 0);
}

// Where the last correction file lies; a path without a folder is the
// start-up directory's.
std::string correction_folder(const FrontEnd& fe) {
    if (fe.job.correction_files.empty()) return fe.startup_directory;
    const std::string& last = fe.job.correction_files.back();
    std::string folder = settings::directory_part(last);
    return folder == last ? fe.startup_directory : folder;
}

// Each choice adds one file at the end of the list.
void on_choose_correction_file(HWND dialog, FrontEnd& fe) {
    if (correction_list_full(dialog, fe) != 0) return;
    static const std::wstring filter = to_wide("補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙ") + L'\0' + L"*.par" + L'\0';
    fe.correction_folder = correction_folder(fe);
    const Chooser chooser{false, filter.c_str(), &FrontEnd::correction_folder, OPEN_OPTIONS, nullptr};
    std::string path;
    if (choose_file(dialog, fe, chooser, path) == 0) take_correction_file(dialog, fe, std::move(path));
}

void on_clear_correction_files(HWND dialog, FrontEnd& fe) {
    fe.job.correction_files.clear();
    fe.job.correction_titles.clear();
    show_correction_files(dialog, fe);
}

// A new type empties its path: a file chosen for one type is never used for
// the other.
void on_type_changed(HWND dialog, FrontEnd& fe, int list_id) {
    if (list_id == IDC_IN_TYPE) {
        fe.job.in_file_type = selected_type<batch::InputType>(dialog, list_id);
        fe.job.in_file.clear();
        set_control_text(dialog, IDC_IN_FILE, "");
    } else {
        fe.job.out_file_type = selected_type<batch::OutputType>(dialog, list_id);
        fe.job.out_file.clear();
        set_control_text(dialog, IDC_OUT_FILE, "");
    }
    show_type_labels(dialog, fe.job);
}

void on_init_dialog(HWND dialog, FrontEnd& fe) {
    fe.dialog = dialog;
    SendDlgItemMessageW(dialog, IDC_TOKYO_TO_JGD, BM_SETCHECK, BST_CHECKED, 0);
    SendDlgItemMessageW(dialog, IDC_DECIMALS_SPIN, UDM_SETRANGE, 0, MAKELPARAM(batch::DECIMALS_MAX, batch::DECIMALS_MIN));
    SendDlgItemMessageW(dialog, IDC_DECIMALS_SPIN, UDM_SETPOS, 0, MAKELPARAM(batch::DECIMALS_MIN, 0));
    for (const char* name : geodesy::ZONE_NAMES) add_list_entry(dialog, IDC_ZONE, name);
    SendDlgItemMessageW(dialog, IDC_ZONE, CB_SETCURSEL, DEFAULT_ZONE_ENTRY, 0);
    set_control_text(dialog, IDC_STATUS, "");
    DragAcceptFiles(dialog, TRUE);

    DialogFeedback ui(dialog, false);
    settings::read_env_file(ui, settings::ENV_FILE_NAME, fe.job);
    for (const char* entry : OUT_TYPE_ENTRIES) add_list_entry(dialog, IDC_OUT_TYPE, entry);
    select_type_entry(dialog, IDC_OUT_TYPE, fe.job.out_file_type);
    for (const char* entry : IN_TYPE_ENTRIES) add_list_entry(dialog, IDC_IN_TYPE, entry);
    select_type_entry(dialog, IDC_IN_TYPE, fe.job.in_file_type);
    if (fe.job.in_file_type == batch::InputType::xy) set_control_text(dialog, IDC_IN_FILE_LABEL, IN_LABEL_XY);
    if (fe.job.out_file_type == batch::OutputType::xybl) set_control_text(dialog, IDC_OUT_FILE_LABEL, OUT_LABEL_XYBL);
    CheckDlgButton(dialog, IDC_WRITE_MAP, fe.job.write_map ? BST_CHECKED : BST_UNCHECKED);

    set_control_text(dialog, IDC_IN_FILE, fe.job.in_file);
    fe.in_folder = folder_of(fe, fe.job.in_file);
    set_control_text(dialog, IDC_OUT_FILE, fe.job.out_file);
    fe.out_folder = folder_of(fe, fe.job.out_file);
    // Only paths, read by the next Run: shown even when a grid below cannot
    // be read.
    show_correction_files(dialog, fe);

    set_control_text(dialog, IDC_PARA_FILE, fe.job.para_file);
    if (fe.job.para_file.empty()) {
        fe.land_folder = fe.startup_directory;
    } else if (grids::read_land_param_file(ui, 0, fe.job.para_file, fe.job.para_version, fe.land) != 0) {
        // The sea grid is left alone: its edit stays empty and its folder
        // unset, although a Run will use the stored path.
        ui.show_message(LAND_UNREADABLE, CAPTION_ERROR);
        return;
    } else {
        set_control_text(dialog, IDC_PARA_VERSION, fe.job.para_version);
        fe.land_folder = settings::directory_part(fe.job.para_file);
    }

    set_control_text(dialog, IDC_PARAK_FILE, fe.job.parak_file);
    if (fe.job.parak_file.empty()) {
        fe.sea_folder = fe.startup_directory;
    } else if (grids::read_sea_param_file(ui, 0, fe.job.parak_file, fe.job.parak_version, fe.sea) != 0) {
        ui.show_message(SEA_UNREADABLE, CAPTION_ERROR);
    } else {
        set_control_text(dialog, IDC_PARAK_VERSION, fe.job.parak_version);
        fe.sea_folder = settings::directory_part(fe.job.parak_file);
    }
}

// The Run's entries as its controls hold them.
std::optional<batch::Direction> chosen_direction(HWND dialog) {
    if (IsDlgButtonChecked(dialog, IDC_TOKYO_TO_JGD) == BST_CHECKED) return batch::Direction::tokyo_to_jgd;
    if (IsDlgButtonChecked(dialog, IDC_JGD_TO_TOKYO) == BST_CHECKED) return batch::Direction::jgd_to_tokyo;
    return std::nullopt;
}

// The checks of Run up to the saving of the settings, in their order; the
// first that fails is shown and ends the Run. 0 when all passed.
int check_run(HWND dialog, FrontEnd& fe, DialogFeedback& ui) {
    const std::string decimals = control_text(dialog, IDC_DECIMALS, NUMBER_TEXT_MAX);
    const std::string zone = control_text(dialog, IDC_ZONE, NUMBER_TEXT_MAX);
    batch::RunEntries entries;
    entries.direction = chosen_direction(dialog);
    entries.decimals = decimals;
    entries.zone = zone;
    // A type list's text begins with its type's number. An empty list gives
    // none: the type is refused, and the number read last stays beside it.
    long type = 0;
    entries.in_type_given = control_number(dialog, IDC_IN_TYPE, type) == 0;
    entries.in_type = static_cast<batch::InputType>(type);
    entries.out_type_given = control_number(dialog, IDC_OUT_TYPE, type) == 0;
    entries.out_type = static_cast<batch::OutputType>(type);
    std::string refusal;
    if (batch::check_run(ui, entries, fe.job, fe.land, fe.sea, fe.corrections, refusal) == 0) return 0;
    ui.show_message(!refusal.empty() ? refusal : std::string(NO_MEMORY), CAPTION_ERROR);
    return 1;
}

void on_run(HWND dialog, FrontEnd& fe) {
    DialogFeedback ui(dialog, true);
    if (check_run(dialog, fe, ui) != 0) return;
    // The map box has nothing to refuse: it is taken after every check has
    // passed, just before the settings are saved with it.
    fe.job.write_map = IsDlgButtonChecked(dialog, IDC_WRITE_MAP) == BST_CHECKED;
    // The settings file lies in the start-up directory; the choosers may
    // have moved the current directory elsewhere.
    SetCurrentDirectoryW(fe.startup_directory_w.c_str());
    settings::write_env_file(ui, settings::ENV_FILE_NAME, fe.job);
    int error_flag = 0;
    batch::run_conversion(ui, fe.job, {fe.land, fe.sea, fe.corrections}, error_flag);
}

void on_exit(HWND dialog, FrontEnd& fe) {
    DestroyWindow(dialog);
    fe.dialog = nullptr;
}

// A file dropped on a path edit or its button is taken as if chosen there;
// on the correction files' list or its chooser it is added at the end.
void on_drop_files(HWND dialog, FrontEnd& fe, HDROP drop) {
    POINT point{};
    DragQueryPoint(drop, &point);
    std::array<wchar_t, 4 * (batch::TEXT_MAX + 1)> file{};
    const UINT length = DragQueryFileW(drop, 0, file.data(), static_cast<UINT>(file.size()));
    DragFinish(drop);
    if (length == 0 || length >= file.size()) return;
    HWND target = ChildWindowFromPointEx(dialog, point, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    const int id = target != nullptr ? GetDlgCtrlID(target) : 0;
    // A folder is taken by no chooser; the open ones want an existing file.
    const DWORD attributes = GetFileAttributesW(file.data());
    const bool is_folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const bool is_file = attributes != INVALID_FILE_ATTRIBUTES && !is_folder;
    const std::wstring_view path(file.data(), length);
    switch (id) {
    case IDC_IN_FILE:
    case IDC_CHOOSE_IN:
        if (is_file && accept_path(dialog, path, fe.job.in_file) == 0) take_in_file(dialog, fe);
        break;
    case IDC_OUT_FILE:
    case IDC_CHOOSE_OUT:
        if (!is_folder && accept_path(dialog, path, fe.job.out_file) == 0) take_out_file(dialog, fe);
        break;
    case IDC_PARA_FILE:
    case IDC_CHOOSE_PARA:
        if (is_file && accept_path(dialog, path, fe.job.para_file) == 0) take_land_file(dialog, fe);
        break;
    case IDC_PARAK_FILE:
    case IDC_CHOOSE_PARAK:
        if (is_file && accept_path(dialog, path, fe.job.parak_file) == 0) take_sea_file(dialog, fe);
        break;
    case IDC_CORR_FILES:
    case IDC_CHOOSE_CORR:
        if (is_file && correction_list_full(dialog, fe) == 0) {
            std::string added;
            if (accept_path(dialog, path, added) == 0) take_correction_file(dialog, fe, std::move(added));
        }
        break;
    default:
        break;
    }
}

INT_PTR on_command(HWND dialog, FrontEnd& fe, int id, int notification) {
    switch (id) {
    case IDC_CHOOSE_IN: on_choose_in_file(dialog, fe); return TRUE;
    case IDC_CHOOSE_OUT: on_choose_out_file(dialog, fe); return TRUE;
    case IDC_CHOOSE_PARA: on_choose_land_file(dialog, fe); return TRUE;
    case IDC_CHOOSE_PARAK: on_choose_sea_file(dialog, fe); return TRUE;
    case IDC_CHOOSE_CORR: on_choose_correction_file(dialog, fe); return TRUE;
    case IDC_CLEAR_CORR: on_clear_correction_files(dialog, fe); return TRUE;
    case IDC_IN_TYPE:
    case IDC_OUT_TYPE:
        if (notification != CBN_SELCHANGE) return FALSE;
        on_type_changed(dialog, fe, id);
        return TRUE;
    case IDC_RUN: on_run(dialog, fe); return TRUE;
    case IDC_EXIT: on_exit(dialog, fe); return TRUE;
    default: return FALSE;
    }
}

}  // namespace

FrontEnd& front_end() {
    static FrontEnd fe;
    return fe;
}

INT_PTR CALLBACK main_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM /*lparam*/) {
    FrontEnd& fe = front_end();
    switch (message) {
    case WM_INITDIALOG:
        on_init_dialog(dialog, fe);
        return TRUE;
    case WM_COMMAND:
        return on_command(dialog, fe, LOWORD(wparam), HIWORD(wparam));
    case WM_DROPFILES:
        on_drop_files(dialog, fe, reinterpret_cast<HDROP>(wparam));
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace dialog
