// The program's entry: the dialog program ignores its command line.
#include <windows.h>

#include "dialog/main_dialog.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*command_line*/, int show_command) {
    return dialog::run_front_end(instance, show_command);
}
