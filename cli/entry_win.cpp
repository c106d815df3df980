// The entry point on Windows: the arguments come as UTF-16, whatever the
// system's ANSI code page, and go on as UTF-8 so that nothing is lost
// before each path is converted to CP932 (or refused).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "terminal.h"

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        const int size = static_cast<int>(wcslen(argv[i]));
        std::string utf8;
        if (size > 0) {
            const int n = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, argv[i], size, nullptr, 0, nullptr, nullptr);
            if (n <= 0) {
                std::fprintf(stderr, "pellowen-batch: argument %d is not valid text\n", i);
                return 2;
            }
            utf8.assign(static_cast<std::size_t>(n), '\0');
            WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, argv[i], size, utf8.data(), n, nullptr, nullptr);
        }
        arguments.push_back(std::move(utf8));
    }
    std::vector<char*> pointers;
    for (std::string& a : arguments) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    return cli::batch_main(argc, pointers.data());
}
