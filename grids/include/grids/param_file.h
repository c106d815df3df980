// The two grid parameter files and the fixed tables they load into.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

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

inline constexpr int LAND_TABLE_CAPACITY = 393000;
inline constexpr int SEA_TABLE_CAPACITY = 665000;

// Fixed storage, allocated zero-filled once and reused by every load; only
// the first count records are ever searched. Only the readers write the
// records, the count and the search index.
struct ParamTable {
    std::unique_ptr<ParamRecord[]> records;
    int capacity = 0;
    int count = 0;
    // The key of each loaded record, in table order, as one number that
    // orders as the key text does (see packed_key): the lookups search this
    // instead of the records' text.
    std::unique_ptr<std::uint64_t[]> packed_keys;
    // Every KEY_BLOCK-th packed key, from the first: a small array to search
    // first when no key occurs twice (unique_keys).
    std::unique_ptr<std::uint64_t[]> block_keys;
    bool unique_keys = false;
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

// Allocates capacity zero-filled records and their index. 1 when the storage
// cannot be had.
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

// The same search, on the table's index of packed keys: the same record.
const ParamRecord* find_param_record(const ParamTable& table, long key);

inline constexpr int KEY_BLOCK = 16;

// Index of the record that find_param_record(table, key) finds, or -1. With
// after >= 0 (the index of a record with a smaller key, such as the node west
// or south of the wanted one), the records just after it are looked at first.
int find_param_index(const ParamTable& table, long key, int after = -1);

// The same search in two steps, so that several keys can be looked up at
// once: prepare each (the memory its search needs starts coming in), then
// finish each. The answers are those of find_param_index.
struct KeyLookup {
    std::uint64_t wanted = 0;
    bool possible = false;  // the key's text can be a record's key
    int begin = 0;          // the block of the index that may hold it
    int end = 0;
};
void prepare_lookup(const ParamTable& table, long key, KeyLookup& lookup);
int finish_lookup(const ParamTable& table, const KeyLookup& lookup, int after = -1);

// Key text of up to 8 bytes as a number: the bytes up to the first zero,
// first byte highest, zeros after. Two keys compare as these numbers do
// exactly when their texts compare byte by byte as unsigned values.
std::uint64_t packed_key(const char* key);

}  // namespace grids
