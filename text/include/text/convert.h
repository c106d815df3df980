// CP932 text and the platform's own encodings: the one place where the
// program's text is converted, for file-system paths, the terminal and the
// Windows calls. Conversions are exact or reported, never silent, unless
// said otherwise.
#pragma once

#include <string>
#include <string_view>

namespace text {

#ifdef _WIN32

inline constexpr unsigned CP932_CODE_PAGE = 932;

// Text in a code page to UTF-16. With strict, bytes that are not valid in
// the code page make it fail; otherwise each becomes U+FFFD. 1 (wide empty)
// when the text cannot be converted, else 0; empty text gives empty wide.
int to_utf16(unsigned code_page, std::string_view text, bool strict, std::wstring& wide);

// How a UTF-16 character without a form in the target code page is met.
// Every character has a form in UTF-8: there Lenient and BestFit are one,
// and Exact refuses only a lone surrogate.
enum class Fit {
    Lenient,  // the code page's default character ("?") stands in, unreported
    BestFit,  // a look-alike stands in where there is one (U+301C becomes
              // CP932 81 60); "?" and 1 for a character with none
    Exact,    // no look-alike: "?" and 1 for every such character; in UTF-8
              // a lone surrogate fails
};

// UTF-16 to text in a code page. 1 when nothing could be converted (out
// empty) or, under BestFit and Exact, when a character took the default
// character (out holds the text with it); else 0.
int from_utf16(unsigned code_page, std::wstring_view wide, Fit fit, std::string& out);

#else

// Text from one iconv encoding to another, e.g. convert("UTF-8", "CP932",
// ...). 1 (out empty) when it cannot be converted exactly, a byte sequence
// being invalid or having no form in the target; else 0.
int convert(const char* to, const char* from, std::string_view text, std::string& out);

// CP932 to UTF-8 and back, as convert does; text of ASCII alone passes
// unchanged, without iconv.
int cp932_to_utf8(std::string_view cp932, std::string& utf8);
int utf8_to_cp932(std::string_view utf8, std::string& cp932);

#endif

// CP932 text as UTF-8, on every platform the same bytes: each character that
// is no CP932 character (a lone lead byte, an unassigned code, the single
// bytes 0x80, 0xA0 and 0xFD to 0xFF) becomes U+FFFD. A lead byte followed by
// an ASCII byte that cannot end it gives U+FFFD and the ASCII byte is read on
// its own. For texts that leave the program as UTF-8 (the map file).
void cp932_to_utf8_replacing(std::string_view cp932, std::string& utf8);
// The same, appended to utf8.
void append_cp932_as_utf8(std::string_view cp932, std::string& utf8);

}  // namespace text
