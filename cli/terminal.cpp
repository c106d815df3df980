#include "terminal.h"

#include <cstdio>
#include <ctime>
#include <string>

namespace cli {

namespace {

// Minimum time between two redraws of the progress line, seconds.
constexpr double REDRAW_INTERVAL = 0.25;

double monotonic_seconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// A CP932 path with the platform's own folder separator.
std::string with_own_separators(std::string_view path) {
    std::string shown(path);
#ifdef _WIN32
    for (char& c : shown) {
        if (c == '/') c = '\\';
    }
#endif
    return shown;
}

}  // namespace

std::string path_to_terminal(std::string_view path) { return cp932_to_terminal(with_own_separators(path)); }

void TerminalFeedback::clear_progress() {
    if (progress_shown_) {
        std::fputs("\r\033[K", stderr);
        progress_shown_ = false;
    }
}

// A status that is no point's (a grid being read) counts no points.
void TerminalFeedback::set_status(std::string_view /*text*/) { points_ = 0; }

void TerminalFeedback::show_point(long number, std::string_view /*line*/) { points_ = number; }

void TerminalFeedback::set_progress(long long done, long long total) {
    if (!show_progress_) return;
    const double now = monotonic_seconds();
    if (progress_shown_ && now - last_draw_ < REDRAW_INTERVAL) return;
    last_draw_ = now;
    if (total > 0) {
        std::fprintf(stderr, "\r%ld points  %3lld%%", points_, done * 100 / total);
    } else {
        std::fprintf(stderr, "\r%ld points", points_);
    }
    std::fflush(stderr);
    progress_shown_ = true;
}

void TerminalFeedback::show_message(std::string_view text, std::string_view caption) {
    clear_progress();
    std::string line = "[";
    line.append(caption).append("] ").append(text);
    write_error_line(line);
}

void TerminalFeedback::open_in_editor(std::string_view path) {
    clear_progress();
    write_error_line("log: " + with_own_separators(path));
}

}  // namespace cli
