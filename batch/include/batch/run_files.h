// The files a run writes and reads, in one place: the names of every file a
// job writes (its output, its log, its map file), and what a run has read
// and written, which answers every question of overwriting for one file,
// for many files and for the dialog alike.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "batch/job.h"
#include "text/text_file.h"

namespace batch {

// The files one job writes, named from its output.
struct JobFiles {
    std::string output;  // the output as given
    std::string log;     // NAME_Log.txt beside a SIMA output; an XYBL output is its own log
    std::string map;     // NAME_map.geojson beside the output when the job writes one, else empty
};

// The names of the files the job writes: the log and the map file take the
// output's path up to the last "." of its file name (an output without one
// gets the map file's ending appended). 1 when that file name has no "."
// (no log can be named); 2 when a SIMA output's log name, 3 when the map
// file's name is longer than TEXT_MAX; else 0. The names are set in every
// case.
int name_job_files(const ConversionJob& job, JobFiles& files);

// The first file the job would write over one of the files it reads (its
// input, the grids, the correction files), however the paths are spelled:
// the log, then a SIMA output, then the map file. Null when there is none.
const std::string* overwritten_input(const ConversionJob& job, const JobFiles& files);

// A name as Windows compares names, where letter case does not count: every
// letter of CP932 that has a case in lower case. Those are the ASCII letters
// and, in two bytes, the full-width Latin, Greek and Cyrillic letters and
// the Roman numerals, whose two codes each are made one. A second byte is
// never taken for a letter of its own.
std::string folded_name(const std::string& path);

// What a run over many files has read and written: its inputs by where they
// live, and the files its jobs wrote by their folded names (the outputs all
// lie in one folder, so their paths differ only in their names).
struct RunFiles {
    std::set<text::FileIdentity> inputs;
    std::set<std::string> written;
};

// Records the run's inputs, those that exist.
void record_inputs(RunFiles& run, const std::vector<std::string>& inputs);

// Why a job of the run may not write a file.
enum class RunClash {
    none,
    written_before,  // an earlier job of the run wrote it
    input_of_run,    // it is another input of the run (its own input the job itself refuses)
};

// The first of the job's files (output, log, map file) that the run may not
// write, in target, and why.
RunClash run_clash(const RunFiles& run, const ConversionJob& job, const JobFiles& files, const std::string*& target);

// Records the job's files as written.
void record_written(RunFiles& run, const JobFiles& files);

}  // namespace batch
