// The terminal edge of the command-line runner: CP932 text out in the
// terminal's encoding, arguments in from it, and the progress line.
#pragma once

#include <string>
#include <string_view>

#include "grids/feedback.h"

namespace cli {

// The runner itself, with its arguments in the terminal's encoding; the
// platform's own entry point calls it.
int batch_main(int argc, char** argv);

// Prepares the conversions for the terminal's encoding (UTF-8 when the
// locale names none or only ASCII).
void init_terminal_encoding();

// An argument in the terminal's encoding as CP932; 1 when CP932 cannot
// express it, 2 when its CP932 text does not read back as exactly the same
// argument (it would name another file).
int argument_to_cp932(std::string_view argument, std::string& cp932);

// An argument as the terminal shows it (what it cannot show becomes '?').
std::string argument_to_terminal(std::string_view argument);

// CP932 text in the terminal's encoding (undecodable bytes become '?').
std::string cp932_to_terminal(std::string_view text);

// A CP932 path in the terminal's encoding, with the platform's own folder
// separator: on Windows every "/" is shown as "\" (0x2F is never the second
// byte of a CP932 character).
std::string path_to_terminal(std::string_view path);

// One line of CP932 text on standard error, as the terminal shows it.
void write_error_line(std::string_view cp932);

// Messages to standard error; the points done and the share of the input
// read as a progress display on a terminal, a few times a second at most.
class TerminalFeedback : public grids::UserFeedback {
public:
    explicit TerminalFeedback(bool show_progress) : show_progress_(show_progress) {}
    void set_status(std::string_view text) override;
    void show_point(long number, std::string_view line) override;
    void set_progress(long long done, long long total) override;
    void show_message(std::string_view text, std::string_view caption) override;
    void open_in_editor(std::string_view path) override;

private:
    void clear_progress();
    bool show_progress_;
    bool progress_shown_ = false;
    long points_ = 0;
    double last_draw_ = 0;  // monotonic seconds
};

}  // namespace cli
