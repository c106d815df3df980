// The terminal's encoding on POSIX systems: the locale's character set,
// converted by text::convert (iconv).
#include <langinfo.h>

#include <clocale>
#include <cstdio>
#include <cstring>

#include "terminal.h"
#include "text/convert.h"
#include "text/cp932.h"

namespace cli {

namespace {

std::string terminal_codeset = "UTF-8";

}  // namespace

void init_terminal_encoding() {
    std::setlocale(LC_CTYPE, "");
    const char* codeset = nl_langinfo(CODESET);
    if (codeset != nullptr && *codeset != '\0' && std::strcmp(codeset, "ANSI_X3.4-1968") != 0 &&
        std::strcmp(codeset, "ASCII") != 0) {
        terminal_codeset = codeset;
    }
}

int argument_to_cp932(std::string_view argument, std::string& cp932) {
    if (text::convert("CP932", terminal_codeset.c_str(), argument, cp932) != 0) return 1;
    // Some characters share one CP932 code with another (U+301C and U+FF5E
    // both become 81 60, which reads back as U+FF5E): such a name would open
    // or create another file than the one given.
    std::string back;
    if (text::convert(terminal_codeset.c_str(), "CP932", cp932, back) != 0 || back != argument) return 2;
    return 0;
}

std::string argument_to_terminal(std::string_view argument) { return std::string(argument); }

std::string cp932_to_terminal(std::string_view cp932) {
    std::string out;
    if (text::convert(terminal_codeset.c_str(), "CP932", cp932, out) == 0) return out;
    // Convert piece by piece, replacing what the terminal cannot show.
    std::string piece;
    out.clear();
    for (std::size_t i = 0; i < cp932.size();) {
        const std::size_t n = text::cp932_char_size(cp932, i);
        if (text::convert(terminal_codeset.c_str(), "CP932", cp932.substr(i, n), piece) == 0) {
            out += piece;
        } else {
            out += '?';
        }
        i += n;
    }
    return out;
}

void write_error_line(std::string_view cp932) {
    std::fputs(cp932_to_terminal(cp932).c_str(), stderr);
    std::fputc('\n', stderr);
}

}  // namespace cli
