// Command-line options of pellowen-batch.
#pragma once

#include <string>

namespace cli {

struct Options {
    bool help = false;
    bool quiet = false;
    // Texts as given, in the terminal's encoding; checked later in the
    // dialog's order of checks.
    std::string zone;
    std::string decimals = "3";
    std::string direction = "tokyo-to-jgd";
    std::string input;
    std::string output;
    std::string gsi_grid;
    std::string jcg_grid;
    std::string input_format;   // empty: from the input's extension
    std::string output_format;  // empty: from the output's extension
    std::string settings;       // settings file giving the file settings
};

// 0 when the arguments parse; otherwise error holds what was wrong.
int parse_options(int argc, char** argv, Options& options, std::string& error);

extern const char* const USAGE;

}  // namespace cli
