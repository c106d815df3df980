// The checks a Run makes before it starts the job, in their order, and the
// message each shows when it fails (caption "Error"). The dialog makes them
// on its controls, pellowen-batch on its options.
#pragma once

namespace batch::run_checks {

inline constexpr const char* BAD_DIRECTION = "座標変換方法の指定が不当です !!";
inline constexpr const char* BAD_DECIMALS = "表示桁数の指定が不当です !!";
inline constexpr const char* BAD_ZONE = "座標系の指定が不当です !!";
inline constexpr const char* BAD_INPUT = "入力SIMAファイルの指定が不当です !!";
inline constexpr const char* BAD_LAND_FILE = "地理院パラメータファイルの指定が不当です !!";
inline constexpr const char* LAND_UNREADABLE = "地理院パラメータファイルが読めません !!";
inline constexpr const char* BAD_SEA_FILE = "海保パラメータファイルの指定が不当です !!";
inline constexpr const char* SEA_UNREADABLE = "海保パラメータファイルが読めません !!";
inline constexpr const char* BAD_INPUT_TYPE = "入力形式の指定が不当です !!";
inline constexpr const char* BAD_OUTPUT_TYPE = "出力形式の指定が不当です !!";

// A check reads its number from the text of a control (or an option) with
// text::read_integer(text, value, CHECK_NUMBER_STOP): digits past a million
// change no check's outcome.
inline constexpr long CHECK_NUMBER_STOP = 1'000'000;

}  // namespace batch::run_checks
