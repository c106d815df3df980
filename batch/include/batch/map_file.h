// The map file: every point of the input, converted or not, as one feature
// of a GeoJSON FeatureCollection that GSI Maps and QGIS draw, with its fate,
// its plane coordinates and GSI Maps' circle style. UTF-8: the one file the
// program writes that is not CP932.
#pragma once

#include <string>

#include "batch/job.h"
#include "batch/sima.h"
#include "grids/point_conversion.h"
#include "text/text_file.h"

namespace batch {

// What became of a point.
enum class PointFate {
    converted,
    not_converted,
    unreadable,  // its X or Y is no number: no position at all
};

// One point of the run as the map file shows it.
struct MapPoint {
    const SimaRecord& record;  // name, number, height (as written), X and Y as read
    const grids::PointResult& result;
    PointFate fate;
};

// The texts of one job's features that are the same for every point, in
// UTF-8 and JSON's form, made once per job.
struct MapFormat {
    bool forward = true;      // Tokyo datum to JGD
    bool sima_input = false;  // the point number and the height are shown
    int decimals = 3;
    std::size_t corrections = 0;
    std::string number_key, corrections_key, height_key;
    std::string coordinate_keys[4];  // Tokyo X, Tokyo Y, JGD X, JGD Y
    std::string states[3];           // the state, key and value: land grid, sea grid, not converted
    // The feature's end: where it is drawn (converted, JGD input, Tokyo
    // input, nowhere), key and value, and the style of its fate (land grid,
    // sea grid, not converted).
    std::string endings[4][3];
};
void make_map_format(const ConversionJob& job, std::size_t correction_count, MapFormat& format);

// Storage one thread reuses from point to point.
struct MapScratch {
    std::string utf8;
    std::string marks;
};

// One point's feature, without a separator or line end, into out.
void format_map_feature(const MapFormat& format, const MapPoint& point, MapScratch& scratch, std::string& out);

// The collection's start, the separator before every feature but the first,
// and the end.
void write_map_start(text::TextWriter& map);
void write_map_separator(text::TextWriter& map);
void write_map_end(text::TextWriter& map);

}  // namespace batch
