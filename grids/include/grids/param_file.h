// The two grid parameter files and the fixed tables they load into.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "grids/correction.h"
#include "grids/feedback.h"

namespace grids {

// One grid node as the file's text: three zero-terminated fields at fixed
// places (key at 0, latitude value at 9, longitude value at 20). The
// terminators come from the zero fill of the table storage.
struct ParamRecord {
    char key[9];
    char lat[11];
    char lon[11];
};
static_assert(sizeof(ParamRecord) == 31, "a grid record is 31 bytes");

// A node's shift in arc-seconds of latitude and longitude.
struct NodeShift {
    double dB;
    double dL;
};

// Most records each grid file may hold.
inline constexpr int LAND_TABLE_CAPACITY = 393000;
inline constexpr int SEA_TABLE_CAPACITY = 665000;

// How a grid's keys name its nodes: the land grid by the 8-digit code of the
// node's cell (ppuuqvrw), the sea grid by the compact key (see
// geodesy::mesh_to_key).
enum class KeyForm : std::uint8_t { mesh_code, compact };

// Nodes are placed by row (30" of latitude) and column (45" of longitude) in
// squares of PLACE_SQUARE rows by PLACE_SQUARE columns: a first-level square
// of the codes. The squares of every key of 8 digits or fewer fit in
// PLACE_SQUARES by PLACE_SQUARES.
inline constexpr int PLACE_SQUARE = 80;
inline constexpr int PLACE_SQUARES = 125;

// The records of one loaded grid file, sorted by key. Only the readers write
// the records, the count and the indexes.
struct ParamTable {
    // The records, allocated by each read for what the file can hold, not
    // cleared beforehand: only the first count are ever looked at.
    std::unique_ptr<ParamRecord[]> records;
    std::size_t record_room = 0;  // records the storage holds
    int capacity = 0;             // most records a file may hold
    int count = 0;
    KeyForm key_form = KeyForm::mesh_code;
    // Where no key occurs twice (unique_keys), the records found by the key
    // of a place (a key of 8 digits or fewer, printed as "%8ld" prints it,
    // whose code digits q and v are below 8): per square of places, null or
    // a block of PLACE_SQUARE * PLACE_SQUARE record indexes (-1 where the
    // file has no record). Any other record (a negative key, a key written
    // otherwise) is among other_keys, sorted packed keys (see packed_key),
    // with its index beside it.
    bool unique_keys = false;
    std::vector<std::unique_ptr<std::int32_t[]>> square_blocks;
    std::vector<std::uint64_t> other_keys;
    std::vector<std::int32_t> other_records;
    // With a key that occurs twice: the packed key of every record, in table
    // order, searched by halving as the key texts always were.
    std::vector<std::uint64_t> packed_keys;
    // The shift of each record's node (for the sea grid a residual on top of
    // the three-parameter shift, a costly sum), worked out once and kept by
    // whichever thread works it out first, where no key occurs twice
    // (shifts_kept). A state is 0 while the shift is not known, 1 when it
    // is, 2 when it is known to be no plausible shift, 3 while a thread is
    // keeping it.
    bool shifts_kept = false;
    std::unique_ptr<std::atomic<std::uint8_t>[]> shift_states;
    std::unique_ptr<NodeShift[]> shifts;
    std::size_t shift_room = 0;  // shifts the storage holds
    // Names the table's current content: every read gives it a number no
    // table has had before, so that anything remembered from an earlier
    // content is known to be stale.
    std::uint64_t load_id = 0;

    std::span<const ParamRecord> loaded() const {
        return {records.get(), static_cast<std::size_t>(count)};
    }
};

// The loaded grids of a run: the land grid shifts every point it covers,
// the sea grid the points it does not; the correction grids then move the
// shifted position in their order (none: the position stays JGD2000). The
// tables belong to the caller.
struct GridSet {
    const ParamTable& land;
    const ParamTable& sea;
    std::span<const CorrectionGrid> corrections = {};
};

// Readies an empty table for files of at most capacity records; the storage
// is had when a file is read. 1 when capacity is not positive.
int create_param_table(ParamTable& table, int capacity);

// full == 0 reads only the version text from the first line and leaves the
// table with count 0; otherwise every record line is loaded and the records
// are sorted by key. 1 when the file cannot be opened, is saved in Unicode,
// reading it fails, it holds more records than the table, or (land grid
// only) more than half of the nodes it lists shift less than 1" both ways,
// as a correction file's do (the user has been told; the table is then left
// empty unless the file could not be opened at all); 0 otherwise.
// version is cut to 255 bytes.
int read_land_param_file(UserFeedback& ui, int full, const std::string& path, std::string& version,
                        ParamTable& table);
int read_sea_param_file(UserFeedback& ui, int full, const std::string& path, std::string& version,
                        ParamTable& table);

// Binary search for the key printed as "%8ld" among the loaded records.
const ParamRecord* find_param_record(std::span<const ParamRecord> records, long key);

// The same search, on the table's indexes: the same record.
const ParamRecord* find_param_record(const ParamTable& table, long key);

// Index of the record that find_param_record(table, key) finds, or -1.
int find_param_index(const ParamTable& table, long key);

// The index of the record at a place of the table, or -1: the record that
// find_param_index finds for the key of that place. A place is counted in
// rows of 30" and columns of 45": for the land grid from 0 N and 100 E (the
// cell of code ppuuqvrw is row pp * 80 + q * 10 + r, column uu * 80 + v * 10
// + w), for the sea grid from 14 N and 120 E (the row and column of the
// compact key). Both from 0 to PLACE_SQUARE * PLACE_SQUARES - 1, and below
// 8000 for the land grid.
int find_place_index(const ParamTable& table, int row, int column);

// Key text of up to 8 bytes as a number: the bytes up to the first zero,
// first byte highest, zeros after. Two keys compare as these numbers do
// exactly when their texts compare byte by byte as unsigned values.
std::uint64_t packed_key(const char* key);

}  // namespace grids
