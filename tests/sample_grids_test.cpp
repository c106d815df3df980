// The synthetic grids in examples/ are what the generator writes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "scratch_files.h"

namespace fs = std::filesystem;

TEST(SampleGridGenerator, RewritesTheCommittedFilesByteForByte) {
    const fs::path examples = fs::path(PELLOWEN_SOURCE_DIR) / "examples";
    const fs::path out = fs::path(::testing::TempDir()) / "pellowen_sample_grids";
    fs::remove_all(out);
    fs::create_directories(out);
    const std::string command = std::string("\"") + MAKE_SAMPLE_GRIDS + "\" \"" + out.string() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    for (const char* name : {"sample_land.par", "sample_sea.jhd", "sample_correction.par", "sample_height.par"}) {
        EXPECT_TRUE(scratch::read_bytes(out / name) == scratch::read_bytes(examples / name))
            << name << " differs from examples/; rerun make_sample_grids examples";
    }
    fs::remove_all(out);
}
