// The real dialog, created from the real template, driven as a surveyor
// would drive it. The choosers, the message boxes and the editor are
// replaced by stand-ins that record what the person would have seen and
// answer for them. Run under Wine or Windows:
//   dialog_tests.exe SOURCE_FOLDER
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "dialog/main_dialog.h"
#include "dialog/modals.h"
#include "dialog/win_text.h"
#include "dialog_ids.h"
#include "geodesy/zones.h"

namespace {

using dialog::FrontEnd;

// ---- the person in front of the dialog ----

struct ChooserCall {
    bool save = false;
    DWORD record_size = 0;
    std::string filter;  // description "|" pattern, CP932
    std::string folder;
    std::string proposed;
    DWORD options = 0;
    std::string default_extension;
};

struct Person {
    std::vector<std::pair<std::string, std::string>> messages;  // text, caption
    std::vector<ChooserCall> choosers;
    std::deque<std::wstring> answers;  // files to choose; empty: cancel
    std::vector<std::pair<std::string, std::string>> editor;  // file, parameter
    int stray_boxes = 0;  // message boxes not owned by the dialog or not OK-only
};

Person person;

std::string cp932(std::wstring_view wide) {
    std::string text;
    dialog::to_cp932(wide, text);
    return text;
}

int record_message(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    // Every box belongs to the dialog and has an OK button only.
    if (owner == nullptr || owner != dialog::front_end().dialog || type != MB_OK) ++person.stray_boxes;
    person.messages.emplace_back(cp932(text), cp932(caption));
    return IDOK;
}

BOOL answer_chooser(OPENFILENAMEW* ofn, bool save) {
    ChooserCall call;
    call.save = save;
    call.record_size = ofn->lStructSize;
    const std::wstring description = ofn->lpstrFilter;
    const std::wstring pattern = ofn->lpstrFilter + description.size() + 1;
    call.filter = cp932(description) + "|" + cp932(pattern);
    call.folder = ofn->lpstrInitialDir != nullptr ? cp932(ofn->lpstrInitialDir) : "(none)";
    call.proposed = cp932(ofn->lpstrFile);
    call.options = ofn->Flags;
    call.default_extension = ofn->lpstrDefExt != nullptr ? cp932(ofn->lpstrDefExt) : "";
    person.choosers.push_back(call);
    if (person.answers.empty() || person.answers.front().empty()) {
        if (!person.answers.empty()) person.answers.pop_front();
        return FALSE;
    }
    const std::wstring answer = person.answers.front();
    person.answers.pop_front();
    lstrcpynW(ofn->lpstrFile, answer.c_str(), static_cast<int>(ofn->nMaxFile));
    return TRUE;
}

BOOL answer_open(OPENFILENAMEW* ofn) { return answer_chooser(ofn, false); }
BOOL answer_save(OPENFILENAMEW* ofn) { return answer_chooser(ofn, true); }

HINSTANCE record_editor(HWND, const wchar_t*, const wchar_t* file, const wchar_t* parameters, const wchar_t*, int) {
    person.editor.emplace_back(cp932(file), cp932(parameters));
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(33));
}

// ---- checks ----

int failures = 0;
int checks = 0;
std::string current_case;

void fail(int line, const std::string& what) {
    ++failures;
    std::printf("FAILED %s (line %d): %s\n", current_case.c_str(), line, what.c_str());
}

std::string shown(const std::string& cp932_text) {
    // The console of the tests shows UTF-8.
    const std::wstring wide = dialog::to_wide(cp932_text);
    std::string utf8(wide.size() * 4 + 1, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(),
                                      static_cast<int>(utf8.size()), nullptr, nullptr);
    utf8.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return "\"" + utf8 + "\"";
}

void check_text(int line, const std::string& actual, const std::string& expected) {
    ++checks;
    if (actual != expected) fail(line, shown(actual) + " expected " + shown(expected));
}

void check_int(int line, long long actual, long long expected) {
    ++checks;
    if (actual != expected) fail(line, std::to_string(actual) + " expected " + std::to_string(expected));
}

#define CHECK_TEXT(actual, expected) check_text(__LINE__, (actual), (expected))
#define CHECK_INT(actual, expected) check_int(__LINE__, (actual), (expected))

// ---- the scene: a folder of examples and a dialog opened in it ----

std::wstring source_folder;
std::wstring temp_root;
int folder_number = 0;

std::string read_bytes(const std::wstring& path) {
    std::string bytes;
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (f == nullptr) return "(missing)";
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
    std::fclose(f);
    return bytes;
}

void write_bytes(const std::wstring& path, const std::string& bytes) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (f == nullptr) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring example(const wchar_t* name) { return source_folder + L"\\examples\\" + name; }
std::wstring expected_file(const wchar_t* name) { return source_folder + L"\\tests\\data\\" + name; }

const std::string FULL_SETTINGS =
    "INFILETYPE   <1>\r\nSIMAINFILE   <sample.sim>\r\nOUTFILETYPE  <1>\r\nSIMAOUTFILE  <out.sim>\r\n"
    "PARAFILE     <sample_land.par>\r\nPARAKFILE    <sample_sea.jhd>\r\n";

// A fresh folder with the examples, made the current directory, as the
// program's start-up directory; with settings unless they are empty.
std::wstring enter_fresh_folder(const std::string& settings) {
    const std::wstring folder = temp_root + L"\\case" + std::to_wstring(++folder_number);
    CreateDirectoryW(folder.c_str(), nullptr);
    for (const wchar_t* name : {L"sample.sim", L"sample_xy.csv", L"sample_land.par", L"sample_sea.jhd"}) {
        CopyFileW(example(name).c_str(), (folder + L"\\" + name).c_str(), FALSE);
    }
    if (!settings.empty()) write_bytes(folder + L"\\Pellowen.env", settings);
    SetCurrentDirectoryW(folder.c_str());
    return folder;
}

// Opens the dialog as the program does, in the current directory.
HWND open_dialog() {
    FrontEnd& fe = dialog::front_end();
    fe.job = batch::ConversionJob{};
    fe.in_folder.clear();
    fe.out_folder.clear();
    fe.gsi_folder.clear();
    fe.jcg_folder.clear();
    if (!fe.gsi.records && dialog::prepare_front_end(fe) != 0) return nullptr;
    const DWORD length = GetCurrentDirectoryW(0, nullptr);
    fe.startup_directory_w.assign(length, L'\0');
    fe.startup_directory_w.resize(GetCurrentDirectoryW(length, fe.startup_directory_w.data()));
    dialog::to_cp932(fe.startup_directory_w, fe.startup_directory);
    person = Person{};
    return dialog::create_main_dialog(GetModuleHandleW(nullptr));
}

void close_dialog(HWND dlg) {
    if (IsWindow(dlg)) DestroyWindow(dlg);
    dialog::front_end().dialog = nullptr;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
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

std::string folder_cp932(const std::wstring& folder) { return cp932(folder); }

// A file dropped from Explorer at the centre of a control.
void drop_file(HWND dlg, int id, const std::wstring& file) {
    RECT r;
    GetWindowRect(GetDlgItem(dlg, id), &r);
    POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ScreenToClient(dlg, &centre);
    const std::size_t bytes = sizeof(DROPFILES) + (file.size() + 2) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GHND, bytes);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->pt = centre;
    drop->fNC = FALSE;
    drop->fWide = TRUE;
    auto* names = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(drop) + sizeof(DROPFILES));
    file.copy(names, file.size());
    GlobalUnlock(memory);
    SendMessageW(dlg, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

using Message = std::pair<std::string, std::string>;

void check_messages(int line, const std::vector<Message>& expected) {
    check_int(line, person.stray_boxes, 0);
    ++checks;
    bool same = person.messages.size() == expected.size();
    for (std::size_t i = 0; same && i < expected.size(); ++i) same = person.messages[i] == expected[i];
    if (same) return;
    std::string what = "messages:";
    for (const auto& [text, caption] : person.messages) what += " [" + shown(caption) + "] " + shown(text);
    what += " expected:";
    for (const auto& [text, caption] : expected) what += " [" + shown(caption) + "] " + shown(text);
    fail(line, what);
}
#define CHECK_MESSAGES(...) check_messages(__LINE__, __VA_ARGS__)

const Message ENV_MISSING{"環境ﾌｧｲﾙのOpen Error !!", "ErrorMsg"};
const char* const IN_LABEL_SIMA = "ＳＩＭＡ入力ファイル";
const char* const IN_LABEL_XY = "ＸＹ　　入力ファイル";
const char* const OUT_LABEL_SIMA = "ＳＩＭＡ出力ファイル";
const char* const OUT_LABEL_XYBL = "ＸＹＢＬ出力ファイル";

// ---- cases ----

void first_start_without_settings() {
    const std::wstring folder = enter_fresh_folder("");
    HWND dlg = open_dialog();
    CHECK_MESSAGES({ENV_MISSING});
    CHECK_INT(IsDlgButtonChecked(dlg, IDC_TOKYO_TO_JGD), BST_CHECKED);
    CHECK_INT(IsDlgButtonChecked(dlg, IDC_JGD_TO_TOKYO), BST_UNCHECKED);
    CHECK_TEXT(text_of(dlg, IDC_DECIMALS), "3");
    CHECK_TEXT(text_of(dlg, IDC_ZONE), " 7【第　Ⅶ系】石川・富山・岐阜・愛知");
    CHECK_INT(SendDlgItemMessageW(dlg, IDC_ZONE, CB_GETCOUNT, 0, 0), 19);
    CHECK_INT(selected(dlg, IDC_IN_TYPE), CB_ERR);
    CHECK_INT(selected(dlg, IDC_OUT_TYPE), CB_ERR);
    for (int id : {IDC_IN_FILE, IDC_OUT_FILE, IDC_PARA_FILE, IDC_PARAK_FILE, IDC_STATUS}) CHECK_TEXT(text_of(dlg, id), "");
    CHECK_TEXT(text_of(dlg, IDC_IN_FILE_LABEL), IN_LABEL_SIMA);
    CHECK_TEXT(text_of(dlg, IDC_OUT_FILE_LABEL), OUT_LABEL_SIMA);
    CHECK_TEXT(text_of(dlg, IDC_PARA_FILE_LABEL), "地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙ");

    // Every chooser opens in the start-up directory; cancelling changes nothing.
    struct ChooserCase {
        int button;
        bool save;
        const char* filter;
        DWORD options;
        const char* extension;
    };
    const ChooserCase choosers[] = {
        {IDC_CHOOSE_IN, false, "XYFile|*.TXT;*.txt;*.csv", OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, ""},
        {IDC_CHOOSE_OUT, true, "XYFile|*.TXT;*.txt;*.csv", OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY, "SIM"},
        {IDC_CHOOSE_PARA, false, "地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙ|*.par", OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, ""},
        {IDC_CHOOSE_PARAK, false, "海保ﾊﾟﾗﾒｰﾀﾌｧｲﾙ|*.jhd", OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, ""},
    };
    for (const ChooserCase& c : choosers) {
        person.choosers.clear();
        person.answers = {L""};
        command(dlg, c.button);
        CHECK_INT(static_cast<long long>(person.choosers.size()), 1);
        if (person.choosers.empty()) continue;
        const ChooserCall& call = person.choosers[0];
        CHECK_INT(call.save, c.save);
        CHECK_INT(call.record_size, 76);
        CHECK_TEXT(call.filter, c.filter);
        CHECK_TEXT(call.folder, folder_cp932(folder));
        CHECK_INT(call.options, c.options);
        CHECK_TEXT(call.default_extension, c.extension);
    }
    CHECK_TEXT(dialog::front_end().job.in_file, "");

    person.messages.clear();
    command(dlg, IDC_RUN);
    CHECK_MESSAGES({{"入力SIMAファイルの指定が不当です !!", "Error"}});
    CHECK_INT(exists(folder + L"\\Pellowen.env"), 0);
    close_dialog(dlg);
}

void opening_with_xy_settings() {
    enter_fresh_folder(
        "INFILETYPE   <2>\r\nSIMAINFILE   <sample_xy.csv>\r\nOUTFILETYPE  <2>\r\nSIMAOUTFILE  <D:\\結果\\out.txt>\r\n"
        "PARAFILE     <sample_land.par>\r\nPARAKFILE    <sample_sea.jhd>\r\n");
    HWND dlg = open_dialog();
    CHECK_MESSAGES({});
    CHECK_INT(selected(dlg, IDC_IN_TYPE), 1);
    CHECK_INT(selected(dlg, IDC_OUT_TYPE), 1);
    CHECK_TEXT(text_of(dlg, IDC_IN_TYPE), " 2. 点名, X, Y ﾌｫｰﾏｯﾄ");
    CHECK_TEXT(text_of(dlg, IDC_OUT_TYPE), " 2. XYBL X'Y'B'L'");
    CHECK_TEXT(text_of(dlg, IDC_IN_FILE_LABEL), IN_LABEL_XY);
    CHECK_TEXT(text_of(dlg, IDC_OUT_FILE_LABEL), OUT_LABEL_XYBL);
    CHECK_TEXT(text_of(dlg, IDC_IN_FILE), "sample_xy.csv");
    CHECK_TEXT(text_of(dlg, IDC_OUT_FILE), "D:\\結果\\out.txt");
    CHECK_TEXT(text_of(dlg, IDC_PARA_VERSION), "S1.00");
    CHECK_TEXT(text_of(dlg, IDC_PARAK_VERSION), "S1.00");
    const FrontEnd& fe = dialog::front_end();
    CHECK_TEXT(fe.in_folder, "sample_xy.csv");  // no "\": the path itself
    CHECK_TEXT(fe.out_folder, "D:\\結果");
    close_dialog(dlg);
}

void opening_with_unreadable_land_grid() {
    enter_fresh_folder(
        "PARAFILE     <missing.par>\r\nPARAKFILE    <sample_sea.jhd>\r\nINFILETYPE   <1>\r\nOUTFILETYPE  <1>\r\n");
    HWND dlg = open_dialog();
    CHECK_INT(static_cast<long long>(person.messages.size()), 2);
    if (person.messages.size() == 2) {
        CHECK_TEXT(person.messages[0].first.substr(0, 11), "missing.par");
        CHECK_TEXT(person.messages[1].first, "地理院パラメータファイルが読めません !!");
        CHECK_TEXT(person.messages[1].second, "Error");
    }
    CHECK_TEXT(text_of(dlg, IDC_PARA_FILE), "missing.par");
    CHECK_TEXT(text_of(dlg, IDC_PARAK_FILE), "");
    CHECK_TEXT(text_of(dlg, IDC_PARAK_VERSION), "");
    CHECK_TEXT(dialog::front_end().job.parak_file, "sample_sea.jhd");
    CHECK_TEXT(dialog::front_end().jcg_folder, "");
    close_dialog(dlg);
}

void type_lists_clear_their_path_and_relabel() {
    enter_fresh_folder(FULL_SETTINGS);
    HWND dlg = open_dialog();
    const FrontEnd& fe = dialog::front_end();
    struct TypeCase {
        int list;
        int entry;
        int path_edit;
        int label;
        const char* label_text;
    };
    const TypeCase cases[] = {
        {IDC_IN_TYPE, 1, IDC_IN_FILE, IDC_IN_FILE_LABEL, IN_LABEL_XY},
        {IDC_IN_TYPE, 0, IDC_IN_FILE, IDC_IN_FILE_LABEL, IN_LABEL_SIMA},
        {IDC_OUT_TYPE, 1, IDC_OUT_FILE, IDC_OUT_FILE_LABEL, OUT_LABEL_XYBL},
        {IDC_OUT_TYPE, 0, IDC_OUT_FILE, IDC_OUT_FILE_LABEL, OUT_LABEL_SIMA},
    };
    for (const TypeCase& c : cases) {
        SetDlgItemTextW(dlg, c.path_edit, L"something");
        select_entry(dlg, c.list, c.entry);
        CHECK_TEXT(text_of(dlg, c.path_edit), "");
        CHECK_TEXT(text_of(dlg, c.label), c.label_text);
    }
    CHECK_INT(fe.job.in_file_type, 1);
    CHECK_INT(fe.job.out_file_type, 1);
    CHECK_TEXT(fe.job.in_file, "");
    CHECK_TEXT(fe.job.out_file, "");
    // The grid paths are left alone.
    CHECK_TEXT(fe.job.para_file, "sample_land.par");
    close_dialog(dlg);
}

void each_run_check_fails_in_turn() {
    struct RunCase {
        const char* what;
        std::function<void(HWND, FrontEnd&)> spoil;
        std::vector<Message> expected;
    };
    const Message gsi_unreadable{"地理院パラメータファイルが読めません !!", "Error"};
    const RunCase cases[] = {
        {"no direction",
         [](HWND d, FrontEnd&) { SendDlgItemMessageW(d, IDC_TOKYO_TO_JGD, BM_SETCHECK, BST_UNCHECKED, 0); },
         {{"座標変換方法の指定が不当です !!", "Error"}}},
        {"decimals 2", [](HWND d, FrontEnd&) { SetDlgItemTextW(d, IDC_DECIMALS, L"2"); },
         {{"表示桁数の指定が不当です !!", "Error"}}},
        {"decimals 9", [](HWND d, FrontEnd&) { SetDlgItemTextW(d, IDC_DECIMALS, L"9"); },
         {{"表示桁数の指定が不当です !!", "Error"}}},
        {"no decimals", [](HWND d, FrontEnd&) { SetDlgItemTextW(d, IDC_DECIMALS, L""); },
         {{"表示桁数の指定が不当です !!", "Error"}}},
        {"no zone", [](HWND d, FrontEnd&) { SendDlgItemMessageW(d, IDC_ZONE, CB_SETCURSEL, static_cast<WPARAM>(-1), 0); },
         {{"座標系の指定が不当です !!", "Error"}}},
        {"input missing", [](HWND, FrontEnd& fe) { fe.job.in_file = "none.sim"; },
         {{"入力SIMAファイルの指定が不当です !!", "Error"}}},
        {"path typed into the input edit is not used",
         [](HWND d, FrontEnd& fe) {
             fe.job.in_file.clear();
             SetDlgItemTextW(d, IDC_IN_FILE, L"sample.sim");
         },
         {{"入力SIMAファイルの指定が不当です !!", "Error"}}},
        {"land grid missing", [](HWND, FrontEnd& fe) { fe.job.para_file = "none.par"; },
         {{"地理院パラメータファイルの指定が不当です !!", "Error"}}},
        {"land grid is a folder", [](HWND, FrontEnd& fe) { fe.job.para_file = "."; },
         {{". 地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙ Open Error !!", "Error"}, gsi_unreadable}},
        {"sea grid missing", [](HWND, FrontEnd& fe) { fe.job.parak_file = "none.jhd"; },
         {{"海保パラメータファイルの指定が不当です !!", "Error"}}},
        {"sea grid is a folder", [](HWND, FrontEnd& fe) { fe.job.parak_file = "."; },
         {{". 海保ﾊﾟﾗﾒｰﾀﾌｧｲﾙ Open Error !!", "Error"}, {"海保パラメータファイルが読めません !!", "Error"}}},
        {"no input type",
         [](HWND d, FrontEnd&) { SendDlgItemMessageW(d, IDC_IN_TYPE, CB_SETCURSEL, static_cast<WPARAM>(-1), 0); },
         {{"入力形式の指定が不当です !!", "Error"}}},
        {"no output type",
         [](HWND d, FrontEnd&) { SendDlgItemMessageW(d, IDC_OUT_TYPE, CB_SETCURSEL, static_cast<WPARAM>(-1), 0); },
         {{"出力形式の指定が不当です !!", "Error"}}},
    };
    for (const RunCase& c : cases) {
        current_case = std::string("each_run_check_fails_in_turn: ") + c.what;
        const std::wstring folder = enter_fresh_folder(FULL_SETTINGS);
        HWND dlg = open_dialog();
        c.spoil(dlg, dialog::front_end());
        DeleteFileW((folder + L"\\Pellowen.env").c_str());
        command(dlg, IDC_RUN);
        CHECK_MESSAGES(c.expected);
        // A stopped Run saves nothing and converts nothing.
        CHECK_INT(exists(folder + L"\\Pellowen.env"), 0);
        CHECK_INT(exists(folder + L"\\out.sim"), 0);
        CHECK_INT(static_cast<long long>(person.editor.size()), 0);
        close_dialog(dlg);
    }
}

void full_run_saves_settings_then_converts() {
    const std::wstring folder = enter_fresh_folder(FULL_SETTINGS);
    HWND dlg = open_dialog();
    // Settings the Run must save, different from those read.
    write_bytes(folder + L"\\Pellowen.env", "old");
    SendDlgItemMessageW(dlg, IDC_ZONE, CB_SETCURSEL, 8, 0);  // zone 9
    SetDlgItemTextW(dlg, IDC_DECIMALS, L"3abc");             // reads as 3
    command(dlg, IDC_RUN);
    CHECK_MESSAGES({{"変換ｴﾗｰがあります、ｴﾗｰ内容を表示しますので必ず確認してください !!", "Error"}});
    CHECK_TEXT(read_bytes(folder + L"\\Pellowen.env"), FULL_SETTINGS);
    CHECK_INT(read_bytes(folder + L"\\out.sim") == read_bytes(expected_file(L"forward_sima.sim")), 1);
    CHECK_INT(read_bytes(folder + L"\\out_Log.txt") == read_bytes(expected_file(L"forward_sima_Log.txt")), 1);
    CHECK_INT(static_cast<long long>(person.editor.size()), 1);
    if (!person.editor.empty()) {
        CHECK_TEXT(person.editor[0].first, "NotePad.exe");
        CHECK_TEXT(person.editor[0].second, "out_Log.txt");
    }
    // The status line keeps the last point's line.
    const std::string status = text_of(dlg, IDC_STATUS);
    CHECK_INT(status.empty(), 0);
    std::string last_line = status.substr(status.find(' ') + 1);
    if (!last_line.empty() && last_line.back() == '\n') last_line.pop_back();
    CHECK_INT(last_line.size() > 3, 1);
    CHECK_INT(read_bytes(folder + L"\\sample.sim").find(last_line + "\r\n") != std::string::npos, 1);
    close_dialog(dlg);

    // The settings file is written first, even when the output then fails.
    enter_fresh_folder(FULL_SETTINGS);
    dlg = open_dialog();
    dialog::front_end().job.out_file = "nofolder\\out.sim";
    command(dlg, IDC_RUN);
    CHECK_INT(read_bytes(L"Pellowen.env").find("SIMAOUTFILE  <nofolder\\out.sim>") != std::string::npos, 1);
    CHECK_INT(person.messages.size() >= 1, 1);
    close_dialog(dlg);
}

void settings_round_trip_through_choosers() {
    const std::wstring folder = enter_fresh_folder(FULL_SETTINGS);
    const std::wstring sub = folder + L"\\現場 1";
    CreateDirectoryW(sub.c_str(), nullptr);
    CopyFileW((folder + L"\\sample_xy.csv").c_str(), (sub + L"\\点.csv").c_str(), FALSE);
    HWND dlg = open_dialog();
    select_entry(dlg, IDC_IN_TYPE, 1);
    select_entry(dlg, IDC_OUT_TYPE, 1);
    person.answers = {sub + L"\\点.csv", sub + L"\\結果.txt", folder + L"\\sample_land.par",
                      folder + L"\\sample_sea.jhd"};
    for (int button : {IDC_CHOOSE_IN, IDC_CHOOSE_OUT, IDC_CHOOSE_PARA, IDC_CHOOSE_PARAK}) command(dlg, button);
    // The choosers move the current directory; the file stays at start-up.
    SetCurrentDirectoryW(sub.c_str());
    SendDlgItemMessageW(dlg, IDC_ZONE, CB_SETCURSEL, 8, 0);
    command(dlg, IDC_RUN);
    CHECK_MESSAGES({{"変換ｴﾗｰがあります、ｴﾗｰ内容を表示しますので必ず確認してください !!", "Error"}});
    const batch::ConversionJob saved = dialog::front_end().job;
    close_dialog(dlg);
    CHECK_INT(exists(sub + L"\\結果.txt"), 1);
    CHECK_INT(exists(sub + L"\\Pellowen.env"), 0);

    SetCurrentDirectoryW(folder.c_str());
    dlg = open_dialog();
    const batch::ConversionJob& read = dialog::front_end().job;
    CHECK_MESSAGES({});
    CHECK_INT(read.in_file_type, 2);
    CHECK_INT(read.out_file_type, 2);
    CHECK_TEXT(read.in_file, saved.in_file);
    CHECK_TEXT(read.in_file, cp932(sub + L"\\点.csv"));
    CHECK_TEXT(read.out_file, saved.out_file);
    CHECK_TEXT(read.para_file, cp932(folder + L"\\sample_land.par"));
    CHECK_TEXT(read.parak_file, cp932(folder + L"\\sample_sea.jhd"));
    CHECK_TEXT(text_of(dlg, IDC_IN_FILE), saved.in_file);
    CHECK_TEXT(dialog::front_end().in_folder, cp932(sub));
    close_dialog(dlg);
}

void chosen_paths_no_path_field_can_hold_are_refused() {
    enter_fresh_folder(FULL_SETTINGS);
    HWND dlg = open_dialog();
    const std::wstring too_long = L"C:\\" + std::wstring(130, L'測') + L".sim";  // 265 bytes in CP932
    const std::wstring no_cp932 = L"C:\\\U0001F600.sim";
    for (const std::wstring& answer : {too_long, no_cp932}) {
        person.messages.clear();
        person.answers = {answer};
        command(dlg, IDC_CHOOSE_OUT);
        CHECK_MESSAGES({{"このﾌｧｲﾙ名は使えません (CP932で255ﾊﾞｲﾄまで) !!", "Error"}});
        CHECK_TEXT(dialog::front_end().job.out_file, "out.sim");
        CHECK_TEXT(text_of(dlg, IDC_OUT_FILE), "out.sim");
    }
    close_dialog(dlg);
}

// Ends the message loop with 99 if the dialog did not end it.
void CALLBACK give_up(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(99); }

void escape_and_close_box_end_like_exit() {
    struct EndCase {
        const char* what;
        std::function<void(HWND)> act;
    };
    const EndCase cases[] = {
        {"exit button", [](HWND d) { PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_EXIT, BN_CLICKED), 0); }},
        {"escape key", [](HWND d) { PostMessageW(GetDlgItem(d, IDC_IN_FILE), WM_KEYDOWN, VK_ESCAPE, 0x00010001); }},
        {"close box", [](HWND d) { PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const EndCase& c : cases) {
        current_case = std::string("escape_and_close_box_end_like_exit: ") + c.what;
        const std::wstring folder = enter_fresh_folder(FULL_SETTINGS);
        HWND dlg = open_dialog();
        SetFocus(GetDlgItem(dlg, IDC_IN_FILE));
        const UINT_PTR timer = SetTimer(nullptr, 0, 5000, give_up);
        c.act(dlg);
        const int code = dialog::run_message_loop();
        KillTimer(nullptr, timer);
        CHECK_INT(code, 0);
        CHECK_INT(IsWindow(dlg), 0);
        CHECK_INT(dialog::front_end().dialog == nullptr, 1);
        CHECK_TEXT(read_bytes(folder + L"\\Pellowen.env"), FULL_SETTINGS);
        close_dialog(dlg);
    }
}

void drops_on_path_edits_and_buttons() {
    struct DropCase {
        int target;
        const wchar_t* file;
        std::string batch::ConversionJob::*path;
        int edit;
        int version_label;
    };
    const DropCase cases[] = {
        {IDC_IN_FILE, L"sample_xy.csv", &batch::ConversionJob::in_file, IDC_IN_FILE, 0},
        {IDC_OUT_FILE, L"結果.sim", &batch::ConversionJob::out_file, IDC_OUT_FILE, 0},
        {IDC_PARA_FILE, L"sample_land.par", &batch::ConversionJob::para_file, IDC_PARA_FILE, IDC_PARA_VERSION},
        {IDC_PARAK_FILE, L"sample_sea.jhd", &batch::ConversionJob::parak_file, IDC_PARAK_FILE, IDC_PARAK_VERSION},
        {IDC_CHOOSE_IN, L"sample.sim", &batch::ConversionJob::in_file, IDC_IN_FILE, 0},
        {IDC_CHOOSE_PARAK, L"sample_sea.jhd", &batch::ConversionJob::parak_file, IDC_PARAK_FILE, IDC_PARAK_VERSION},
    };
    for (const DropCase& c : cases) {
        current_case = "drops_on_path_edits_and_buttons: " + cp932(c.file);
        const std::wstring folder = enter_fresh_folder("");
        write_bytes(folder + L"\\結果.sim", "");
        HWND dlg = open_dialog();
        person.messages.clear();
        const std::wstring full = folder + L"\\" + c.file;
        drop_file(dlg, c.target, full);
        CHECK_MESSAGES({});
        CHECK_TEXT(dialog::front_end().job.*c.path, cp932(full));
        CHECK_TEXT(text_of(dlg, c.edit), cp932(full));
        if (c.version_label != 0) CHECK_TEXT(text_of(dlg, c.version_label), "S1.00");
        close_dialog(dlg);
    }
    // A drop elsewhere, or of a folder on an input, changes nothing.
    current_case = "drops elsewhere";
    const std::wstring folder = enter_fresh_folder("");
    HWND dlg = open_dialog();
    drop_file(dlg, IDC_STATUS, folder + L"\\sample.sim");
    drop_file(dlg, IDC_IN_FILE, folder);
    const batch::ConversionJob& job = dialog::front_end().job;
    CHECK_TEXT(job.in_file + job.out_file + job.para_file + job.parak_file, "");
    close_dialog(dlg);
}


// The template as stored in the program's resources.
struct TemplateItem {
    int id = 0;
    std::string kind;
    std::string text;
    RECT at{};  // x, y, right, bottom in dialog units
    DWORD style = 0;
};

struct DialogTemplate {
    bool found = false;
    DWORD style = 0;
    RECT at{};
    std::string title;
    int point_size = 0;
    std::string font;
    std::vector<TemplateItem> items;
};

// Reads a text or an ordinal of the extended template; advances p.
std::string template_text(const WORD*& p) {
    static const char* const CLASS_ORDINALS[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"};
    if (*p == 0xFFFF) {
        const WORD ordinal = p[1];
        p += 2;
        return ordinal >= 0x80 && ordinal <= 0x85 ? CLASS_ORDINALS[ordinal - 0x80] : "#" + std::to_string(ordinal);
    }
    const std::wstring text(reinterpret_cast<const wchar_t*>(p));
    p += text.size() + 1;
    return cp932(text);
}

DialogTemplate read_template() {
    DialogTemplate t;
    HRSRC found = FindResourceExW(nullptr, RT_DIALOG, L"NorvakDlg", MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
    if (found == nullptr) return t;
    const auto* p = static_cast<const WORD*>(LockResource(LoadResource(nullptr, found)));
    if (p == nullptr || p[0] != 1 || p[1] != 0xFFFF) return t;  // not an extended template
    t.found = true;
    auto dword_at = [](const WORD* w) { return static_cast<DWORD>(w[0]) | (static_cast<DWORD>(w[1]) << 16); };
    t.style = dword_at(p + 6);
    const int count = p[8];
    const auto* xy = reinterpret_cast<const short*>(p + 9);
    t.at = {xy[0], xy[1], xy[0] + xy[2], xy[1] + xy[3]};
    p += 13;
    template_text(p);  // menu
    template_text(p);  // class
    t.title = template_text(p);
    t.point_size = p[0];
    p += 3;  // size, weight, italic and character set
    t.font = template_text(p);
    for (int i = 0; i < count; ++i) {
        p = reinterpret_cast<const WORD*>((reinterpret_cast<UINT_PTR>(p) + 3) & ~UINT_PTR{3});
        TemplateItem item;
        item.style = dword_at(p + 4);
        const auto* ixy = reinterpret_cast<const short*>(p + 6);
        item.at = {ixy[0], ixy[1], ixy[0] + ixy[2], ixy[1] + ixy[3]};
        item.id = static_cast<int>(dword_at(p + 10));
        p += 12;
        item.kind = template_text(p);
        item.text = template_text(p);
        const WORD extra = *p++;
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const char*>(p) + extra);
        t.items.push_back(item);
    }
    return t;
}

std::string upper(std::string text) {
    for (char& ch : text) ch = (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch;
    return text;
}

void template_has_every_control_in_place() {
    struct ControlCase {
        int id;
        const char* kind;
        const char* text;
        RECT at;  // x, y, right, bottom in dialog units
        DWORD style;  // besides WS_CHILD | WS_VISIBLE
    };
    constexpr DWORD LABEL = SS_LEFT | SS_CENTERIMAGE | WS_GROUP;
    constexpr DWORD PATH_EDIT = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
    constexpr DWORD CHOOSE = BS_PUSHBUTTON | WS_TABSTOP;
    const ControlCase controls[] = {
        {IDC_DIRECTION_GROUP, "Button", "座標変換方法", {10, 2, 115, 47}, BS_GROUPBOX},
        {IDC_TOKYO_TO_JGD, "Button", "旧測地座標⇒世界測地座標", {15, 15, 110, 25}, BS_AUTORADIOBUTTON},
        {IDC_JGD_TO_TOKYO, "Button", "世界測地座標⇒旧測地座標", {15, 30, 110, 40}, BS_AUTORADIOBUTTON},
        {IDC_DECIMALS_LABEL, "Static", "座標表示桁数（少数以下）", {125, 10, 205, 25}, LABEL},
        {IDC_DECIMALS, "Edit", "", {210, 10, 230, 25}, ES_CENTER | WS_BORDER | WS_TABSTOP},
        {IDC_DECIMALS_SPIN, "msctls_updown32", "Spin1", {230, 10, 240, 25}, UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY},
        {IDC_ZONE_LABEL, "Static", "座標系", {125, 30, 150, 45}, LABEL},
        {IDC_ZONE, "ComboBox", "", {155, 30, 280, 110}, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
        {IDC_IN_TYPE_LABEL, "Static", "入力形式", {10, 60, 40, 75}, LABEL},
        {IDC_IN_TYPE, "ComboBox", "", {75, 60, 155, 102}, CBS_DROPDOWNLIST | WS_TABSTOP},
        {IDC_IN_FILE_LABEL, "Static", IN_LABEL_SIMA, {10, 80, 70, 95}, LABEL},
        {IDC_IN_FILE, "Edit", "", {75, 80, 255, 95}, PATH_EDIT},
        {IDC_CHOOSE_IN, "Button", "選択", {255, 80, 275, 95}, CHOOSE},
        {IDC_OUT_TYPE_LABEL, "Static", "出力形式", {10, 100, 40, 115}, LABEL},
        {IDC_OUT_TYPE, "ComboBox", "", {75, 100, 155, 142}, CBS_DROPDOWNLIST | WS_TABSTOP},
        {IDC_OUT_FILE_LABEL, "Static", OUT_LABEL_SIMA, {10, 120, 70, 135}, LABEL},
        {IDC_OUT_FILE, "Edit", "", {75, 120, 255, 135}, PATH_EDIT},
        {IDC_CHOOSE_OUT, "Button", "選択", {255, 120, 275, 135}, CHOOSE},
        {IDC_PARA_FILE_LABEL, "Static", "地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙ", {10, 150, 70, 165}, LABEL},
        {IDC_PARA_FILE, "Edit", "", {75, 150, 255, 165}, PATH_EDIT},
        {IDC_CHOOSE_PARA, "Button", "選択", {255, 150, 275, 165}, CHOOSE},
        {IDC_PARA_VERSION_LABEL, "Static", "ﾊﾟﾗﾒｰﾀﾊﾞｰｼﾞｮﾝ", {75, 170, 145, 185}, LABEL},
        {IDC_PARA_VERSION, "Static", "", {150, 170, 220, 185}, LABEL},
        {IDC_PARAK_FILE_LABEL, "Static", "海保庁ﾊﾟﾗﾒｰﾀﾌｧｲﾙ", {10, 190, 70, 205}, LABEL},
        {IDC_PARAK_FILE, "Edit", "", {75, 190, 255, 205}, PATH_EDIT},
        {IDC_CHOOSE_PARAK, "Button", "選択", {255, 190, 275, 205}, CHOOSE},
        {IDC_PARAK_VERSION_LABEL, "Static", "ﾊﾟﾗﾒｰﾀﾊﾞｰｼﾞｮﾝ", {75, 210, 145, 225}, LABEL},
        {IDC_PARAK_VERSION, "Static", "", {150, 210, 220, 225}, LABEL},
        {IDC_STATUS_LABEL, "Static", "実行状況", {10, 230, 40, 245}, LABEL},
        {IDC_STATUS, "Static", "", {50, 230, 280, 245}, LABEL},
        {IDC_RUN, "Button", "実 行", {15, 255, 65, 270}, BS_PUSHBUTTON},
        {IDC_EXIT, "Button", "終了", {220, 255, 270, 270}, BS_PUSHBUTTON},
    };
    const DialogTemplate t = read_template();
    CHECK_INT(t.found, 1);
    CHECK_TEXT(t.title, "旧成果[XY座標]⇔世界測地系[XY座標] 変換(海上部）");
    CHECK_TEXT(t.font, "ＭＳ Ｐゴシック");
    CHECK_INT(t.point_size, 9);
    CHECK_INT(t.at.left, 10);
    CHECK_INT(t.at.top, 10);
    CHECK_INT(t.at.right - t.at.left, 287);
    CHECK_INT(t.at.bottom - t.at.top, 283);
    CHECK_INT(t.style & ~DWORD{DS_SETFONT}, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    CHECK_INT(static_cast<long long>(t.items.size()), 32);

    enter_fresh_folder("");
    HWND dlg = open_dialog();
    HWND child = GetWindow(dlg, GW_CHILD);
    for (std::size_t i = 0; i < std::size(controls) && i < t.items.size(); ++i) {
        const ControlCase& c = controls[i];
        const TemplateItem& item = t.items[i];
        current_case = "template_has_every_control_in_place: " + std::to_string(c.id);
        // The template, in its order, which is the tab order.
        CHECK_INT(item.id, c.id);
        CHECK_TEXT(upper(item.kind), upper(c.kind));  // class names ignore case
        CHECK_TEXT(item.text, c.text);
        CHECK_INT(item.style, WS_CHILD | WS_VISIBLE | c.style);
        CHECK_INT(item.at.left, c.at.left);
        CHECK_INT(item.at.top, c.at.top);
        CHECK_INT(item.at.right, c.at.right);
        CHECK_INT(item.at.bottom, c.at.bottom);
        // The dialog made from it: the same controls in the same order, each
        // where its dialog units put it (within the rounding of one pixel).
        CHECK_INT(child != nullptr ? GetDlgCtrlID(child) : -1, c.id);
        child = child != nullptr ? GetWindow(child, GW_HWNDNEXT) : nullptr;
        wchar_t kind[64] = {};
        GetClassNameW(GetDlgItem(dlg, c.id), kind, 64);
        CHECK_TEXT(cp932(kind), c.kind);
        RECT expected = c.at;
        MapDialogRect(dlg, &expected);
        RECT actual;
        GetWindowRect(GetDlgItem(dlg, c.id), &actual);
        MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&actual), 2);
        CHECK_INT(std::abs(actual.top - expected.top) <= 1, 1);
        if (c.id != IDC_DECIMALS && c.id != IDC_DECIMALS_SPIN) CHECK_INT(std::abs(actual.left - expected.left) <= 1, 1);
    }
    CHECK_INT(child == nullptr, 1);
    current_case = "template_has_every_control_in_place: the dialog";
    // The up-down control attaches itself to the right edge of its edit and
    // steps 3 to 8.
    RECT spin;
    RECT edit;
    GetWindowRect(GetDlgItem(dlg, IDC_DECIMALS_SPIN), &spin);
    GetWindowRect(GetDlgItem(dlg, IDC_DECIMALS), &edit);
    CHECK_INT(std::abs(spin.left - edit.right) <= 2, 1);  // it may overlap the edit's border
    CHECK_TEXT(text_of(dlg, IDC_DECIMALS), "3");
    CHECK_INT(SendDlgItemMessageW(dlg, IDC_DECIMALS_SPIN, UDM_GETRANGE, 0, 0), MAKELONG(8, 3));
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
    dialog::modals = {answer_open, answer_save, record_message, record_editor};
    std::wstring temp(MAX_PATH + 1, L'\0');
    temp.resize(GetTempPathW(MAX_PATH + 1, temp.data()));
    temp_root = temp + L"pellowen_dialog_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(temp_root.c_str(), nullptr);

    const std::pair<const char*, void (*)()> cases[] = {
        {"template_has_every_control_in_place", template_has_every_control_in_place},
        {"first_start_without_settings", first_start_without_settings},
        {"opening_with_xy_settings", opening_with_xy_settings},
        {"opening_with_unreadable_land_grid", opening_with_unreadable_land_grid},
        {"type_lists_clear_their_path_and_relabel", type_lists_clear_their_path_and_relabel},
        {"each_run_check_fails_in_turn", each_run_check_fails_in_turn},
        {"full_run_saves_settings_then_converts", full_run_saves_settings_then_converts},
        {"settings_round_trip_through_choosers", settings_round_trip_through_choosers},
        {"chosen_paths_no_path_field_can_hold_are_refused", chosen_paths_no_path_field_can_hold_are_refused},
        {"escape_and_close_box_end_like_exit", escape_and_close_box_end_like_exit},
        {"drops_on_path_edits_and_buttons", drops_on_path_edits_and_buttons},
    };
    for (const auto& [name, run] : cases) {
        current_case = name;
        const int before = failures;
        const ULONGLONG start = GetTickCount64();
        run();
        std::printf("%s %s (%llu ms)\n", failures == before ? "ok    " : "FAILED", name, GetTickCount64() - start);
    }
    SetCurrentDirectoryW(temp.c_str());
    SHFILEOPSTRUCTW remove{};
    const std::wstring doubly_terminated = temp_root + L'\0';
    remove.wFunc = FO_DELETE;
    remove.pFrom = doubly_terminated.c_str();
    remove.fFlags = FOF_NO_UI;
    SHFileOperationW(&remove);
    std::printf("%d checks, %d failed\n", checks, failures);
    return failures == 0 ? 0 : 1;
}
