// Copies a UTF-8 C++ source with every non-ASCII character of its string and
// character literals written as octal escapes of its CP932 bytes, and every
// non-ASCII character of its comments as '?'. Compiled so, a source gives
// the same CP932 texts as with -fexec-charset=CP932, which clang lacks.
//   cp932_literals IN OUT
// Its conversion is the product's own, text/src/convert.cpp, built in.
#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "text/convert.h"

namespace {

// Length of the UTF-8 sequence that starts with lead, 0 when it is no lead.
int sequence_length(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: cp932_literals IN OUT\n", stderr);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    const std::string src = all.str();
    enum { CODE, LINE_COMMENT, BLOCK_COMMENT, STRING, CHAR } state = CODE;
    std::string out;
    std::string cp932;
    int line = 1;
    for (std::size_t i = 0; i < src.size(); ++i) {
        const char c = src[i];
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '\n') ++line;
        if (u >= 0x80) {
            const int n = sequence_length(u);
            if (n == 0 || i + n > src.size()) {
                std::fprintf(stderr, "%s:%d: not UTF-8\n", argv[1], line);
                return 1;
            }
            const std::string utf8 = src.substr(i, static_cast<std::size_t>(n));
            i += static_cast<std::size_t>(n) - 1;
            if (state == STRING || state == CHAR) {
                if (text::utf8_to_cp932(utf8, cp932) != 0) {
                    std::fprintf(stderr, "%s:%d: a literal holds a character CP932 lacks\n", argv[1], line);
                    return 1;
                }
                for (unsigned char b : cp932) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\%03o", b);
                    out += escape;
                }
            } else if (state == CODE) {
                std::fprintf(stderr, "%s:%d: non-ASCII outside literals and comments\n", argv[1], line);
                return 1;
            } else {
                out += '?';
            }
            continue;
        }
        out += c;
        const char next = i + 1 < src.size() ? src[i + 1] : '\0';
        switch (state) {
        case CODE:
            if (c == '/' && next == '/') {
                state = LINE_COMMENT;
                out += src[++i];
            } else if (c == '/' && next == '*') {
                state = BLOCK_COMMENT;
                out += src[++i];
            } else if (c == '"') {
                // A raw string would take escapes literally: none may hold
                // non-ASCII text.
                state = STRING;
            } else if (c == '\'' && !(i > 0 && std::isxdigit(static_cast<unsigned char>(src[i - 1])))) {
                state = CHAR;  // not a digit separator
            }
            break;
        case LINE_COMMENT:
            if (c == '\n') state = CODE;
            break;
        case BLOCK_COMMENT:
            if (c == '*' && next == '/') {
                out += src[++i];
                state = CODE;
            }
            break;
        case STRING:
        case CHAR:
            if (c == '\\') {
                if (i + 1 < src.size()) out += src[++i];
            } else if ((state == STRING && c == '"') || (state == CHAR && c == '\'')) {
                state = CODE;
            }
            break;
        }
    }
    std::ofstream file(argv[2], std::ios::binary);
    file << out;
    return file.good() ? 0 : 1;
}
