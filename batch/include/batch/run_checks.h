// The checks a Run makes before it starts the job, in their order, and the
// message each shows when it fails (caption "Error"). The dialog makes them
// on its controls, pellowen-batch on its options.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "batch/job.h"
#include "grids/correction.h"
#include "grids/feedback.h"
#include "grids/param_file.h"

namespace batch {

namespace run_checks {

inline constexpr const char* BAD_DIRECTION = "座標変換方法の指定が不当です !!";
inline constexpr const char* BAD_DECIMALS = "表示桁数の指定が不当です !!";
inline constexpr const char* BAD_ZONE = "座標系の指定が不当です !!";
inline constexpr const char* BAD_INPUT = "入力SIMAファイルの指定が不当です !!";
inline constexpr const char* BAD_LAND_FILE = "地理院パラメータファイルの指定が不当です !!";
inline constexpr const char* LAND_UNREADABLE = "地理院パラメータファイルが読めません !!";
inline constexpr const char* BAD_SEA_FILE = "海保パラメータファイルの指定が不当です !!";
inline constexpr const char* SEA_UNREADABLE = "海保パラメータファイルが読めません !!";
// "%s" is the correction file's path.
inline constexpr const char* BAD_CORRECTION_FILE = "%s 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙの指定が不当です !!";
inline constexpr const char* CORRECTION_UNREADABLE = "%s 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙが読めません !!";
inline constexpr const char* CORRECTION_TWICE = "%s 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙが2度指定されています !!";
inline constexpr const char* TOO_MANY_CORRECTIONS = "補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙは9個までです !!";
// "%s" is the first height file's path.
inline constexpr const char* HEIGHT_NEEDS_SIMA = "%s 標高の補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙはSIMA入力・SIMA出力のときだけ使えます !!";
inline constexpr const char* BAD_INPUT_TYPE = "入力形式の指定が不当です !!";
inline constexpr const char* BAD_OUTPUT_TYPE = "出力形式の指定が不当です !!";

// A check reads its number from the text of a control (or an option) with
// text::read_integer(text, value, CHECK_NUMBER_STOP): digits past a million
// change no check's outcome.
inline constexpr long CHECK_NUMBER_STOP = 1'000'000;

}  // namespace run_checks

// What a Run is asked to do, as read from the dialog's controls or from
// pellowen-batch's options, before any of it is checked. The paths are the
// job's.
struct RunEntries {
    std::optional<Direction> direction;  // none: no direction chosen
    std::string_view decimals;           // the texts the numbers are read from
    std::string_view zone;
    // false: the input is not checked here (each input of a run over many
    // files is checked on its own later).
    bool check_input = true;
    // The types, and whether one was given at all: a type not given is
    // refused whatever the value beside it.
    InputType in_type = InputType::none;
    bool in_type_given = true;
    OutputType out_type = OutputType::none;
    bool out_type_given = true;
};

// The checks of a Run in their order: direction, decimals, zone, input
// exists, land grid exists and loads, sea grid exists and loads, then the
// job's correction files: at most CORRECTION_FILES_MAX, each existing, none
// given twice, each loading; then input type, output type, and with height
// files among the corrections SIMA in and SIMA out (over many files, each
// file's types are checked with check_height_files on their own). A table
// without storage is given it after the input check.
// 0 when every check passed: both grids are loaded into land and sea, the
// correction files into corrections (in the job's order), and the job holds
// the direction, decimals, zone and types beside the grids' versions and the
// corrections' titles. 1 when a check failed: refusal is its message, to be
// shown with the caption "Error" (a type that was reached is in the job all
// the same). 2 when a table's storage cannot be had.
int check_run(grids::UserFeedback& ui, const RunEntries& entries, ConversionJob& job, grids::ParamTable& land,
              grids::ParamTable& sea, std::vector<grids::CorrectionGrid>& corrections, std::string& refusal);

// Height files change the height field of SIMA records: with any other
// input or output type the run is refused. 1 (refusal set) when one of the
// corrections is a height file and the job's types are not both SIMA.
int check_height_files(const ConversionJob& job, std::span<const grids::CorrectionGrid> corrections,
                       std::string& refusal);

}  // namespace batch
