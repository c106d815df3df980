// The command-line options of pellowen-batch over any arguments: each parse
// ends, a refusal says why, and every value taken comes from an argument.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "options.h"

namespace {

// value was given either as the argument after its option or after "=".
bool comes_from(const std::vector<std::string>& args, const std::string& value) {
    for (const std::string& a : args) {
        if (a == value) return true;
        const std::size_t eq = a.find('=');
        if (eq != std::string::npos && a.compare(eq + 1, std::string::npos, value) == 0) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The arguments are the input's NUL-separated pieces.
    std::vector<std::string> args{"pellowen-batch"};
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    args.push_back(current);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    cli::Options options;
    std::string error;
    const int result = cli::parse_options(static_cast<int>(args.size()), argv.data(), options, error);
    if (result != 0) {
        if (error.empty()) std::abort();  // a refusal must say why
        return 0;
    }
    for (const std::string* value : {&options.zone, &options.input, &options.output, &options.land_grid,
                                     &options.sea_grid, &options.input_format, &options.output_format}) {
        if (!value->empty() && !comes_from(args, *value)) std::abort();
    }
    return 0;
}
