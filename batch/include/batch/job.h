// One conversion run over one input file: the settings, the run command and
// the job itself.
#pragma once

#include <string>
#include <vector>

#include "grids/feedback.h"
#include "grids/param_file.h"

namespace batch {

// Longest text of a path or version field.
inline constexpr std::size_t TEXT_MAX = 255;

// The decimals of the coordinates written, fewest and most.
inline constexpr int DECIMALS_MIN = 3;
inline constexpr int DECIMALS_MAX = 8;

enum class Direction { tokyo_to_jgd, jgd_to_tokyo };

// The file types by the numbers the settings file and the type lists give
// them. A settings file may hold any other number, which Run refuses.
enum class InputType : int {
    none = 0,
    sima = 1,
    xy = 2,  // point name, X, Y
};
enum class OutputType : int {
    none = 0,
    sima = 1,
    xybl = 2,  // X, Y, latitude and longitude before and after
};
bool is_known(InputType type);
bool is_known(OutputType type);

struct ConversionJob {
    Direction direction = Direction::tokyo_to_jgd;
    int zone = 0;      // 1..19, input and output alike
    int decimals = 0;  // DECIMALS_MIN..DECIMALS_MAX decimals of every coordinate written
    InputType in_file_type = InputType::none;
    OutputType out_file_type = OutputType::none;
    std::string in_file;  // paths: CP932, as the user gave them
    std::string out_file;
    std::string para_file;
    std::string para_version;
    std::string parak_file;
    std::string parak_version;
    // The correction files, in the order they apply from JGD2000 on, and the
    // first line of each as read by the Run (empty: the output is JGD2000).
    std::vector<std::string> correction_files;
    std::vector<std::string> correction_titles;
    // Also write the map file of the points beside the output.
    bool write_map = false;
};

// The run command: names the log, runs the job, shows the closing message and
// opens the log in the text editor. error_flag is 1 when any point was not
// converted or the job failed. 1 when the log cannot be named or the job
// stopped at a file error. A job refused before it wrote anything shows its
// own message only: no closing message, no editor.
int run_conversion(grids::UserFeedback& ui, const ConversionJob& job, const grids::GridSet& tables, int& error_flag);

// What convert_file returns when it refused the job before writing anything.
inline constexpr int JOB_REFUSED = 2;

// The job: opens input, output and log, converts every point, closes them.
// With XYBL output log_path becomes the output path. JOB_REFUSED, after its
// message, when the input cannot be opened or is saved in Unicode, the
// output or the log would overwrite an input, or either cannot be created:
// no log was written. 1 when reading the input or writing the output or the
// log failed, or a point's line is too long to be one (the job stops there;
// the log holds what came before). 0 when the job ran to the end.
int convert_file(grids::UserFeedback& ui, const ConversionJob& job, const grids::GridSet& tables, std::string& log_path, int& error_flag);

}  // namespace batch
