// A user-feedback seam that records what the program would have shown.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "grids/feedback.h"

struct RecordingFeedback : grids::UserFeedback {
    std::vector<std::string> statuses;
    std::vector<std::pair<std::string, std::string>> messages;  // text, caption
    std::vector<std::string> opened;

    void set_status(std::string_view text) override { statuses.emplace_back(text); }
    // A point as the dialog's status line shows it: its number, a blank and
    // its line.
    void show_point(long number, std::string_view line) override {
        statuses.emplace_back(std::to_string(number) + ' ' + std::string(line));
    }
    void show_message(std::string_view text, std::string_view caption) override {
        messages.emplace_back(std::string(text), std::string(caption));
    }
    void open_in_editor(std::string_view path) override { opened.emplace_back(path); }
};
