// Files named by CP932 paths, read and written as Windows text: lines end in
// CR LF on disk (CR LF, LF or a lone CR when read) and in a single LF in
// memory, on every platform.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace text {

struct FileCloser {
    void operator()(std::FILE* f) const;
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The path is CP932 text; it is converted to the file system's own form here
// and nowhere else. mode is "rb" or "wb". Null when the file cannot be opened
// or the path cannot be expressed; for reading, also when the path names
// anything but a regular file (a folder, a device such as /dev/zero or CON, a
// pipe, a named pipe, /dev/stdin from a pipe), without waiting for a named
// pipe's writer: a file to read always has an end.
FilePtr open_cp932_path(const std::string& path, const char* mode);

// 0 when the CP932 path names an existing file-system entry (folder included).
int cp932_path_exists(const std::string& path);

// Where an existing file lives: the same for every spelling of its path.
struct FileIdentity {
    unsigned long long device = 0;
    unsigned long long index = 0;
    auto operator<=>(const FileIdentity&) const = default;
};

// 0 and id set when the CP932 path names an existing file-system entry;
// 1 otherwise.
int cp932_file_identity(const std::string& path, FileIdentity& id);

// 0 when both CP932 paths name the same existing file, however each is
// spelled (relative, with "..", through a link); 1 otherwise.
int cp932_same_file(const std::string& a, const std::string& b);

// Size in bytes of an open file, or -1.
long long file_size(std::FILE* file);

// Every text file the program reads is CP932. One saved in UTF-8 or UTF-16
// (Windows Notepad's "Unicode") begins with a byte-order mark and is refused
// unread, with this message ("%s" is its path): read as CP932 its lines would
// look like points and fields that are not there.
inline constexpr const char* UNICODE_FILE_ERROR =
    "%s はUnicode(UTF-8/UTF-16)で保存されています、Shift_JIS(CP932)で保存し直してください !!";

// True when text begins with the byte-order mark of UTF-8 (EF BB BF) or of
// UTF-16 (FF FE, FE FF). No CP932 text begins so: FE and FF are never the
// first byte of a character, and EF BB is no assigned character.
bool starts_with_unicode_mark(std::string_view text);

// Reads text lines in large blocks, as a Windows text stream would and a
// little more: CR LF, a lone LF and a lone CR each end a line and become a
// single LF in memory, so no line ever holds a CR; the byte 0x1A (the DOS
// end-of-file mark) ends the file wherever it stands, on every platform.
// Every other byte, NUL included, is kept as it is.
class LineReader {
public:
    explicit LineReader(std::FILE* file);
    // Reads one line into line, its LF included when present. With
    // max_chars > 0 at most that many characters (the LF counted) are taken
    // and the rest of the line is left for the next call; a piece that does
    // not end in LF and is shorter than max_chars is the file's last line.
    // max_chars == 0 takes the whole line, however long. Returns 0 at the
    // end of the file when nothing was read, else 1.
    int read_line(std::string& line, std::size_t max_chars = 0);
    // The same piece as read_line(line, max_chars) gives, as a view that
    // stays valid until the next read: most pieces are seen where they lie
    // in the block read, without a copy. max_chars > 0.
    int read_piece(std::string_view& piece, std::size_t max_chars);
    // True when the file begins with a byte-order mark of UTF-8 or UTF-16.
    // Asked before the first line is read: the first block is read then and
    // nothing is taken from it, so a pipe loses no byte to the question.
    bool starts_with_unicode_mark();
    // Bytes consumed from the file so far.
    long long position() const { return read_ - static_cast<long long>(end_ - begin_); }
    // True once reading the file failed (a device or network error, not the
    // end of the file); the lines read before stay valid.
    bool failed() const { return failed_; }
    // True once a 0x1A has ended the text with more bytes after it in the
    // file: a mark inside the text rather than the old DOS end of file,
    // which stands as the file's last byte.
    bool text_after_end_mark() const { return text_after_end_mark_; }

private:
    int fill();
    std::FILE* file_;
    std::unique_ptr<char[]> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    long long read_ = 0;      // bytes taken from the file
    bool at_end_ = false;
    bool failed_ = false;
    bool text_after_end_mark_ = false;
    bool after_cr_ = false;  // the last line ended in CR: an LF next is its own
    std::string piece_;      // a piece read_piece could not see in place
};

// Appends text to out with each LF turned into CR LF, as TextWriter::write
// writes it.
void append_windows_lines(std::string& out, std::string_view text);

// Writes text in large blocks, turning each LF into CR LF, and remembers any
// failure.
class TextWriter {
public:
    explicit TextWriter(FilePtr file);
    ~TextWriter();
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;
    void write(std::string_view text);
    // Text that holds no LF, as it is: no line end to turn into CR LF.
    void write_without_line_ends(std::string_view text);
    // Flushes and closes; 1 when any write, the flush or the close failed.
    int close();

private:
    void flush_buffer();
    FilePtr file_;
    std::string buffer_;
    bool failed_ = false;
};

}  // namespace text
