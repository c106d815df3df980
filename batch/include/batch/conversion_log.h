// The conversion log: nine header lines with the run's conditions, then one
// entry per point, each converted point ending in the mark of its grid.
#pragma once

#include <string_view>

#include "batch/job.h"
#include "grids/datum_shift.h"
#include "text/text_file.h"

namespace batch {

extern const char* const LAND_MARK;     // converted by the land grid
extern const char* const SEA_MARK;     // converted by the sea grid
extern const char* const FAILED_MARK;  // not converted (XYBL output)

void write_log_header(text::TextWriter& log, const ConversionJob& job);

const char* source_mark(grids::GridKind source);

// A point that was not converted, with SIMA output: the error banner before
// the first such point of the run, then the input line as read.
void log_failed_point(text::TextWriter& log, std::string_view input_line, int failed_count);

}  // namespace batch
