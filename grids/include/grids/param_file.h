// The two grid parameter files and the fixed tables they load into.
#pragma once

#include <memory>
#include <span>
#include <string>

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

inline constexpr int GSI_TABLE_CAPACITY = 393000;
inline constexpr int JCG_TABLE_CAPACITY = 665000;

// Fixed storage, allocated zero-filled once and reused by every load; only
// the first count records are ever searched.
struct ParamTable {
    std::unique_ptr<ParamRecord[]> records;
    int capacity = 0;
    int count = 0;

    std::span<const ParamRecord> loaded() const {
        return {records.get(), static_cast<std::size_t>(count)};
    }
};

// Allocates capacity zero-filled records. 1 when the storage cannot be had.
int create_param_table(ParamTable& table, int capacity);

// full == 0 reads only the version text from the first line and leaves the
// table with count 0; otherwise every record line is loaded and the records
// are sorted by key. 1 when the file cannot be opened or holds more records
// than the table (the user has been told); 0 otherwise. version is cut to
// 255 bytes.
int read_gsi_param_file(UserFeedback& ui, int full, const std::string& path, std::string& version,
                        ParamTable& table);
int read_jcg_param_file(UserFeedback& ui, int full, const std::string& path, std::string& version,
                        ParamTable& table);

// Binary search for the key printed as "%8ld" among the loaded records.
const ParamRecord* find_param_record(std::span<const ParamRecord> records, long key);

}  // namespace grids
