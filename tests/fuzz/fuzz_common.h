// What the fuzz targets share: a failed check, the files of one input in a
// scratch folder of the target's own, and Unicode text as the readers see it.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "../recording_feedback.h"

namespace fuzz {

// A failed check, and what shows where: libFuzzer keeps the input.
[[noreturn]] inline void fail(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "CHECK FAILED: %s %s\n", what, detail.c_str());
    std::abort();
}

// A fresh folder named after the target, removed with its files at exit.
inline std::string scratch_folder(const char* target) {
    static std::string folder;
    folder = std::string("/tmp/pellowen_fuzz_") + target + "_XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) fail("no temporary folder");
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    });
    return folder;
}

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void write_file(const std::string& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Saved as UTF-8 or UTF-16 with a byte-order mark.
inline bool unicode_text(std::string_view text) {
    return text.starts_with("\xEF\xBB\xBF") || text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF");
}

}  // namespace fuzz
