#include "options.h"

#include <cstring>
#include <utility>

namespace cli {

const char* const USAGE =
    "usage: pellowen-batch --zone N --input FILE --output FILE --gsi-grid FILE --jcg-grid FILE\n"
    "                      [--direction tokyo-to-jgd|jgd-to-tokyo] [--decimals 3..8]\n"
    "                      [--input-format sima|xy] [--output-format sima|xybl]\n"
    "                      [--correction FILE]... [--map] [--quiet]\n"
    "       pellowen-batch --settings FILE --zone N [options]\n"
    "       pellowen-batch --zone N --output-dir DIR --gsi-grid FILE --jcg-grid FILE\n"
    "                      [options] INPUT...\n"
    "       pellowen-batch --help | --version\n"
    "\n"
    "Converts every point of one SIMA or XY input file between the Tokyo datum and\n"
    "JGD2000/JGD2011 (the world geodetic system) on the plane rectangular\n"
    "coordinate system N (1..19), exactly as the dialog's Run does, and writes the\n"
    "output and its log in CP932. JGD2011 is reached with the GSI's correction\n"
    "files (--correction); they correct only the areas where the crust moved, and\n"
    "elsewhere JGD2011 equals JGD2000. With --output-dir it converts many input\n"
    "files in one run, loading the grids once.\n"
    "\n"
    "  --zone N             plane rectangular coordinate system of input and output\n"
    "  --input FILE         SIMA file (.sim) or XY text file (point name, X, Y)\n"
    "  --output FILE        SIMA file (.sim) or XYBL text file; existing files are\n"
    "                       overwritten. With SIMA output the log is written beside\n"
    "                       it as NAME_Log.txt; an XYBL output is its own log.\n"
    "  --output-dir DIR     convert every INPUT (files given with --input or after\n"
    "                       the options; a folder stands for its .sim files, or its\n"
    "                       .txt and .csv files with --input-format xy) into DIR,\n"
    "                       each output named as its input with the extension .sim\n"
    "                       (SIMA) or .txt (XYBL), each with its own log as above.\n"
    "                       The output type is --output-format, else that of the\n"
    "                       input (sima for SIMA, xybl for XY). One line per file\n"
    "                       and a summary line; a failing file does not stop the\n"
    "                       others. DIR is created when missing.\n"
    "  --gsi-grid FILE      land grid parameter file (.par)\n"
    "  --jcg-grid FILE      sea grid parameter file (.jhd)\n"
    "  --direction D        tokyo-to-jgd (default) or jgd-to-tokyo\n"
    "  --decimals N         decimals of the coordinates written, 3..8 (default 3)\n"
    "  --input-format F     sima or xy; default: sima for a .sim input (any case),\n"
    "                       else xy\n"
    "  --output-format F    sima or xybl; default: sima for a .sim output, else xybl\n"
    "  --correction FILE    a correction file, applied after the shift: horizontal\n"
    "                       (dB dL in seconds, JGD2000 -> JGD2011) or height (dH in\n"
    "                       metres: an event's _h.par, the 2025 height revision's\n"
    "                       hyokorevBM/TR_jgd2024_h.par; SIMA in and out only).\n"
    "                       Give all in one list in the order they apply: events\n"
    "                       oldest first, each height file after its horizontal\n"
    "                       file, a revision file last. From jgd-to-tokyo they are\n"
    "                       undone in reverse order. At most 9. Without one the\n"
    "                       output is JGD2000.\n"
    "  --no-correction      apply no correction file, whatever the settings say\n"
    "  --map                also write a map file beside each output, named as the\n"
    "                       output up to its last \".\" and _map.geojson (site.sim\n"
    "                       -> site_map.geojson): GeoJSON in UTF-8, every point of\n"
    "                       the input in input order with its name, what became of\n"
    "                       it, its coordinates and the colour GSI Maps draws it in\n"
    "                       (blue land grid, teal sea grid, red not converted), at\n"
    "                       its JGD position when converted, else at its input\n"
    "                       position (a Tokyo datum input is then about 400 m off\n"
    "                       on a JGD map). Drop it on GSI Maps in a browser or open\n"
    "                       it in QGIS.\n"
    "  --no-map             write no map file, whatever the settings say\n"
    "  --settings FILE      take the input and output files and types, both grid\n"
    "                       files, the correction files and the map file's choice\n"
    "                       from a settings file of the dialog (Pellowen.env); an\n"
    "                       option given on the command line overrides its setting\n"
    "                       (--correction replaces all its correction files). The\n"
    "                       settings file is never written.\n"
    "  --quiet              no progress display\n"
    "  --help               this text\n"
    "  --version            the program's name and version\n"
    "\n"
    "Messages go to standard error in the terminal's encoding. On a terminal the\n"
    "progress shows points done and the share of the input read. At the end the\n"
    "closing message and the log's path are printed; a run refused before it\n"
    "wrote anything prints its refusal only.\n"
    "\n"
    "Paths are kept as given (the log shows them so) and must be expressible in\n"
    "CP932, at most 255 bytes. The output, the log and the map file may never be\n"
    "the input, a grid or a correction file.\n"
    "\n"
    "Exit status (with --output-dir, the worst of the files):\n"
    "  0  every point was converted\n"
    "  1  the job ran to the end and some points were not converted (see the log)\n"
    "  2  the run failed or did not happen: a bad option, a failed check (zone,\n"
    "     decimals, a missing input, grid or correction file), a refused output,\n"
    "     or a file that could not be opened, read or written\n";

const char* const TRY_HELP = "Try 'pellowen-batch --help'\n";

namespace {

// The options that take no value.
constexpr std::pair<const char*, bool Options::*> FLAGS[] = {
    {"--help", &Options::help},   {"-h", &Options::help},
    {"--version", &Options::version}, {"--quiet", &Options::quiet},
    {"--no-correction", &Options::no_corrections}, {"--map", &Options::map},
    {"--no-map", &Options::no_map},
};

// The options that take a value, as "--name value" or "--name=value".
constexpr std::pair<const char*, std::string Options::*> VALUED[] = {
    {"--zone", &Options::zone},
    {"--decimals", &Options::decimals},
    {"--direction", &Options::direction},
    {"--input", &Options::input},
    {"--output", &Options::output},
    {"--output-dir", &Options::output_dir},
    {"--gsi-grid", &Options::land_grid},
    {"--jcg-grid", &Options::sea_grid},
    {"--input-format", &Options::input_format},
    {"--output-format", &Options::output_format},
    {"--settings", &Options::settings},
    {"--correction", nullptr},  // repeatable: each adds a file
};

// An input, given with --input or without it: the first is the input, the
// others follow it.
void add_input(Options& options, const char* value) {
    if (options.input.empty()) {
        options.input = value;
    } else {
        options.more_inputs.emplace_back(value);
    }
}

// Argument i, with its value when the option takes one (i then moves past
// it). 1 when it is no option or its value is missing.
int take_argument(int argc, char** argv, int& i, Options& options, std::string& error) {
    const char* arg = argv[i];
    for (const auto& [name, flag] : FLAGS) {
        if (std::strcmp(arg, name) == 0) {
            options.*flag = true;
            return 0;
        }
    }
    for (const auto& [name, field] : VALUED) {
        const std::size_t n = std::strlen(name);
        if (std::strncmp(arg, name, n) != 0) continue;
        const char* value = nullptr;
        if (arg[n] == '=') {
            value = arg + n + 1;
        } else if (arg[n] == '\0') {
            if (i + 1 >= argc) {
                error = std::string("option ") + name + " needs a value";
                return 1;
            }
            value = argv[++i];
        } else {
            continue;
        }
        if (field == nullptr) {
            options.corrections.emplace_back(value);
        } else if (field == &Options::input) {
            add_input(options, value);
        } else {
            options.*field = value;
        }
        return 0;
    }
    if (arg[0] != '-') {
        add_input(options, arg);
        return 0;
    }
    error = std::string("unknown option: ") + arg;
    return 1;
}

// The options taken together: the output and the inputs agree, and without
// a settings file every path is given.
int check_combination(const Options& options, std::string& error) {
    if (!options.output_dir.empty() && !options.output.empty()) {
        error = "--output and --output-dir cannot be used together";
        return 1;
    }
    if (options.output_dir.empty() && !options.more_inputs.empty()) {
        error = "several inputs need --output-dir";
        return 1;
    }
    if (options.no_corrections && !options.corrections.empty()) {
        error = "--correction and --no-correction cannot be used together";
        return 1;
    }
    if (options.map && options.no_map) {
        error = "--map and --no-map cannot be used together";
        return 1;
    }
    if (!options.settings.empty()) return 0;
    const std::pair<const char*, const std::string*> required[] = {
        {"--input", &options.input},
        {options.output_dir.empty() ? "--output" : "--output-dir",
         options.output_dir.empty() ? &options.output : &options.output_dir},
        {"--gsi-grid", &options.land_grid},
        {"--jcg-grid", &options.sea_grid},
    };
    for (const auto& [name, value] : required) {
        if (value->empty()) {
            error = std::string("missing ") + name;
            return 1;
        }
    }
    return 0;
}

}  // namespace

int parse_options(int argc, char** argv, Options& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        if (take_argument(argc, argv, i, options, error) != 0) return 1;
    }
    if (options.help || options.version) return 0;
    return check_combination(options, error);
}

}  // namespace cli
