#include "text/text_file.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#include <wchar.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include "text/convert.h"

namespace text {

void FileCloser::operator()(std::FILE* f) const {
    if (f != nullptr) std::fclose(f);
}

namespace {

#ifdef _WIN32
// CP932 to the UTF-16 of the Windows file calls; empty when not valid CP932.
std::wstring native_path(const std::string& path, bool& ok) {
    std::wstring wide;
    ok = !path.empty() && to_utf16(CP932_CODE_PAGE, path, true, wide) == 0;
    return wide;
}
#else
// CP932 to the UTF-8 that POSIX file names are taken to be in.
std::string native_path(const std::string& path, bool& ok) {
    std::string utf8;
    ok = cp932_to_utf8(path, utf8) == 0;
    return utf8;
}
#endif

}  // namespace

FilePtr open_cp932_path(const std::string& path, const char* mode) {
    if (path.find('\0') != std::string::npos) return nullptr;
    bool ok = false;
    const auto native = native_path(path, ok);
    if (!ok) return nullptr;
#ifdef _WIN32
    const std::wstring wide_mode(mode, mode + std::char_traits<char>::length(mode));
    FilePtr file(_wfopen(native.c_str(), wide_mode.c_str()));
    // Only a file on a disk is read: the console ("CON"), "NUL" and pipes
    // open like files here but are none.
    struct _stat64 st;
    if (file && mode[0] == 'r' &&
        (_fstat64(_fileno(file.get()), &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG)) {
        file.reset();
    }
    return file;
#else
    if (mode[0] != 'r') return FilePtr(std::fopen(native.c_str(), mode));
    // Only a regular file is read. A folder would open here (not on
    // Windows), a device (a terminal, /dev/zero) or a pipe may never end,
    // and a named pipe with no writer would not even finish opening: it is
    // opened without waiting and looked at before anything is read.
    const int fd = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    const int flags = fcntl(fd, F_GETFL);
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags == -1 ||
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == -1) {
        ::close(fd);
        return nullptr;
    }
    FilePtr file(fdopen(fd, mode));
    if (!file) ::close(fd);
    return file;
#endif
}

int cp932_path_exists(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos) return 1;
    bool ok = false;
    const auto native = native_path(path, ok);
    if (!ok) return 1;
#ifdef _WIN32
    struct _stat64 st;
    return _wstat64(native.c_str(), &st) == 0 ? 0 : 1;
#else
    struct stat st;
    return stat(native.c_str(), &st) == 0 ? 0 : 1;
#endif
}

int cp932_file_identity(const std::string& path, FileIdentity& id) {
    if (path.find('\0') != std::string::npos) return 1;
    bool ok = false;
    const auto native = native_path(path, ok);
    if (!ok || native.empty()) return 1;
#ifdef _WIN32
    HANDLE h = CreateFileW(native.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 1;
    BY_HANDLE_FILE_INFORMATION info;
    const BOOL got = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (!got) return 1;
    id.device = info.dwVolumeSerialNumber;
    id.index = (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
#else
    struct stat st;
    if (stat(native.c_str(), &st) != 0) return 1;
    id.device = static_cast<unsigned long long>(st.st_dev);
    id.index = static_cast<unsigned long long>(st.st_ino);
#endif
    return 0;
}

int cp932_same_file(const std::string& a, const std::string& b) {
    FileIdentity ia, ib;
    if (cp932_file_identity(a, ia) != 0 || cp932_file_identity(b, ib) != 0) return 1;
    return ia == ib ? 0 : 1;
}

long long file_size(std::FILE* file) {
    struct stat st;
#ifdef _WIN32
    struct _stat64 st64;
    if (_fstat64(_fileno(file), &st64) != 0) return -1;
    (void)st;
    return st64.st_size;
#else
    if (fstat(fileno(file), &st) != 0) return -1;
    return S_ISREG(st.st_mode) ? static_cast<long long>(st.st_size) : -1;
#endif
}

bool starts_with_unicode_mark(std::string_view text) {
    return text.starts_with("\xEF\xBB\xBF") || text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF");
}

namespace {
// Reads and writes move through blocks of this size.
constexpr std::size_t BLOCK_SIZE = 1 << 16;
constexpr char DOS_END_OF_FILE = 0x1A;
bool ends_something(char c) { return c == '\n' || c == '\r' || c == DOS_END_OF_FILE; }

// The place of the first LF, CR or 0x1A among the n bytes at text, or n.
// Eight bytes at a time: a word is looked at byte by byte only when one of
// its bytes lies below 0x1B (the lowest byte so flagged truly does; a flag
// above it may be false, and is then looked at again).
std::size_t line_stop(const char* text, std::size_t n) {
    constexpr std::uint64_t ONES = 0x0101010101010101ULL;
    constexpr std::uint64_t HIGHS = 0x8080808080808080ULL;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text + i, 8);
        if (((word - ONES * 0x1B) & ~word & HIGHS) == 0) continue;
        for (std::size_t k = i; k < i + 8; ++k) {
            if (ends_something(text[k])) return k;
        }
    }
    for (; i < n; ++i) {
        if (ends_something(text[i])) return i;
    }
    return n;
}

}  // namespace

LineReader::LineReader(std::FILE* file) : file_(file), buffer_(new char[BLOCK_SIZE]) {}

// 1 when the buffer holds bytes again, 0 at the end of the file or on a read
// error.
int LineReader::fill() {
    begin_ = 0;
    end_ = 0;
    if (at_end_ || file_ == nullptr) return 0;
    const std::size_t got = std::fread(buffer_.get(), 1, BLOCK_SIZE, file_);
    if (got == 0) {
        at_end_ = true;
        if (std::ferror(file_) != 0) failed_ = true;
        return 0;
    }
    end_ = got;
    read_ += static_cast<long long>(got);
    return 1;
}

bool LineReader::starts_with_unicode_mark() {
    if (read_ == 0) fill();
    return position() == 0 && text::starts_with_unicode_mark(std::string_view(buffer_.get() + begin_, end_ - begin_));
}

int LineReader::read_line(std::string& line, std::size_t max_chars) {
    line.clear();
    for (;;) {
        if (begin_ == end_ && fill() == 0) return line.empty() ? 0 : 1;
        if (after_cr_) {
            after_cr_ = false;
            if (buffer_[begin_] == '\n') {
                ++begin_;
                continue;
            }
        }
        const char* const start = buffer_.get() + begin_;
        std::size_t n = end_ - begin_;
        if (max_chars > 0 && n > max_chars - line.size()) n = max_chars - line.size();
        const std::size_t i = line_stop(start, n);
        line.append(start, i);
        if (i == n) {
            begin_ += n;
            if (max_chars > 0 && line.size() == max_chars) return 1;
            continue;
        }
        const char stop = start[i];
        begin_ += i + 1;
        if (stop == DOS_END_OF_FILE) {
            // Nothing after the mark belongs to the text.
            text_after_end_mark_ = begin_ < end_ || (file_ != nullptr && std::fgetc(file_) != EOF);
            at_end_ = true;
            begin_ = end_;
            return line.empty() ? 0 : 1;
        }
        line.push_back('\n');
        if (stop == '\r') {
            if (begin_ < end_) {
                if (buffer_[begin_] == '\n') ++begin_;
            } else {
                after_cr_ = true;
            }
        }
        return 1;
    }
}

int LineReader::read_piece(std::string_view& piece, std::size_t max_chars) {
    // In place when the piece ends inside the block, at a line end or at
    // max_chars; a CR that ends a line becomes its LF in the block itself.
    if (begin_ < end_ && !after_cr_) {
        char* const start = buffer_.get() + begin_;
        const std::size_t n = end_ - begin_ < max_chars ? end_ - begin_ : max_chars;
        const std::size_t i = line_stop(start, n);
        if (i == max_chars) {
            begin_ += i;
            piece = std::string_view(start, i);
            return 1;
        }
        if (i < n && start[i] == '\n') {
            begin_ += i + 1;
            piece = std::string_view(start, i + 1);
            return 1;
        }
        if (i < n && start[i] == '\r' && begin_ + i + 1 < end_) {
            begin_ += i + 1;
            if (buffer_[begin_] == '\n') ++begin_;
            start[i] = '\n';
            piece = std::string_view(start, i + 1);
            return 1;
        }
    }
    const int got = read_line(piece_, max_chars);
    piece = piece_;
    return got;
}

TextWriter::TextWriter(FilePtr file) : file_(std::move(file)) {
    if (file_) buffer_.reserve(BLOCK_SIZE + BLOCK_SIZE / 2);
}

TextWriter::~TextWriter() {
    if (file_) close();
}

void TextWriter::flush_buffer() {
    if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_.get()) != buffer_.size()) {
        failed_ = true;
    }
    buffer_.clear();
}

void append_windows_lines(std::string& out, std::string_view text) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t lf = text.find('\n', start);
        if (lf == std::string_view::npos) {
            out.append(text.data() + start, text.size() - start);
            return;
        }
        out.append(text.data() + start, lf - start).append("\r\n", 2);
        start = lf + 1;
    }
}

void TextWriter::write(std::string_view text) {
    if (!file_) return;
    append_windows_lines(buffer_, text);
    if (buffer_.size() >= BLOCK_SIZE) flush_buffer();
}

void TextWriter::write_without_line_ends(std::string_view text) {
    if (!file_) return;
    buffer_.append(text);
    if (buffer_.size() >= BLOCK_SIZE) flush_buffer();
}

int TextWriter::close() {
    if (!file_) return failed_ ? 1 : 0;
    flush_buffer();
    if (std::fflush(file_.get()) != 0 || std::ferror(file_.get()) != 0) failed_ = true;
    if (std::fclose(file_.release()) != 0) failed_ = true;
    return failed_ ? 1 : 0;
}

}  // namespace text
