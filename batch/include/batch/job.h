// One conversion run over one input file: the settings, the run command and
// the job itself.
#pragma once

#include <string>

#include "grids/feedback.h"
#include "grids/param_file.h"

namespace batch {

// Longest text of a path or version field.
inline constexpr std::size_t TEXT_MAX = 255;

inline constexpr int FILE_TYPE_SIMA = 1;  // input and output
inline constexpr int FILE_TYPE_XY = 2;    // input: point name, X, Y
inline constexpr int FILE_TYPE_XYBL = 2;  // output: X, Y, B, L before and after

struct ConversionJob {
    int direction = 0;  // 0 Tokyo datum to JGD2000, 1 JGD2000 to Tokyo datum
    int zone = 0;       // 1..19, input and output alike
    int decimals = 0;   // 3..8 decimals of every coordinate written
    int in_file_type = 0;
    int out_file_type = 0;
    std::string in_file;  // paths: CP932, as the user gave them
    std::string out_file;
    std::string para_file;
    std::string para_version;
    std::string parak_file;
    std::string parak_version;
};

// The log's name: the output path with the last "." of its file name and all
// after it replaced by "_Log.txt". 1 when the file name has no "."; 2 when
// the name would be longer than TEXT_MAX (log_path then holds it all the
// same, which matters only where a log file of its own is made).
int derive_log_path(const std::string& out_file, std::string& log_path);

// The run command: names the log, runs the job, shows the closing message and
// opens the log in the text editor. error_flag is 1 when any point was not
// converted or the job failed. 1 when the log cannot be named or the job
// stopped at a file error.
int run_conversion(grids::UserFeedback& ui, const ConversionJob& job, const grids::ParamTable& gsi,
                   const grids::ParamTable& jcg, int& error_flag);

// The job: opens input, output and log, converts every point, closes them.
// With XYBL output log_path becomes the output path. 1 when a file could not
// be opened, read or written, the input is saved in Unicode (refused before
// the output and the log are opened), a point's line is too long to be one
// (the job stops there), or the output would overwrite an input.
int convert_file(grids::UserFeedback& ui, const ConversionJob& job, const grids::ParamTable& gsi,
                 const grids::ParamTable& jcg, std::string& log_path, int& error_flag);

}  // namespace batch
