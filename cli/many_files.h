// Many input files in one run of pellowen-batch: the grids are loaded once
// and each input becomes its own run, with its own output, log, checks and
// messages.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "batch/job.h"
#include "grids/feedback.h"
#include "options.h"

namespace cli {

// The inputs as CP932 paths, in the order given; a folder stands for its
// files with the extension .sim (any case), or .txt and .csv with
// --input-format xy, in name order. 1 when an argument cannot be expressed
// in CP932 or nothing is left to convert (the user has been told).
int expand_inputs(const Options& options, std::vector<std::string>& inputs);

// Creates the output folder (an argument as given) when it is missing; 0 when
// it is a folder afterwards.
int make_output_folder(const std::string& argument);

// The output of input in the folder output_dir (both CP932): the input's
// file name with its extension (the part from its last ".") replaced by
// .sim for SIMA output or .txt for XYBL output.
std::string output_path_for(const std::string& input, const std::string& output_dir, batch::OutputType out_file_type);

// Checks one file of the run as a single run would and sets its input and
// output types; returns the refusal to show, or nothing.
using FileCheck = std::function<std::string(batch::ConversionJob&)>;

// Converts every input with the settings of job (direction, zone, decimals,
// grid paths and versions), one line per file and a summary line on
// standard error. A file whose output or log would be the output or log of
// an earlier file (names compared ignoring case) or an input of the run is
// refused. Returns the worst exit status of the files: 0 all points
// converted, 1 some points not converted, 2 a file refused or failed.
int convert_many(grids::UserFeedback& ui, const batch::ConversionJob& job, const grids::GridSet& tables, const std::vector<std::string>& inputs,
                 const std::string& output_dir, const FileCheck& check);

}  // namespace cli
