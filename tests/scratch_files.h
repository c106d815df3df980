// Files the tests write and read: a folder of the test program's own under
// the system's temporary folder, removed when the program ends, and whole
// files of bytes.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>

namespace scratch {

inline std::filesystem::path folder() {
    static const struct Folder {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("pellowen_tests_" + std::to_string(std::random_device{}()));
        Folder() { std::filesystem::create_directories(path); }
        ~Folder() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    } run;
    return run.path;
}

inline std::string read_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes the file and gives its path.
inline std::string write_bytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
}

// The path of a file in the folder; with text, the file is written first.
inline std::string temp_file(const std::string& name, const std::string* text = nullptr) {
    return text != nullptr ? write_bytes(folder() / name, *text) : (folder() / name).string();
}
inline std::string temp_file(const std::string& name, const char* text) {
    const std::string bytes = text;
    return temp_file(name, &bytes);
}

}  // namespace scratch
