// The seam through which the grids and the conversion job reach the user.
// The dialog, the command-line runner and the tests each implement it.
// Every text is CP932.
#pragma once

#include <string_view>

namespace grids {

class UserFeedback {
public:
    virtual ~UserFeedback() = default;
    // Replace the text of the status line.
    virtual void set_status(std::string_view text) = 0;
    // The job has reached point number (counted from 1 in each file), read
    // from line (its line end included when it has one).
    virtual void show_point(long number, std::string_view line) = 0;
    // Show a message with a caption and an OK button, and wait for it.
    virtual void show_message(std::string_view text, std::string_view caption) = 0;
    // Open a file in the system's text editor; the outcome is not reported.
    virtual void open_in_editor(std::string_view path) = 0;
    // How far a long read has come, in bytes; shown only where a front end
    // has room for it (the dialog's status line already says enough).
    virtual void set_progress(long long /*done*/, long long /*total*/) {}
};

// Feedback that shows nothing, for the tools and benchmarks; those that want
// the messages override show_message.
class QuietFeedback : public UserFeedback {
public:
    void set_status(std::string_view) override {}
    void show_point(long, std::string_view) override {}
    void show_message(std::string_view, std::string_view) override {}
    void open_in_editor(std::string_view) override {}
};

}  // namespace grids
