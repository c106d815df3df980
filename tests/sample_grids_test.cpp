// The synthetic grids in examples/ are what the generator writes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {
std::string read_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
}  // namespace

TEST(SampleGridGenerator, RewritesTheCommittedFilesByteForByte) {
    const fs::path examples = fs::path(PELLOWEN_SOURCE_DIR) / "examples";
    const fs::path out = fs::path(::testing::TempDir()) / "pellowen_sample_grids";
    fs::remove_all(out);
    fs::create_directories(out);
    const std::string command = std::string("\"") + MAKE_SAMPLE_GRIDS + "\" \"" + out.string() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    for (const char* name : {"sample_land.par", "sample_sea.jhd", "sample_correction.par", "sample_height.par"}) {
        EXPECT_TRUE(read_bytes(out / name) == read_bytes(examples / name))
            << name << " differs from examples/; rerun make_sample_grids examples";
    }
    fs::remove_all(out);
}
