// pellowen-batch: one Run of the conversion without the dialog, with the
// dialog's checks in the dialog's order and its messages.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <system_error>
#include <vector>

#include "batch/job.h"
#include "pellowen_version.h"
#include "batch/run_checks.h"
#include "grids/param_file.h"
#include "text/text_file.h"
#include "many_files.h"
#include "options.h"
#include "settings/env_file.h"
#include "terminal.h"

namespace {

constexpr int EXIT_ALL_CONVERTED = 0;
constexpr int EXIT_SOME_NOT_CONVERTED = 1;
constexpr int EXIT_FAILED = 2;

// The per-file check of a run over many files.
using batch::run_checks::BAD_INPUT;
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

// The files of the run as CP932 paths: the settings file read first, then
// the input and output, or with --output-dir every input and the folder of
// the outputs, then the two grids and the correction files. 1 when one is unusable (the user has been
// told).
int read_paths(grids::UserFeedback& ui, const cli::Options& options, batch::ConversionJob& job,
               std::vector<std::string>& inputs, std::string& output_dir) {
    if (!options.settings.empty()) {
        std::string settings_path;
        if (path_argument("--settings", options.settings, settings_path) != 0 ||
            settings::read_env_file(ui, settings_path, job) != 0) {
            return 1;
        }
    }
    if (!options.output_dir.empty()) {
        if (cli::expand_inputs(options, inputs) != 0 ||
            path_argument("--output-dir", options.output_dir, output_dir) != 0) {
            return 1;
        }
    } else if (path_argument("--input", options.input, job.in_file) != 0 ||
               path_argument("--output", options.output, job.out_file) != 0) {
        return 1;
    }
    if (path_argument("--gsi-grid", options.land_grid, job.para_file) != 0 ||
        path_argument("--jcg-grid", options.sea_grid, job.parak_file) != 0) {
        return 1;
    }
    if (options.map || options.no_map) job.write_map = options.map;
    if (options.no_corrections || !options.corrections.empty()) job.correction_files.clear();
    for (const std::string& correction : options.corrections) {
        std::string cp932;
        if (path_argument("--correction", correction, cp932) != 0) return 1;
        job.correction_files.push_back(cp932);
    }
    return 0;
}

// The entries of the Run's checks from the options. The types come from the
// format options, else from the settings file for a path taken from it,
// else from the paths' extensions; over many files from the format options
// alone, each file's own being set by its check.
batch::RunEntries run_entries(const cli::Options& options, bool many, const batch::ConversionJob& job) {
    batch::RunEntries entries;
    if (options.direction == "tokyo-to-jgd") {
        entries.direction = batch::Direction::tokyo_to_jgd;
    } else if (options.direction == "jgd-to-tokyo") {
        entries.direction = batch::Direction::jgd_to_tokyo;
    }
    entries.decimals = options.decimals;
    entries.zone = options.zone;
    entries.check_input = !many;
    if (many) {
        entries.in_type_given = input_type(options.input_format, false, "", entries.in_type) == 0;
        entries.out_type_given = output_type(options.output_format, false, "", entries.out_type) == 0;
        return entries;
    }
    const bool with_settings = !options.settings.empty();
    entries.in_type = job.in_file_type;
    entries.out_type = job.out_file_type;
    entries.in_type_given =
        input_type(options.input_format, with_settings && options.input.empty(), job.in_file, entries.in_type) == 0;
    entries.out_type_given =
        output_type(options.output_format, with_settings && options.output.empty(), job.out_file, entries.out_type) == 0;
    return entries;
}

// Every input converted into the output folder, each checked first as a
// single run checks it.
int run_many(grids::UserFeedback& ui, const cli::Options& options, const batch::ConversionJob& job,
             const grids::GridSet& tables, const std::vector<std::string>& inputs, const std::string& output_dir) {
    auto check = [&options, &tables](batch::ConversionJob& file) -> std::string {
        if (text::cp932_path_exists(file.in_file) != 0) return BAD_INPUT;
        input_type(options.input_format, false, file.in_file, file.in_file_type);
        const bool sima_in = file.in_file_type == batch::InputType::sima;
        output_type(options.output_format.empty() ? (sima_in ? "sima" : "xybl") : options.output_format, false, "",
                    file.out_file_type);
        std::string refusal;
        batch::check_height_files(file, tables.corrections, refusal);
        return refusal;
    };
    if (cli::make_output_folder(options.output_dir) != 0) {
        std::fprintf(stderr, "pellowen-batch: --output-dir %s: not a folder\n",
                     cli::argument_to_terminal(options.output_dir).c_str());
        return EXIT_FAILED;
    }
    return cli::convert_many(ui, job, tables, inputs, output_dir, check);
}

int run(const cli::Options& options) {
    cli::TerminalFeedback ui(!options.quiet && isatty(fileno(stderr)) != 0);
    batch::ConversionJob job;
    std::vector<std::string> inputs;
    std::string output_dir;
    if (read_paths(ui, options, job, inputs, output_dir) != 0) return EXIT_FAILED;

    const bool many = !options.output_dir.empty();
    grids::ParamTable land;
    grids::ParamTable sea;
    std::vector<grids::CorrectionGrid> corrections;
    std::string refusal;
    const int checked = batch::check_run(ui, run_entries(options, many, job), job, land, sea, corrections, refusal);
    if (checked == 2) {
        std::fputs("pellowen-batch: not enough memory for the grid tables\n", stderr);
        return EXIT_FAILED;
    }
    if (checked != 0) {
        ui.show_message(refusal, CAPTION_ERROR);
        return EXIT_FAILED;
    }
    const grids::GridSet tables{land, sea, corrections};
    if (many) return run_many(ui, options, job, tables, inputs, output_dir);

    int error_flag = 0;
    if (batch::run_conversion(ui, job, tables, error_flag) != 0) return EXIT_FAILED;
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
    if (options.version) {
        std::fputs("pellowen-batch " PELLOWEN_VERSION "\n", stdout);
        return EXIT_ALL_CONVERTED;
    }
    return run(options);
}
