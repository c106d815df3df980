// The settings file "Pellowen.env": the six file settings of the last Run
// that passed its checks, kept from one start of the program to the next,
// and after them one CORRFILE line per correction file of that Run and, when
// that Run wrote a map file, a MAPFILE line.
// Portable: it reaches the user through the feedback seam and the disk
// through the CP932 path helpers, so the dialog and pellowen-batch share it.
#pragma once

#include <string>
#include <string_view>

#include "batch/job.h"
#include "grids/feedback.h"

namespace settings {

// The file's name, resolved against the current directory.
inline constexpr const char* ENV_FILE_NAME = "Pellowen.env";

// Shown with the caption "ErrorMsg" when the file cannot be opened.
inline constexpr const char* ENV_OPEN_ERROR = "環境ﾌｧｲﾙのOpen Error !!";
inline constexpr const char* ENV_CAPTION = "ErrorMsg";

// Reads the settings file at path into the six file settings of the job.
// A setting whose line is missing keeps its value. CORRFILE lines, when the
// file has any, replace the job's correction files, in their order; a
// MAPFILE line says whether to write the map file (<1>) or not. 1 (after the message) when
// the file cannot be opened or is saved in Unicode (then no setting changes),
// else 0.
int read_env_file(grids::UserFeedback& ui, const std::string& path, batch::ConversionJob& job);

// Writes the six file settings, then a CORRFILE line for each correction
// file and a MAPFILE line when the map file is asked for, creating or
// truncating the file. 1 when the
// file cannot be created (after the message) or a write fails.
int write_env_file(grids::UserFeedback& ui, const std::string& path, const batch::ConversionJob& job);

// The value that starts right after a line's first "<": the text up to the
// first ">" or the end.
std::string extract_env_value(std::string_view source);

// The folder of a CP932 path: the text before its last "\" when that stands
// at the second character or later; otherwise the whole path. A trail byte
// of a double-byte character is never taken for a "\".
std::string directory_part(std::string_view path);

}  // namespace settings
