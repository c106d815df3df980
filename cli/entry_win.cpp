// The entry point on Windows: the arguments come as UTF-16, whatever the
// system's ANSI code page, and go on as UTF-8 so that nothing is lost
// before each path is converted to CP932 (or refused).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "terminal.h"
#include "text/convert.h"

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        std::string utf8;
        if (text::from_utf16(CP_UTF8, argv[i], text::Fit::Exact, utf8) != 0) {
            std::fprintf(stderr, "pellowen-batch: argument %d is not valid text\n", i);
            return 2;
        }
        arguments.push_back(std::move(utf8));
    }
    std::vector<char*> pointers;
    for (std::string& a : arguments) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    return cli::batch_main(argc, pointers.data());
}
