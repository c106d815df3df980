// The real dialog, created from the real template, driven as a surveyor
// would drive it. The choosers, the message boxes and the editor are
// replaced by stand-ins that record what the person would have seen and
// answer for them. Run under Wine or Windows:
//   dialog_tests.exe SOURCE_FOLDER
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "dialog/main_dialog.h"
#include "dialog/modals.h"
#include "dialog/win_text.h"
#include "dialog_ids.h"

namespace {

#define WIDEN_TEXT(text) L##text
#define WIDE(text) WIDEN_TEXT(text)
const wchar_t* const WIDE_DIALOG_NAME = WIDE(IDD_MAIN_DIALOG);

namespace fs = std::filesystem;

// ---- the person in front of the dialog ----

struct Person {
    std::string messages;               // "[caption] text" lines, "stray " before a box not the dialog's OK box
    std::vector<std::string> choosers;  // what each chooser was opened with
    std::deque<std::wstring> answers;   // files to choose; empty or none: cancel
    std::string editor;                 // "file parameters" of each start
} person;

std::string cp932(std::wstring_view wide) {
    std::string text;
    dialog::to_cp932(wide, text);
    return text;
}

std::string error(const char* text) { return std::string("[Error] ") + text + "\n"; }

int record_message(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    const bool stray = owner == nullptr || owner != dialog::front_end().dialog || type != MB_OK;
    person.messages += (stray ? "stray [" : "[") + cp932(caption) + "] " + cp932(text) + "\n";
    return IDOK;
}

BOOL answer_chooser(OPENFILENAMEW* ofn, const char* kind) {
    const std::wstring description = ofn->lpstrFilter;
    person.choosers.push_back(std::string(kind) + " " + std::to_string(ofn->lStructSize) + " " + cp932(description) +
                              "|" + cp932(ofn->lpstrFilter + description.size() + 1) + " in " +
                              (ofn->lpstrInitialDir != nullptr ? cp932(ofn->lpstrInitialDir) : "(none)") + " options " +
                              std::to_string(ofn->Flags) + " ext " + (ofn->lpstrDefExt ? cp932(ofn->lpstrDefExt) : ""));
    const std::wstring answer = person.answers.empty() ? L"" : person.answers.front();
    if (!person.answers.empty()) person.answers.pop_front();
    if (answer.empty()) return FALSE;
    lstrcpynW(ofn->lpstrFile, answer.c_str(), static_cast<int>(ofn->nMaxFile));
    return TRUE;
}

HINSTANCE record_editor(HWND, const wchar_t*, const wchar_t* file, const wchar_t* parameters, const wchar_t*, int) {
    person.editor += cp932(file) + " " + cp932(parameters) + "\n";
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(33));
}

// ---- checks: texts are compared as CP932 and shown as UTF-8 ----

int failures = 0;
int checks = 0;
std::string current_case;

void check_text(int line, const std::string& actual, const std::string& expected) {
    ++checks;
    if (actual == expected) return;
    ++failures;
    std::string shown[2];
    for (int i = 0; i < 2; ++i) {
        const std::wstring wide = dialog::to_wide(i == 0 ? actual : expected);
        shown[i].resize(wide.size() * 4 + 1);
        shown[i].resize(static_cast<std::size_t>(std::max(0, WideCharToMultiByte(CP_UTF8, 0, wide.data(),
            static_cast<int>(wide.size()), shown[i].data(), static_cast<int>(shown[i].size()), nullptr, nullptr))));
    }
    std::printf("FAILED %s (line %d): \"%s\" expected \"%s\"\n", current_case.c_str(), line, shown[0].c_str(),
                shown[1].c_str());
}

#define CHECK_TEXT(actual, expected) check_text(__LINE__, (actual), (expected))
#define CHECK_INT(actual, expected) \
    check_text(__LINE__, std::to_string(static_cast<long long>(actual)), std::to_string(static_cast<long long>(expected)))

// ---- the scene: a folder of examples and a dialog opened in it ----

fs::path source_folder;
fs::path temp_root;
int folder_number = 0;

std::string read_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return in ? bytes.str() : "(missing)";
}

void write_bytes(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

const std::string FULL_SETTINGS =
    "INFILETYPE   <1>\r\nSIMAINFILE   <sample.sim>\r\nOUTFILETYPE  <1>\r\nSIMAOUTFILE  <out.sim>\r\n"
    "PARAFILE     <sample_land.par>\r\nPARAKFILE    <sample_sea.jhd>\r\n";

// A fresh folder with the examples and these settings (none if empty),
// made the current directory, as the program's start-up directory.
std::wstring enter_fresh_folder(const std::string& settings) {
    const fs::path folder = temp_root / ("case" + std::to_string(++folder_number));
    fs::create_directory(folder);
    for (const char* name : {"sample.sim", "sample_xy.csv", "sample_land.par", "sample_sea.jhd", "sample_correction.par"}) {
        fs::copy_file(source_folder / "examples" / name, folder / name);
    }
    if (!settings.empty()) write_bytes(folder / "Pellowen.env", settings);
    SetCurrentDirectoryW(folder.c_str());
    return folder.wstring();
}

// Opens the dialog as the program does, in the current directory.
HWND open_dialog() {
    dialog::FrontEnd& fe = dialog::front_end();
    fe.job = batch::ConversionJob{};
    fe.in_folder = fe.out_folder = fe.land_folder = fe.sea_folder = "";
    if (fe.land.capacity == 0 && dialog::prepare_front_end(fe) != 0) return nullptr;
    fe.startup_directory_w = fs::current_path().wstring();
    dialog::to_cp932(fe.startup_directory_w, fe.startup_directory);
    person = Person{};
    return dialog::create_main_dialog(GetModuleHandleW(nullptr));
}

void close_dialog(HWND dlg) {
    if (IsWindow(dlg)) DestroyWindow(dlg);
    dialog::front_end().dialog = nullptr;
    for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) {
    }
}

std::string text_of(HWND dlg, int id) { return dialog::control_text(dlg, id, 1000); }

void command(HWND dlg, int id, int notification = 0) {
    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

void select_entry(HWND dlg, int id, int entry) {
    SendDlgItemMessageW(dlg, id, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
    command(dlg, id, CBN_SELCHANGE);
}

LRESULT selected(HWND dlg, int id) { return SendDlgItemMessageW(dlg, id, CB_GETCURSEL, 0, 0); }

// Zone 9, where the example points lie, then Run.
void run_in_zone_9(HWND dlg) {
    SendDlgItemMessageW(dlg, IDC_ZONE, CB_SETCURSEL, 8, 0);
    command(dlg, IDC_RUN);
}

// A file dropped from Explorer at the centre of a control.
void drop_file(HWND dlg, int id, const std::wstring& file) {
    RECT r;
    GetWindowRect(GetDlgItem(dlg, id), &r);
    POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ScreenToClient(dlg, &centre);
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + (file.size() + 2) * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    *drop = DROPFILES{sizeof(DROPFILES), centre, FALSE, TRUE};
    file.copy(reinterpret_cast<wchar_t*>(drop + 1), file.size());
    GlobalUnlock(memory);
    SendMessageW(dlg, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

const std::string ENV_MISSING = "[ErrorMsg] 環境ﾌｧｲﾙのOpen Error !!\n";
const std::string CONVERSION_ERRORS = error("変換ｴﾗｰがあります、ｴﾗｰ内容を表示しますので必ず確認してください !!");
const char* const IN_LABEL_SIMA = "ＳＩＭＡ入力ファイル";
const char* const IN_LABEL_XY = "ＸＹ　　入力ファイル";
const char* const OUT_LABEL_SIMA = "ＳＩＭＡ出力ファイル";
const char* const OUT_LABEL_XYBL = "ＸＹＢＬ出力ファイル";

// ---- cases ----

// ---- the template as the program's resources hold it, in dialog units ----

struct TemplateControl {
    int id;
    std::string kind;  // the window class, in lower case
    std::string text;  // CP932
    int x, y, cx, cy;
    DWORD style;
};

struct DialogTemplate {
    int cx = 0, cy = 0;
    std::vector<TemplateControl> controls;
};

// Reads the extended dialog template the dialog is created from. 1 when it
// is missing, not extended, or ends early.
int read_dialog_template(DialogTemplate& read) {
    HRSRC found = FindResourceW(nullptr, WIDE_DIALOG_NAME, MAKEINTRESOURCEW(5));  // RT_DIALOG
    const auto* bytes = found ? static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, found))) : nullptr;
    const std::size_t size = found ? SizeofResource(nullptr, found) : 0;
    std::size_t at = 0;
    bool short_read = false;
    const auto number = [&](std::size_t width) {
        std::uint32_t value = 0;
        if (at + width > size) short_read = true;
        else std::memcpy(&value, bytes + at, width);  // little-endian, as Windows
        at += width;
        return value;
    };
    // A class or a title: none, a predefined ordinal, or a string.
    const auto name = [&]() {
        const std::uint32_t first = number(2);
        if (first == 0xFFFF) {
            const std::uint32_t ordinal = number(2);
            const char* predefined[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"};
            return ordinal >= 0x80 && ordinal < 0x86 ? std::string(predefined[ordinal - 0x80]) : std::to_string(ordinal);
        }
        std::wstring wide;
        for (std::uint32_t c = first; c != 0 && !short_read; c = number(2)) wide.push_back(static_cast<wchar_t>(c));
        return cp932(wide);
    };
    // Class names are compared as Windows does, without letter case.
    const auto class_name = [&]() {
        std::string kind = name();
        for (char& c : kind) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return kind;
    };
    const auto to_short = [](std::uint32_t value) { return static_cast<int>(static_cast<std::int16_t>(value)); };
    if (bytes == nullptr || number(2) != 1 || number(2) != 0xFFFF) return 1;
    at += 8;  // help id, extended style
    const std::uint32_t style = number(4);
    const std::uint32_t count = number(2);
    at += 4;  // x, y
    read.cx = to_short(number(2));
    read.cy = to_short(number(2));
    for (int i = 0; i < 3; ++i) name();  // menu, class, caption
    if ((style & DS_SETFONT) != 0) {
        at += 6;  // size, weight, italic, character set
        name();
    }
    for (std::uint32_t i = 0; i < count && !short_read; ++i) {
        at = (at + 3) & ~std::size_t{3};
        TemplateControl control{};
        at += 8;  // help id, extended style
        control.style = number(4);
        control.x = to_short(number(2));
        control.y = to_short(number(2));
        control.cx = to_short(number(2));
        control.cy = to_short(number(2));
        control.id = static_cast<int>(number(4));
        control.kind = class_name();
        control.text = name();
        at += number(2);  // creation data
        read.controls.push_back(control);
    }
    return short_read ? 1 : 0;
}

// The correction files' row came in under the sea grid's version line: the
// 32 controls of before keep kind, text, size and place, but for the status
// line and the two buttons, which move down by as much as the dialog grows.
// The map file's box came into the output type's row, moving nothing.
void template_layout_pins_every_control() {
    DialogTemplate layout;
    CHECK_INT(read_dialog_template(layout), 0);
    CHECK_INT(layout.cx, 287);
    CHECK_INT(layout.cy, 318);
    const int delta = layout.cy - 283;  // the height before the row came
    // id, kind, text, place and size before the row came, whether it moves
    const std::tuple<int, const char*, const char*, int, int, int, int, bool> controls[] = {
        {IDC_DIRECTION_GROUP, "button", "座標変換方法", 10, 2, 105, 45, false},
        {IDC_TOKYO_TO_JGD, "button", "旧測地座標⇒世界測地座標", 15, 15, 95, 10, false},
        {IDC_JGD_TO_TOKYO, "button", "世界測地座標⇒旧測地座標", 15, 30, 95, 10, false},
        {IDC_DECIMALS_LABEL, "static", "座標表示桁数（少数以下）", 125, 10, 80, 15, false},
        {IDC_DECIMALS, "edit", "", 210, 10, 20, 15, false},
        {IDC_DECIMALS_SPIN, "msctls_updown32", "Spin1", 230, 10, 10, 15, false},
        {IDC_ZONE_LABEL, "static", "座標系", 125, 30, 25, 15, false},
        {IDC_ZONE, "combobox", "", 155, 30, 125, 80, false},
        {IDC_IN_TYPE_LABEL, "static", "入力形式", 10, 60, 30, 15, false},
        {IDC_IN_TYPE, "combobox", "", 75, 60, 80, 42, false},
        {IDC_IN_FILE_LABEL, "static", "ＳＩＭＡ入力ファイル", 10, 80, 60, 15, false},
        {IDC_IN_FILE, "edit", "", 75, 80, 180, 15, false},
        {IDC_CHOOSE_IN, "button", "選択", 255, 80, 20, 15, false},
        {IDC_OUT_TYPE_LABEL, "static", "出力形式", 10, 100, 30, 15, false},
        {IDC_OUT_TYPE, "combobox", "", 75, 100, 80, 42, false},
        {IDC_OUT_FILE_LABEL, "static", "ＳＩＭＡ出力ファイル", 10, 120, 60, 15, false},
        {IDC_OUT_FILE, "edit", "", 75, 120, 180, 15, false},
        {IDC_CHOOSE_OUT, "button", "選択", 255, 120, 20, 15, false},
        {IDC_PARA_FILE_LABEL, "static", "地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙ", 10, 150, 60, 15, false},
        {IDC_PARA_FILE, "edit", "", 75, 150, 180, 15, false},
        {IDC_CHOOSE_PARA, "button", "選択", 255, 150, 20, 15, false},
        {IDC_PARA_VERSION_LABEL, "static", "ﾊﾟﾗﾒｰﾀﾊﾞｰｼﾞｮﾝ", 75, 170, 70, 15, false},
        {IDC_PARA_VERSION, "static", "", 150, 170, 70, 15, false},
        {IDC_PARAK_FILE_LABEL, "static", "海保庁ﾊﾟﾗﾒｰﾀﾌｧｲﾙ", 10, 190, 60, 15, false},
        {IDC_PARAK_FILE, "edit", "", 75, 190, 180, 15, false},
        {IDC_CHOOSE_PARAK, "button", "選択", 255, 190, 20, 15, false},
        {IDC_PARAK_VERSION_LABEL, "static", "ﾊﾟﾗﾒｰﾀﾊﾞｰｼﾞｮﾝ", 75, 210, 70, 15, false},
        {IDC_PARAK_VERSION, "static", "", 150, 210, 70, 15, false},
        {IDC_STATUS_LABEL, "static", "実行状況", 10, 230, 30, 15, true},
        {IDC_STATUS, "static", "", 50, 230, 230, 15, true},
        {IDC_RUN, "button", "実 行", 15, 255, 50, 15, true},
        {IDC_EXIT, "button", "終了", 220, 255, 50, 15, true},
        // The row, between the sea grid's version line and the moved status
        // line: label, list (three lines), the chooser and below it the
        // clearing button, in the choosers' column.
        {IDC_CORR_FILE_LABEL, "static", "補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙ", 10, 230, 60, 15, false},
        {IDC_CORR_FILES, "edit", "", 75, 230, 180, 30, false},
        {IDC_CHOOSE_CORR, "button", "選択", 255, 230, 20, 15, false},
        {IDC_CLEAR_CORR, "button", "ｸﾘｱ", 255, 245, 20, 15, false},
        // The map file's box: right of the output type list, in its row.
        {IDC_WRITE_MAP, "button", "地図ﾌｧｲﾙ(GeoJSON)も作成", 165, 100, 115, 15, false},
    };
    const auto shown = [](const std::string& kind, const std::string& text, int x, int y, int cx, int cy) {
        return kind + " " + text + " " + std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(cx) + "x" +
               std::to_string(cy);
    };
    for (const auto& [id, kind, text, x, y, cx, cy, moves] : controls) {
        const auto c = std::find_if(layout.controls.begin(), layout.controls.end(), [id](const auto& t) { return t.id == id; });
        CHECK_TEXT(c == layout.controls.end() ? "(none)" : shown(c->kind, c->text, c->x, c->y, c->cx, c->cy),
                   shown(kind, text, x, moves ? y + delta : y, cx, cy));
    }
    // Every control once, and no other; the list is a read-only edit of
    // lines that does not wrap a long path.
    std::vector<int> ids;
    for (const TemplateControl& control : layout.controls) ids.push_back(control.id);
    std::sort(ids.begin(), ids.end());
    CHECK_INT(std::adjacent_find(ids.begin(), ids.end()) == ids.end(), 1);
    CHECK_INT(ids.size(), std::size(controls));
    for (const TemplateControl& control : layout.controls) {
        if (control.id == IDC_CORR_FILES) {
            const DWORD wanted = ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
            CHECK_INT(control.style & wanted, wanted);
        }
        // A box that checks itself when clicked, reached by Tab straight
        // after the output type list.
        if (control.id == IDC_WRITE_MAP) {
            CHECK_INT((control.style & BS_TYPEMASK) == BS_AUTOCHECKBOX && (control.style & WS_TABSTOP) != 0, 1);
        }
    }
    const auto out_type = std::find_if(layout.controls.begin(), layout.controls.end(),
                                       [](const TemplateControl& c) { return c.id == IDC_OUT_TYPE; });
    CHECK_INT(out_type + 1 < layout.controls.end() && out_type[1].id == IDC_WRITE_MAP, 1);
}

void first_start_without_settings() {
    const std::wstring folder = enter_fresh_folder("");
    HWND dlg = open_dialog();
    CHECK_TEXT(person.messages, ENV_MISSING);
    CHECK_INT(IsDlgButtonChecked(dlg, IDC_TOKYO_TO_JGD) * 10 + IsDlgButtonChecked(dlg, IDC_JGD_TO_TOKYO), 10);
    CHECK_INT(SendDlgItemMessageW(dlg, IDC_ZONE, CB_GETCOUNT, 0, 0), 19);
    CHECK_INT(SendDlgItemMessageW(dlg, IDC_DECIMALS_SPIN, UDM_GETRANGE, 0, 0), MAKELONG(8, 3));
    CHECK_INT(selected(dlg, IDC_IN_TYPE) + selected(dlg, IDC_OUT_TYPE), 2 * CB_ERR);
    CHECK_INT(IsDlgButtonChecked(dlg, IDC_WRITE_MAP), BST_UNCHECKED);
    const std::pair<int, const char*> texts[] = {
        {IDC_DECIMALS, "3"}, {IDC_ZONE, " 7【第　Ⅶ系】石川・富山・岐阜・愛知"}, {IDC_IN_FILE, ""}, {IDC_OUT_FILE, ""},
        {IDC_PARA_FILE, ""}, {IDC_PARAK_FILE, ""}, {IDC_STATUS, ""}, {IDC_IN_FILE_LABEL, IN_LABEL_SIMA},
        {IDC_OUT_FILE_LABEL, OUT_LABEL_SIMA}, {IDC_CORR_FILES, ""},
    };
    for (const auto& [id, text] : texts) CHECK_TEXT(text_of(dlg, id), text);

    // Every chooser opens in the start-up directory; cancelling changes nothing.
    const auto call = [&](const char* kind, const char* filter, DWORD options, const char* extension) {
        return std::string(kind) + " 76 " + filter + " in " + cp932(folder) + " options " + std::to_string(options) +
               " ext " + extension;
    };
    constexpr DWORD OPEN = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    const std::pair<int, std::string> choosers[] = {
        {IDC_CHOOSE_IN, call("open", "XYFile|*.TXT;*.txt;*.csv", OPEN, "")},
        {IDC_CHOOSE_OUT, call("save", "XYFile|*.TXT;*.txt;*.csv", OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY, "SIM")},
        {IDC_CHOOSE_PARA, call("open", "地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙ|*.par", OPEN, "")},
        {IDC_CHOOSE_PARAK, call("open", "海保ﾊﾟﾗﾒｰﾀﾌｧｲﾙ|*.jhd", OPEN, "")},
        {IDC_CHOOSE_CORR, call("open", "補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙ|*.par", OPEN, "")},
    };
    for (const auto& [button, expected] : choosers) {
        person.choosers.clear();
        command(dlg, button);
        CHECK_TEXT(person.choosers.empty() ? "(none)" : person.choosers[0], expected);
    }
    const batch::ConversionJob& job = dialog::front_end().job;
    CHECK_TEXT(job.in_file + job.out_file + job.para_file + job.parak_file, "");
    CHECK_INT(job.correction_files.size(), 0);

    command(dlg, IDC_RUN);
    CHECK_TEXT(person.messages, ENV_MISSING + error("入力SIMAファイルの指定が不当です !!"));
    CHECK_INT(fs::exists(folder + L"\\Pellowen.env"), 0);
    close_dialog(dlg);
}

void opening_with_settings() {
    enter_fresh_folder(
        "INFILETYPE   <2>\r\nSIMAINFILE   <sample_xy.csv>\r\nOUTFILETYPE  <2>\r\nSIMAOUTFILE  <D:\\結果\\out.txt>\r\n"
        "PARAFILE     <sample_land.par>\r\nPARAKFILE    <sample_sea.jhd>\r\n"
        "CORRFILE     <sample_correction.par>\r\nCORRFILE     <D:\\補正\\第2.par>\r\n");
    HWND dlg = open_dialog();
    CHECK_TEXT(person.messages, "");
    CHECK_INT(selected(dlg, IDC_IN_TYPE) * 10 + selected(dlg, IDC_OUT_TYPE), 11);
    const std::pair<int, const char*> texts[] = {
        {IDC_IN_TYPE, " 2. 点名, X, Y ﾌｫｰﾏｯﾄ"}, {IDC_OUT_TYPE, " 2. XYBL X'Y'B'L'"}, {IDC_IN_FILE_LABEL, IN_LABEL_XY},
        {IDC_OUT_FILE_LABEL, OUT_LABEL_XYBL}, {IDC_IN_FILE, "sample_xy.csv"}, {IDC_OUT_FILE, "D:\\結果\\out.txt"},
        {IDC_PARA_VERSION, "S1.00"}, {IDC_PARAK_VERSION, "S1.00"},
    };
    for (const auto& [id, text] : texts) CHECK_TEXT(text_of(dlg, id), text);
    // The folders the choosers will open in; a path without "\" is its own.
    CHECK_TEXT(dialog::front_end().in_folder + "|" + dialog::front_end().out_folder, "sample_xy.csv|D:\\結果");
    // The correction files in their order; their chooser opens where the
    // last one lies.
    CHECK_TEXT(text_of(dlg, IDC_CORR_FILES), "1: sample_correction.par\r\n2: D:\\補正\\第2.par");
    command(dlg, IDC_CHOOSE_CORR);  // cancelled
    CHECK_INT(person.choosers.size() == 1 && person.choosers[0].find(" in D:\\補正 options ") != std::string::npos, 1);

    // A type chosen from a list clears its path and relabels it; the grid
    // paths are left alone.
    const batch::ConversionJob& job = dialog::front_end().job;
    // list, entry, path edit, its label and the label's text, the path set
    const std::tuple<int, int, int, int, const char*, const std::string&> changes[] = {
        {IDC_IN_TYPE, 0, IDC_IN_FILE, IDC_IN_FILE_LABEL, IN_LABEL_SIMA, job.in_file},
        {IDC_IN_TYPE, 1, IDC_IN_FILE, IDC_IN_FILE_LABEL, IN_LABEL_XY, job.in_file},
        {IDC_OUT_TYPE, 0, IDC_OUT_FILE, IDC_OUT_FILE_LABEL, OUT_LABEL_SIMA, job.out_file},
        {IDC_OUT_TYPE, 1, IDC_OUT_FILE, IDC_OUT_FILE_LABEL, OUT_LABEL_XYBL, job.out_file},
    };
    for (const auto& [list, entry, edit, label, label_text, path] : changes) {
        SetDlgItemTextW(dlg, edit, L"something");
        select_entry(dlg, list, entry);
        CHECK_TEXT(text_of(dlg, edit) + path + "|" + text_of(dlg, label), std::string("|") + label_text);
        CHECK_INT(static_cast<int>(job.in_file_type) * 10 + static_cast<int>(job.out_file_type), list == IDC_IN_TYPE ? 10 * entry + 12 : 21 + entry);
    }
    CHECK_TEXT(job.para_file + "|" + job.parak_file, "sample_land.par|sample_sea.jhd");
    close_dialog(dlg);

    // A land grid that cannot be read: two messages, and the sea grid is not
    // shown either.
    // The correction files, only paths until a Run, are shown all the same.
    enter_fresh_folder("PARAFILE     <missing.par>\r\nPARAKFILE    <sample_sea.jhd>\r\nCORRFILE     <補正.par>\r\n");
    dlg = open_dialog();
    CHECK_TEXT(person.messages,
               error("missing.par 地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙ Open Error !!") + error("地理院パラメータファイルが読めません !!"));
    CHECK_TEXT(text_of(dlg, IDC_PARA_FILE) + "|" + text_of(dlg, IDC_PARAK_FILE) + "|" + text_of(dlg, IDC_PARAK_VERSION) +
                   "|" + text_of(dlg, IDC_CORR_FILES),
               "missing.par|||1: 補正.par");
    CHECK_TEXT(dialog::front_end().job.parak_file + "|" + dialog::front_end().sea_folder, "sample_sea.jhd|");
    close_dialog(dlg);
}

// Each case spoils its own setting and every later one, in reverse, so the
// case's own message comes first only if the checks keep their order.
void each_run_check_fails_in_turn() {
    using Job = batch::ConversionJob;
    const auto unselect = [](int id) {
        return [id](HWND d, Job&) { SendDlgItemMessageW(d, id, CB_SETCURSEL, static_cast<WPARAM>(-1), 0); };
    };
    const auto decimals = [](const wchar_t* text) { return [text](HWND d, Job&) { SetDlgItemTextW(d, IDC_DECIMALS, text); }; };
    const std::pair<std::function<void(HWND, Job&)>, std::string> cases[] = {
        {[](HWND d, Job&) { CheckDlgButton(d, IDC_TOKYO_TO_JGD, BST_UNCHECKED); }, error("座標変換方法の指定が不当です !!")},
        {decimals(L"2"), error("表示桁数の指定が不当です !!")},
        {decimals(L"9"), error("表示桁数の指定が不当です !!")},
        {unselect(IDC_ZONE), error("座標系の指定が不当です !!")},
        {[](HWND, Job& job) { job.in_file = "none.sim"; }, error("入力SIMAファイルの指定が不当です !!")},
        {[](HWND d, Job& job) {  // a path typed into the edit is not used
             job.in_file.clear();
             SetDlgItemTextW(d, IDC_IN_FILE, L"sample.sim");
         },
         error("入力SIMAファイルの指定が不当です !!")},
        {[](HWND, Job& job) { job.para_file = "none.par"; }, error("地理院パラメータファイルの指定が不当です !!")},
        {[](HWND, Job& job) { job.para_file = "."; },
         error(". 地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙ Open Error !!") + error("地理院パラメータファイルが読めません !!")},
        {[](HWND, Job& job) { job.para_file = "sample_correction.par"; },  // a correction file chosen as the land grid
         error("sample_correction.par 変換量が小さすぎます、補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙのようです、地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙを指定してください !!") +
             error("地理院パラメータファイルが読めません !!")},
        {[](HWND, Job& job) { job.parak_file = "none.jhd"; }, error("海保パラメータファイルの指定が不当です !!")},
        {[](HWND, Job& job) { job.parak_file = "."; },
         error(". 海保ﾊﾟﾗﾒｰﾀﾌｧｲﾙ Open Error !!") + error("海保パラメータファイルが読めません !!")},
        {[](HWND, Job& job) { job.correction_files.assign(10, "none.par"); }, error("補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙは9個までです !!")},
        {[](HWND, Job& job) { job.correction_files = {"sample_correction.par", "none.par"}; },
         error("none.par 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙの指定が不当です !!")},
        {[](HWND, Job& job) { job.correction_files = {"."}; },
         error(". 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙ Open Error !!") + error(". 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙが読めません !!")},
        {unselect(IDC_IN_TYPE), error("入力形式の指定が不当です !!")},
        {unselect(IDC_OUT_TYPE), error("出力形式の指定が不当です !!")},
        // A height file changes SIMA heights: with XYBL output it is refused.
        {[](HWND d, Job& job) {
             write_bytes("height.par", "T\r\nMeshCode   dH(m)     0.00000\r\n53394500   0.10000   0.00000\r\n");
             job.correction_files = {"height.par"};
             SendDlgItemMessageW(d, IDC_OUT_TYPE, CB_SETCURSEL, 1, 0);
         },
         error("height.par 標高の補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙはSIMA入力・SIMA出力のときだけ使えます !!")},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        current_case = "each_run_check_fails_in_turn: " + std::to_string(i + 1);
        const std::wstring folder = enter_fresh_folder(FULL_SETTINGS);
        HWND dlg = open_dialog();
        for (std::size_t k = std::size(cases); k-- > i;) cases[k].first(dlg, dialog::front_end().job);
        fs::remove(folder + L"\\Pellowen.env");
        command(dlg, IDC_RUN);
        CHECK_TEXT(person.messages, cases[i].second);
        // A stopped Run saves nothing and converts nothing.
        CHECK_TEXT(read_bytes(folder + L"\\Pellowen.env") + read_bytes(folder + L"\\out.sim") + person.editor,
                   "(missing)(missing)");
        close_dialog(dlg);
    }
}

void full_run_saves_settings_then_converts() {
    const std::wstring folder = enter_fresh_folder(FULL_SETTINGS);
    HWND dlg = open_dialog();
    write_bytes(folder + L"\\Pellowen.env", "old");           // saved again by the Run
    SetDlgItemTextW(dlg, IDC_DECIMALS, L"3abc");             // reads as 3
    run_in_zone_9(dlg);
    CHECK_TEXT(person.messages, CONVERSION_ERRORS);
    CHECK_TEXT(read_bytes(folder + L"\\Pellowen.env"), FULL_SETTINGS);
    const fs::path expected = source_folder / "tests" / "data" / "forward_sima";
    CHECK_INT(read_bytes(folder + L"\\out.sim") == read_bytes(expected.wstring() + L".sim"), 1);
    CHECK_INT(read_bytes(folder + L"\\out_Log.txt") == read_bytes(expected.wstring() + L"_Log.txt"), 1);
    CHECK_TEXT(person.editor, "NotePad.exe out_Log.txt\n");
    // The status line keeps the last point's line, after its number.
    std::string last_line = text_of(dlg, IDC_STATUS);
    last_line.erase(0, last_line.find(' ') + 1);
    if (!last_line.empty() && last_line.back() == '\n') last_line.pop_back();
    CHECK_INT(last_line.size() > 3 && read_bytes(folder + L"\\sample.sim").find(last_line + "\r\n") != std::string::npos, 1);
    close_dialog(dlg);

    // The settings file is written first, even when the output then fails;
    // a job that wrote nothing says why and opens nothing.
    enter_fresh_folder(FULL_SETTINGS);
    dlg = open_dialog();
    dialog::front_end().job.out_file = "nofolder\\out.sim";
    command(dlg, IDC_RUN);
    CHECK_INT(read_bytes("Pellowen.env").find("SIMAOUTFILE  <nofolder\\out.sim>") != std::string::npos, 1);
    CHECK_TEXT(person.messages + person.editor, error("nofolder\\out.sim SIMA出力ﾌｧｲﾙ Open Error !!"));
    close_dialog(dlg);

    // An XYBL output named as the land grid: refused, and the grid is never
    // handed to the editor, where a save would change it.
    const std::wstring grid_folder = enter_fresh_folder(FULL_SETTINGS);
    const std::string grid_before = read_bytes(grid_folder + L"\\sample_land.par");
    dlg = open_dialog();
    SendDlgItemMessageW(dlg, IDC_OUT_TYPE, CB_SETCURSEL, 1, 0);
    dialog::front_end().job.out_file = "sample_land.par";
    command(dlg, IDC_RUN);
    CHECK_TEXT(person.messages + person.editor, error("sample_land.par 入力ﾌｧｲﾙを上書きしてしまいます !!"));
    CHECK_INT(read_bytes(grid_folder + L"\\sample_land.par") == grid_before, 1);
    close_dialog(dlg);
}

void settings_round_trip_through_choosers() {
    const std::wstring folder = enter_fresh_folder(FULL_SETTINGS);
    const std::wstring sub = folder + L"\\現場 1";
    fs::create_directory(sub);
    fs::copy_file(folder + L"\\sample_xy.csv", sub + L"\\点.csv");
    HWND dlg = open_dialog();
    select_entry(dlg, IDC_IN_TYPE, 1);
    select_entry(dlg, IDC_OUT_TYPE, 1);
    person.answers = {sub + L"\\点.csv", sub + L"\\結果.txt", folder + L"\\sample_land.par", folder + L"\\sample_sea.jhd"};
    for (int button : {IDC_CHOOSE_IN, IDC_CHOOSE_OUT, IDC_CHOOSE_PARA, IDC_CHOOSE_PARAK}) command(dlg, button);
    // The choosers move the current directory; the file stays at start-up.
    SetCurrentDirectoryW(sub.c_str());
    run_in_zone_9(dlg);
    CHECK_TEXT(person.messages, CONVERSION_ERRORS);
    close_dialog(dlg);
    CHECK_INT(fs::exists(sub + L"\\結果.txt") * 10 + fs::exists(sub + L"\\Pellowen.env"), 10);

    SetCurrentDirectoryW(folder.c_str());
    dlg = open_dialog();
    const batch::ConversionJob& read = dialog::front_end().job;
    CHECK_TEXT(person.messages, "");
    CHECK_INT(static_cast<int>(read.in_file_type) * 10 + static_cast<int>(read.out_file_type), 22);
    const std::string out = cp932(sub + L"\\結果.txt");
    CHECK_TEXT(read.in_file + "|" + read.out_file + "|" + read.para_file + "|" + read.parak_file,
               cp932(sub + L"\\点.csv|") + out + cp932(L"|" + folder + L"\\sample_land.par|" + folder + L"\\sample_sea.jhd"));
    CHECK_TEXT(text_of(dlg, IDC_IN_FILE) + "|" + dialog::front_end().in_folder, cp932(sub + L"\\点.csv|" + sub));
    // A chosen path that no path setting can hold is refused.
    for (const std::wstring& answer : {L"C:\\" + std::wstring(130, L'測') + L".sim", std::wstring(L"C:\\\U0001F600.sim")}) {
        person.messages.clear();
        person.answers = {answer};
        command(dlg, IDC_CHOOSE_OUT);
        CHECK_TEXT(person.messages, error("このﾌｧｲﾙ名は使えません (CP932で255ﾊﾞｲﾄまで) !!"));
        CHECK_TEXT(text_of(dlg, IDC_OUT_FILE) + "|" + read.out_file, out + "|" + out);
    }
    close_dialog(dlg);
}

// ---- the correction files ----

std::size_t count_of(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) text += part + "\n";
    return text;
}

// Each choice adds one file at the end and the list shows them numbered in
// that order; the chooser opens where the last one lies; clearing empties.
void correction_files_are_added_in_order_and_cleared() {
    const std::wstring folder = enter_fresh_folder("");
    const std::wstring sub = folder + L"\\補正 2";
    fs::create_directory(sub);
    fs::copy_file(folder + L"\\sample_correction.par", sub + L"\\第2.par");
    HWND dlg = open_dialog();
    batch::ConversionJob& job = dialog::front_end().job;
    const std::string first = cp932(sub + L"\\第2.par");
    const std::string second = cp932(folder + L"\\sample_correction.par");
    person.answers = {sub + L"\\第2.par", L"", folder + L"\\sample_correction.par", L""};
    for (int i = 0; i < 4; ++i) command(dlg, IDC_CHOOSE_CORR);
    CHECK_TEXT(text_of(dlg, IDC_CORR_FILES), "1: " + first + "\r\n2: " + second);
    CHECK_TEXT(joined(job.correction_files), first + "\n" + second + "\n");
    const auto opened_in = [](const std::wstring& in) {
        return "open 76 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙ|*.par in " + cp932(in) + " options " +
               std::to_string(OFN_FILEMUSTEXIST | OFN_HIDEREADONLY) + " ext \n";
    };
    CHECK_TEXT(joined(person.choosers), opened_in(folder) + opened_in(sub) + opened_in(sub) + opened_in(folder));

    command(dlg, IDC_CLEAR_CORR);
    CHECK_TEXT(text_of(dlg, IDC_CORR_FILES) + joined(job.correction_files), "");
    person.choosers.clear();
    command(dlg, IDC_CHOOSE_CORR);  // cancelled
    CHECK_TEXT(joined(person.choosers), opened_in(folder));

    // A list longer than its three lines scrolls to show the file just added.
    person.answers.assign(5, folder + L"\\sample_correction.par");
    for (int i = 0; i < 5; ++i) command(dlg, IDC_CHOOSE_CORR);
    HWND list = GetDlgItem(dlg, IDC_CORR_FILES);
    RECT inside;
    GetClientRect(list, &inside);
    const LRESULT fifth = SendMessageW(list, EM_LINEINDEX, 4, 0);
    const LRESULT place = SendMessageW(list, EM_POSFROMCHAR, static_cast<WPARAM>(fifth), 0);
    CHECK_INT(SendMessageW(list, EM_GETFIRSTVISIBLELINE, 0, 0) > 0, 1);
    CHECK_INT(place != -1 && static_cast<short>(HIWORD(place)) < inside.bottom && static_cast<short>(LOWORD(place)) >= 0, 1);

    // The list of a Run is full at nine: a tenth is refused before a chooser
    // opens, and a dropped one too.
    job.correction_files.assign(9, second);
    person = Person{};
    command(dlg, IDC_CHOOSE_CORR);
    drop_file(dlg, IDC_CORR_FILES, folder + L"\\sample_correction.par");
    CHECK_TEXT(person.messages, error("補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙは9個までです !!") + error("補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙは9個までです !!"));
    CHECK_INT(person.choosers.size() * 100 + job.correction_files.size(), 9);
    close_dialog(dlg);
}

// A Run with a correction file applies it after the shift, names it in the
// log, marks every point with what it did, and saves it in the settings.
void run_with_correction_file() {
    const std::wstring folder = enter_fresh_folder(FULL_SETTINGS);
    HWND dlg = open_dialog();
    person.answers = {folder + L"\\sample_correction.par"};
    command(dlg, IDC_CHOOSE_CORR);
    run_in_zone_9(dlg);
    CHECK_TEXT(person.messages, CONVERSION_ERRORS);
    const std::string path = cp932(folder + L"\\sample_correction.par");
    CHECK_TEXT(read_bytes(folder + L"\\Pellowen.env"), FULL_SETTINGS + "CORRFILE     <" + path + ">\r\n");
    const std::string log = read_bytes(folder + L"\\out_Log.txt");
    CHECK_INT(log.find("\r\n#補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙ1     : " + path + ",\r\n") != std::string::npos, 1);
    // The sample has points both inside the file's area and outside it.
    CHECK_INT(count_of(log, "  <補正1済>\r\n") > 0 && count_of(log, "  <補正1範囲外>\r\n") > 0, 1);
    CHECK_TEXT(text_of(dlg, IDC_CORR_FILES), "1: " + path);
    close_dialog(dlg);
}

// ---- the map file ----

// The box opens as the settings file has it; a click changes it and the Run
// takes what it shows: the settings saved with it and the map file written
// beside the output, or neither.
void map_file_box_from_settings_to_run() {
    const std::string MAP_LINE = "MAPFILE      <1>\r\n";
    // settings, box at opening, box at the Run
    const std::tuple<std::string, UINT, UINT> cases[] = {
        {FULL_SETTINGS, BST_UNCHECKED, BST_CHECKED},
        {FULL_SETTINGS + MAP_LINE, BST_CHECKED, BST_UNCHECKED},
    };
    for (const auto& [settings, at_opening, at_run] : cases) {
        current_case = "map_file_box_from_settings_to_run: box " + std::to_string(at_run);
        const std::wstring folder = enter_fresh_folder(settings);
        HWND dlg = open_dialog();
        CHECK_TEXT(person.messages, "");
        CHECK_INT(IsDlgButtonChecked(dlg, IDC_WRITE_MAP), at_opening);
        SendDlgItemMessageW(dlg, IDC_WRITE_MAP, BM_CLICK, 0, 0);
        CHECK_INT(IsDlgButtonChecked(dlg, IDC_WRITE_MAP), at_run);
        run_in_zone_9(dlg);
        CHECK_TEXT(person.messages, CONVERSION_ERRORS);
        const std::string map = read_bytes(folder + L"\\out_map.geojson");
        if (at_run == BST_CHECKED) {
            CHECK_TEXT(read_bytes(folder + L"\\Pellowen.env"), FULL_SETTINGS + MAP_LINE);
            const std::string start = "{\"type\":\"FeatureCollection\"";
            CHECK_TEXT(map.substr(0, start.size()), start);
            CHECK_INT(count_of(map, "{\"type\":\"Feature\","), 12);  // every point of sample.sim
        } else {
            CHECK_TEXT(read_bytes(folder + L"\\Pellowen.env"), FULL_SETTINGS);
            CHECK_TEXT(map, "(missing)");
        }
        // The output itself is the same either way.
        const fs::path expected = source_folder / "tests" / "data" / "forward_sima.sim";
        CHECK_INT(read_bytes(folder + L"\\out.sim") == read_bytes(expected), 1);
        close_dialog(dlg);
    }
}

// Ends the message loop with 99 if the dialog did not end it.
void CALLBACK give_up(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(99); }

void escape_and_close_box_end_like_exit() {
    const auto escape_in = [](int id) {
        return [id](HWND d) {
            SetFocus(GetDlgItem(d, id));
            PostMessageW(GetDlgItem(d, id), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        };
    };
    const std::pair<const char*, std::function<void(HWND)>> cases[] = {
        {"exit button", [](HWND d) { PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_EXIT, BN_CLICKED), 0); }},
        {"escape key", escape_in(IDC_IN_FILE)},
        // The list is an edit of many lines, which takes keys of its own.
        {"escape key in the correction files", escape_in(IDC_CORR_FILES)},
        {"close box", [](HWND d) { PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& [what, act] : cases) {
        current_case = std::string("escape_and_close_box_end_like_exit: ") + what;
        const std::wstring folder = enter_fresh_folder(FULL_SETTINGS);
        HWND dlg = open_dialog();
        SetFocus(GetDlgItem(dlg, IDC_IN_FILE));
        const UINT_PTR timer = SetTimer(nullptr, 0, 5000, give_up);
        act(dlg);
        CHECK_INT(dialog::run_message_loop(), 0);
        KillTimer(nullptr, timer);
        CHECK_INT(IsWindow(dlg) * 10 + (dialog::front_end().dialog != nullptr), 0);
        CHECK_TEXT(read_bytes(folder + L"\\Pellowen.env"), FULL_SETTINGS);  // nothing saved
        close_dialog(dlg);
    }
}

// A file dropped on a path edit or its button is taken as if chosen there.
void drops_on_path_edits_and_buttons() {
    using Job = batch::ConversionJob;
    // drop target, file, the path it sets, the edit showing it, the version label
    const std::tuple<int, const wchar_t*, std::string Job::*, int, int> cases[] = {
        {IDC_IN_FILE, L"sample_xy.csv", &Job::in_file, IDC_IN_FILE, 0},
        {IDC_OUT_FILE, L"結果.sim", &Job::out_file, IDC_OUT_FILE, 0},
        {IDC_PARA_FILE, L"sample_land.par", &Job::para_file, IDC_PARA_FILE, IDC_PARA_VERSION},
        {IDC_PARAK_FILE, L"sample_sea.jhd", &Job::parak_file, IDC_PARAK_FILE, IDC_PARAK_VERSION},
        {IDC_CHOOSE_IN, L"sample.sim", &Job::in_file, IDC_IN_FILE, 0},
        {IDC_CHOOSE_PARAK, L"sample_sea.jhd", &Job::parak_file, IDC_PARAK_FILE, IDC_PARAK_VERSION},
    };
    for (const auto& [target, file, path, edit, version] : cases) {
        current_case = "drops_on_path_edits_and_buttons: " + std::to_string(target);
        const std::wstring folder = enter_fresh_folder("");
        write_bytes(folder + L"\\結果.sim", "");
        HWND dlg = open_dialog();
        const std::string full = cp932(folder + L"\\" + file);
        drop_file(dlg, target, folder + L"\\" + file);
        CHECK_TEXT(person.messages, ENV_MISSING);  // of the opening only
        CHECK_TEXT(dialog::front_end().job.*path + "|" + text_of(dlg, edit), full + "|" + full);
        if (version != 0) CHECK_TEXT(text_of(dlg, version), "S1.00");
        close_dialog(dlg);
    }
    // On the correction files' list or its chooser a drop adds at the end.
    current_case = "drops on the correction files";
    std::wstring folder = enter_fresh_folder("");
    HWND dlg = open_dialog();
    drop_file(dlg, IDC_CORR_FILES, folder + L"\\sample_correction.par");
    drop_file(dlg, IDC_CHOOSE_CORR, folder + L"\\sample_land.par");
    CHECK_TEXT(text_of(dlg, IDC_CORR_FILES),
               "1: " + cp932(folder + L"\\sample_correction.par") + "\r\n2: " + cp932(folder + L"\\sample_land.par"));
    close_dialog(dlg);

    // A drop elsewhere (the clearing button too), or of a folder on an
    // input, changes nothing.
    current_case = "drops elsewhere";
    folder = enter_fresh_folder("");
    dlg = open_dialog();
    drop_file(dlg, IDC_STATUS, folder + L"\\sample.sim");
    drop_file(dlg, IDC_IN_FILE, folder);
    drop_file(dlg, IDC_CORR_FILES, folder);
    drop_file(dlg, IDC_CLEAR_CORR, folder + L"\\sample_correction.par");
    const batch::ConversionJob& job = dialog::front_end().job;
    CHECK_TEXT(job.in_file + job.out_file + job.para_file + job.parak_file + joined(job.correction_files), "");
    close_dialog(dlg);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::printf("usage: dialog_tests SOURCE_FOLDER\n");
        return 2;
    }
    source_folder = argv[1];
    std::printf("Windows code pages: ANSI %u, OEM %u\n", GetACP(), GetOEMCP());
    dialog::modals = {[](OPENFILENAMEW* ofn) { return answer_chooser(ofn, "open"); },
                      [](OPENFILENAMEW* ofn) { return answer_chooser(ofn, "save"); }, record_message, record_editor};
    temp_root = fs::temp_directory_path() / ("pellowen_dialog_" + std::to_string(GetCurrentProcessId()));
    fs::create_directory(temp_root);
#define CASE(name) {#name, name}
    const std::pair<const char*, void (*)()> cases[] = {
        CASE(template_layout_pins_every_control),
        CASE(first_start_without_settings), CASE(opening_with_settings),
        CASE(each_run_check_fails_in_turn), CASE(full_run_saves_settings_then_converts),
        CASE(settings_round_trip_through_choosers), CASE(correction_files_are_added_in_order_and_cleared),
        CASE(run_with_correction_file), CASE(map_file_box_from_settings_to_run), CASE(escape_and_close_box_end_like_exit),
        CASE(drops_on_path_edits_and_buttons),
    };
    for (const auto& [name, run] : cases) {
        current_case = name;
        const int before = failures;
        run();
        std::printf("%s %s\n", failures == before ? "ok    " : "FAILED", name);
    }
    SetCurrentDirectoryW(fs::temp_directory_path().c_str());
    std::error_code ignored;
    fs::remove_all(temp_root, ignored);
    std::printf("%d checks, %d failed\n", checks, failures);
    return failures == 0 ? 0 : 1;
}
