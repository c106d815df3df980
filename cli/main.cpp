// pellowen-batch: one Run of the conversion without the dialog, with the
// dialog's checks in the dialog's order and its messages.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <system_error>
#include <vector>

#include "batch/job.h"
#include "batch/run_checks.h"
#include "grids/param_file.h"
#include "text/number.h"
#include "text/text_file.h"
#include "many_files.h"
#include "options.h"
#include "settings/env_file.h"
#include "terminal.h"

namespace {

constexpr int EXIT_ALL_CONVERTED = 0;
constexpr int EXIT_SOME_NOT_CONVERTED = 1;
constexpr int EXIT_FAILED = 2;

// The checks of Run, in their order, and their messages.
using namespace batch::run_checks;
constexpr const char* CAPTION_ERROR = "Error";

// ".sim" in any case at the end of the file name.
bool has_sima_extension(const std::string& path) {
    if (path.size() < 4) return false;
    std::string ext = path.substr(path.size() - 4);
    for (char& c : ext) c = static_cast<char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c);
    return ext == ".sim";
}

// The type from the option ("sima" or other_name, the type other); else,
// for a path from the settings file, the type stored with it; else from the
// path's extension.
template <typename Type>
int file_type(const std::string& option, bool from_settings, const std::string& path, const char* other_name,
              Type other, Type& type) {
    if (option.empty() && from_settings) return batch::is_known(type) ? 0 : 1;
    if (option.empty()) {
        type = has_sima_extension(path) ? Type::sima : other;
    } else if (option == "sima") {
        type = Type::sima;
    } else if (option == other_name) {
        type = other;
    } else {
        return 1;
    }
    return 0;
}

int input_type(const std::string& option, bool from_settings, const std::string& path, batch::InputType& type) {
    return file_type(option, from_settings, path, "xy", batch::InputType::xy, type);
}

int output_type(const std::string& option, bool from_settings, const std::string& path, batch::OutputType& type) {
    return file_type(option, from_settings, path, "xybl", batch::OutputType::xybl, type);
}

// An option's path in CP932; an option not given leaves cp932 as it is.
int path_argument(const char* option, const std::string& argument, std::string& cp932) {
    if (argument.empty()) return 0;
    const int converted = cli::argument_to_cp932(argument, cp932);
    if (converted == 2) {
        std::fprintf(stderr, "pellowen-batch: %s %s: the path would change on its way through CP932\n", option,
                     cli::argument_to_terminal(argument).c_str());
        return 1;
    }
    if (converted != 0) {
        std::fprintf(stderr, "pellowen-batch: %s %s: the path cannot be written in CP932\n", option,
                     cli::argument_to_terminal(argument).c_str());
        return 1;
    }
    if (cp932.size() > batch::TEXT_MAX) {
        std::fprintf(stderr, "pellowen-batch: %s %s: the path is longer than 255 bytes\n", option,
                     cli::argument_to_terminal(argument).c_str());
        return 1;
    }
    return 0;
}

int run(const cli::Options& options) {
    cli::TerminalFeedback ui(!options.quiet && isatty(fileno(stderr)) != 0);
    auto refuse = [&ui](const char* message) {
        ui.show_message(message, CAPTION_ERROR);
        return EXIT_FAILED;
    };

    batch::ConversionJob job;
    const bool with_settings = !options.settings.empty();
    if (with_settings) {
        std::string settings_path;
        if (path_argument("--settings", options.settings, settings_path) != 0 ||
            settings::read_env_file(ui, settings_path, job) != 0) {
            return EXIT_FAILED;
        }
    }
    // With --output-dir: every input, and the folder of the outputs.
    const bool many = !options.output_dir.empty();
    std::vector<std::string> inputs;
    std::string output_dir;
    if (many) {
        if (cli::expand_inputs(options, inputs) != 0 ||
            path_argument("--output-dir", options.output_dir, output_dir) != 0) {
            return EXIT_FAILED;
        }
    } else if (path_argument("--input", options.input, job.in_file) != 0 ||
               path_argument("--output", options.output, job.out_file) != 0) {
        return EXIT_FAILED;
    }
    if (path_argument("--gsi-grid", options.land_grid, job.para_file) != 0 ||
        path_argument("--jcg-grid", options.sea_grid, job.parak_file) != 0) {
        return EXIT_FAILED;
    }

    if (options.direction == "tokyo-to-jgd") {
        job.direction = batch::Direction::tokyo_to_jgd;
    } else if (options.direction == "jgd-to-tokyo") {
        job.direction = batch::Direction::jgd_to_tokyo;
    } else {
        return refuse(BAD_DIRECTION);
    }
    long value = 0;
    if (text::read_integer(options.decimals, value, CHECK_NUMBER_STOP) != 0 || value < 3 || value > 8) return refuse(BAD_DECIMALS);
    job.decimals = static_cast<int>(value);
    if (text::read_integer(options.zone, value, CHECK_NUMBER_STOP) != 0 || value < 1 || value > 19) return refuse(BAD_ZONE);
    job.zone = static_cast<int>(value);
    if (!many && text::cp932_path_exists(job.in_file) != 0) return refuse(BAD_INPUT);

    grids::ParamTable land;
    grids::ParamTable sea;
    if (grids::create_param_table(land, grids::LAND_TABLE_CAPACITY) != 0 ||
        grids::create_param_table(sea, grids::SEA_TABLE_CAPACITY) != 0) {
        std::fputs("pellowen-batch: not enough memory for the grid tables\n", stderr);
        return EXIT_FAILED;
    }
    if (text::cp932_path_exists(job.para_file) != 0) return refuse(BAD_LAND_FILE);
    if (grids::read_land_param_file(ui, 1, job.para_file, job.para_version, land) != 0) return refuse(LAND_UNREADABLE);
    if (text::cp932_path_exists(job.parak_file) != 0) return refuse(BAD_SEA_FILE);
    if (grids::read_sea_param_file(ui, 1, job.parak_file, job.parak_version, sea) != 0) return refuse(SEA_UNREADABLE);
    if (many) {
        // The format options once; then each file as a single run checks it.
        batch::InputType in_type = batch::InputType::none;
        batch::OutputType out_type = batch::OutputType::none;
        if (input_type(options.input_format, false, "", in_type) != 0) return refuse(BAD_INPUT_TYPE);
        if (output_type(options.output_format, false, "", out_type) != 0) return refuse(BAD_OUTPUT_TYPE);
        auto check = [&options](batch::ConversionJob& file) -> const char* {
            if (text::cp932_path_exists(file.in_file) != 0) return BAD_INPUT;
            input_type(options.input_format, false, file.in_file, file.in_file_type);
            const bool sima_in = file.in_file_type == batch::InputType::sima;
            output_type(options.output_format.empty() ? (sima_in ? "sima" : "xybl") : options.output_format, false, "",
                        file.out_file_type);
            return nullptr;
        };
        if (cli::make_output_folder(options.output_dir) != 0) {
            std::fprintf(stderr, "pellowen-batch: --output-dir %s: not a folder\n",
                         cli::argument_to_terminal(options.output_dir).c_str());
            return EXIT_FAILED;
        }
        return cli::convert_many(ui, job, {land, sea}, inputs, output_dir, check);
    }
    if (input_type(options.input_format, with_settings && options.input.empty(), job.in_file, job.in_file_type) != 0) return refuse(BAD_INPUT_TYPE);
    if (output_type(options.output_format, with_settings && options.output.empty(), job.out_file, job.out_file_type) != 0) return refuse(BAD_OUTPUT_TYPE);

    int error_flag = 0;
    if (batch::run_conversion(ui, job, {land, sea}, error_flag) != 0) return EXIT_FAILED;
    return error_flag != 0 ? EXIT_SOME_NOT_CONVERTED : EXIT_ALL_CONVERTED;
}

}  // namespace

int cli::batch_main(int argc, char** argv) {
    cli::init_terminal_encoding();
    cli::Options options;
    std::string error;
    if (cli::parse_options(argc, argv, options, error) != 0) {
        std::fprintf(stderr, "pellowen-batch: %s\n%s", error.c_str(), cli::TRY_HELP);
        return EXIT_FAILED;
    }
    if (options.help) {
        std::fputs(cli::USAGE, stdout);
        return EXIT_ALL_CONVERTED;
    }
    return run(options);
}
