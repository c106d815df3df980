// The map file: every point of the input, converted or not, as one feature
// of a GeoJSON FeatureCollection that GSI Maps, QGIS and Google Earth draw,
// with its fate, its plane coordinates and GSI Maps' circle style. UTF-8:
// the one file the program writes that is not CP932.
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
    const SimaRecord& record;        // name, number, height (as written), X and Y as read
    const grids::PointResult& result;
    PointFate fate;
    std::size_t corrections;  // correction files of the run
};

// Storage reused from point to point.
struct MapScratch {
    std::string line;
    std::string utf8;
    std::string marks;
    bool first = true;
};

void write_map_start(text::TextWriter& map);

// One point's feature, in input order.
void write_map_point(text::TextWriter& map, const ConversionJob& job, const MapPoint& point, MapScratch& scratch);

void write_map_end(text::TextWriter& map);

}  // namespace batch
