// Command-line options of pellowen-batch.
#pragma once

#include <string>
#include <vector>

namespace cli {

struct Options {
    bool help = false;
    bool version = false;
    bool quiet = false;
    // Texts as given, in the terminal's encoding; checked later in the
    // dialog's order of checks.
    std::string zone;
    std::string decimals = "3";
    std::string direction = "tokyo-to-jgd";
    std::string input;
    std::vector<std::string> more_inputs;  // further inputs, with output_dir only
    std::string output;
    std::string output_dir;  // several inputs, each output named from its input
    std::string land_grid;
    std::string sea_grid;
    std::string input_format;   // empty: from the input's extension
    std::string output_format;  // empty: from the output's extension
    std::string settings;       // settings file giving the file settings
    // Correction files in the order they apply from JGD2000 on; given, they
    // replace those of a settings file, as no_corrections drops them.
    std::vector<std::string> corrections;
    bool no_corrections = false;
    // A map file beside each output: asked for, refused, or as the settings
    // file says (neither given).
    bool map = false;
    bool no_map = false;
};

// 0 when the arguments parse; otherwise error holds what was wrong, in one
// line.
int parse_options(int argc, char** argv, Options& options, std::string& error);

extern const char* const USAGE;

// What follows the one line of a usage error.
extern const char* const TRY_HELP;

}  // namespace cli
