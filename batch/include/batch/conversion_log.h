// The conversion log: nine header lines with the run's conditions (and two
// more per correction file), then one entry per point, each converted point
// ending in the mark of its grid (and of the corrections).
#pragma once

#include <string_view>

#include "batch/job.h"
#include "grids/datum_shift.h"
#include "grids/point_conversion.h"
#include "text/text_file.h"

namespace batch {

extern const char* const LAND_MARK;     // converted by the land grid
extern const char* const SEA_MARK;     // converted by the sea grid
extern const char* const FAILED_MARK;  // not converted (XYBL output)
extern const char* const UNREADABLE_MARK;  // X or Y is no number (XYBL output)

void write_log_header(text::TextWriter& log, const ConversionJob& job);

const char* source_mark(grids::GridKind source);

// Appends to a converted point's line the marks that end it: its source
// mark, and with correction files (count of them in the run) what each did
// to the point, as "  <補正1済 補正2範囲外 補正3標高なし>" (corrected, outside
// the file's area, or a height file that found no height to correct).
void append_point_marks(std::string& line, const grids::PointResult& point, std::size_t correction_count);

// What each of the run's correction files did to a converted point, as the
// marks say it: "補正1済 補正2範囲外 補正3標高なし".
void correction_marks(const grids::PointResult& point, std::size_t correction_count, std::string& text);

// The mark of a point not converted in an XYBL output: FAILED_MARK, or the
// correction file whose nodes around the point are incomplete.
void write_failed_mark(text::TextWriter& log, const grids::PointResult& point);
void failed_mark(const grids::PointResult& point, std::string& text);

// A point that was not converted, with SIMA output: the error banner before
// the first such point of the run, then the input line as read.
void log_failed_point(text::TextWriter& log, std::string_view input_line, int failed_count);

}  // namespace batch
