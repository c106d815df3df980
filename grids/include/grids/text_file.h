// Files named by CP932 paths, read and written as Windows text: lines end in
// CR LF on disk and in a single LF in memory, on every platform.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace grids {

struct FileCloser {
    void operator()(std::FILE* f) const;
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The path is CP932 text; it is converted to the file system's own form here
// and nowhere else. mode is "rb" or "wb". Null when the file cannot be opened
// or the path cannot be expressed.
FilePtr open_cp932_path(const std::string& path, const char* mode);

// 0 when the CP932 path names an existing file-system entry (folder included).
int cp932_path_exists(const std::string& path);

// 0 when both CP932 paths name the same existing file, however each is
// spelled (relative, with "..", through a link); 1 otherwise.
int cp932_same_file(const std::string& a, const std::string& b);

// Size in bytes of an open file, or -1.
long long file_size(std::FILE* file);

// Reads lines with CR LF collapsed into LF, as a Windows text stream would.
class LineReader {
public:
    explicit LineReader(std::FILE* file) : file_(file) {}
    // Reads one line into line, its LF included when present. With
    // max_chars > 0 at most that many characters are taken and the rest of
    // the line is left for the next call. Returns 0 at the end of the file
    // when nothing was read, else 1.
    int read_line(std::string& line, std::size_t max_chars = 0);
    // Bytes consumed from the file so far.
    long long position() const { return consumed_; }
    bool failed() const { return std::ferror(file_) != 0; }

private:
    int next_char();
    std::FILE* file_;
    int pending_ = EOF - 1;  // one character read ahead, or none
    long long consumed_ = 0;
};

// Writes text, turning each LF into CR LF, and remembers any failure.
class TextWriter {
public:
    explicit TextWriter(FilePtr file) : file_(std::move(file)) {}
    void write(std::string_view text);
    // Flushes and closes; 1 when any write, the flush or the close failed.
    int close();

private:
    FilePtr file_;
    bool failed_ = false;
};

}  // namespace grids
