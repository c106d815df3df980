#include "many_files.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <system_error>

#include "batch/run_files.h"
#include "terminal.h"
#include "text/cp932.h"
#include "text/text_file.h"

namespace cli {

namespace {

constexpr int STATUS_ALL_CONVERTED = 0;
constexpr int STATUS_SOME_NOT_CONVERTED = 1;
constexpr int STATUS_FAILED = 2;

// The folder separator the paths of the run are joined with: the one a
// user of the platform types and reads in the run's messages.
#ifdef _WIN32
constexpr char SEPARATOR = '\\';
#else
constexpr char SEPARATOR = '/';
#endif

// An argument (UTF-8 or the terminal's encoding, never CP932) that ends in
// a separator.
bool ends_in_separator(const std::string& argument) {
    return !argument.empty() && (argument.back() == '/' || argument.back() == SEPARATOR);
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c);
    return text;
}

// An argument as a file-system path. Arguments are UTF-8 on Windows (taken
// from its UTF-16 command line) and in the terminal's encoding elsewhere,
// where paths are bytes; a narrow path on Windows would be read in the ANSI
// code page instead.
std::filesystem::path argument_path(const std::string& argument) {
    return std::filesystem::path(std::u8string(argument.begin(), argument.end()));
}

std::string path_argument_text(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

bool matches_folder_pattern(const std::filesystem::path& file, bool xy) {
    const std::string ext = lower(file.extension().string());
    return xy ? (ext == ".txt" || ext == ".csv") : ext == ".sim";
}

int add_input(const std::string& argument, std::vector<std::string>& inputs) {
    std::string cp932;
    if (argument_to_cp932(argument, cp932) != 0) {
        std::fprintf(stderr, "pellowen-batch: %s: the path cannot be written in CP932\n", argument.c_str());
        return 1;
    }
    inputs.push_back(cp932);
    return 0;
}

}  // namespace

int make_output_folder(const std::string& argument) {
    std::error_code error;
    std::filesystem::create_directory(argument_path(argument), error);
    return std::filesystem::is_directory(argument_path(argument), error) ? 0 : 1;
}

int expand_inputs(const Options& options, std::vector<std::string>& inputs) {
    std::vector<std::string> arguments = {options.input};
    arguments.insert(arguments.end(), options.more_inputs.begin(), options.more_inputs.end());
    const bool xy = options.input_format == "xy";
    for (const std::string& argument : arguments) {
        std::error_code error;
        if (!std::filesystem::is_directory(argument_path(argument), error)) {
            // Kept even when missing: the file's own check reports it.
            if (add_input(argument, inputs) != 0) return 1;
            continue;
        }
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(argument_path(argument), error)) {
            if (entry.is_regular_file(error) && matches_folder_pattern(entry.path(), xy)) {
                names.push_back(path_argument_text(entry.path().filename()));
            }
        }
        std::sort(names.begin(), names.end());
        if (names.empty()) std::fprintf(stderr, "pellowen-batch: %s: no matching files\n", argument.c_str());
        const std::string folder = ends_in_separator(argument) ? argument : argument + SEPARATOR;
        for (const std::string& name : names) {
            if (add_input(folder + name, inputs) != 0) return 1;
        }
    }
    if (inputs.empty()) {
        std::fputs("pellowen-batch: no input files\n", stderr);
        return 1;
    }
    return 0;
}

std::string output_path_for(const std::string& input, const std::string& output_dir, batch::OutputType out_file_type) {
    const std::size_t name = text::cp932_file_name_start(input);
    std::size_t dot = input.rfind('.');
    if (dot == std::string::npos || dot <= name) dot = input.size();
    std::string path = output_dir;
    // The folder ends in a separator when its file-name part is empty; a
    // kanji's second byte 0x5C is none.
    if (!path.empty() && text::cp932_file_name_start(path) != path.size()) path += SEPARATOR;
    path.append(input, name, dot - name);
    path += out_file_type == batch::OutputType::sima ? ".sim" : ".txt";
    return path;
}

int convert_many(grids::UserFeedback& ui, const batch::ConversionJob& job, const grids::GridSet& tables, const std::vector<std::string>& inputs,
                 const std::string& output_dir, const FileCheck& check) {
    int worst = STATUS_ALL_CONVERTED;
    int counts[3] = {0, 0, 0};
    // No file is written twice in a run, nor over an input of the run, read
    // already or still to be read.
    batch::RunFiles run;
    batch::record_inputs(run, inputs);
    const std::size_t total = inputs.size();
    for (std::size_t i = 0; i < total; ++i) {
        batch::ConversionJob file_job = job;
        file_job.in_file = inputs[i];
        int status = STATUS_FAILED;
        if (const std::string refusal = check(file_job); !refusal.empty()) {
            ui.show_message(refusal, "Error");
        } else {
            file_job.out_file = output_path_for(file_job.in_file, output_dir, file_job.out_file_type);
            // A name too long for a file of the job's own is refused by the
            // job itself.
            batch::JobFiles files;
            batch::name_job_files(file_job, files);
            const std::string* clash = nullptr;
            const batch::RunClash reason = batch::run_clash(run, file_job, files, clash);
            if (file_job.out_file.size() > batch::TEXT_MAX) {
                std::fprintf(stderr, "pellowen-batch: %s: the path is longer than 255 bytes\n",
                             path_to_terminal(file_job.out_file).c_str());
            } else if (reason != batch::RunClash::none) {
                std::fprintf(stderr, "pellowen-batch: %s: %s\n", path_to_terminal(*clash).c_str(),
                             reason == batch::RunClash::written_before ? "already written by an earlier input of this run"
                                                                       : "would overwrite an input of this run");
            } else {
                batch::record_written(run, files);
                int error_flag = 0;
                const int result = batch::run_conversion(ui, file_job, tables, error_flag);
                status = result != 0 ? STATUS_FAILED : error_flag != 0 ? STATUS_SOME_NOT_CONVERTED : STATUS_ALL_CONVERTED;
            }
        }
        static const char* const OUTCOME[] = {"all points converted", "some points not converted", "failed"};
        std::fprintf(stderr, "pellowen-batch: [%zu/%zu] %s -> %s: %s\n", i + 1, total,
                     path_to_terminal(file_job.in_file).c_str(),
                     file_job.out_file.empty() ? "-" : path_to_terminal(file_job.out_file).c_str(), OUTCOME[status]);
        ++counts[status];
        worst = std::max(worst, status);
    }
    std::fprintf(stderr, "pellowen-batch: %zu files: %d all converted, %d with points not converted, %d failed\n",
                 total, counts[0], counts[1], counts[2]);
    return worst;
}

}  // namespace cli
