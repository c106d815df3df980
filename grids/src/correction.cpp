#include "grids/correction.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

#include "geodesy/mesh_key.h"
#include "grids/datum_shift.h"
#include "grids/mesh.h"
#include "load_id.h"
#include "text/cp932.h"
#include "text/number.h"
#include "text/text_file.h"

namespace grids {

namespace {

namespace msg = correction_messages;

constexpr std::size_t TITLE_MAX = 255;
constexpr std::size_t CODE_DIGITS = 8;
// An undo has settled once a step moves the position less than this, in
// degrees (about 0.1 mm).
constexpr double UNDO_SETTLED = 1e-9;

bool is_blank(char c) { return c == ' ' || c == '\t'; }

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// The words of a line, separated by blanks.
std::vector<std::string_view> words_of(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && is_blank(line[i])) ++i;
        const std::size_t start = i;
        while (i < line.size() && !is_blank(line[i])) ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

// The first RECORD_WORDS words of a line, separated by blanks, and how many
// words it has in all: a record's words, found without allocating.
constexpr std::size_t RECORD_WORDS = 3;
std::size_t record_words(std::string_view line, std::array<std::string_view, RECORD_WORDS>& words) {
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && is_blank(line[i])) ++i;
        const std::size_t start = i;
        while (i < line.size() && !is_blank(line[i])) ++i;
        if (i == start) continue;
        if (count < RECORD_WORDS) words[count] = line.substr(start, i - start);
        ++count;
    }
    return count;
}

// Bytes of a typical record line (code, two values in columns, CR LF): the
// file's size over it is how many nodes to make room for at once.
constexpr long long RECORD_BYTES = 32;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool is_code_word(std::string_view w) {
    return w.size() == CODE_DIGITS && std::all_of(w.begin(), w.end(), is_digit);
}

// A node value as the cell arithmetic takes it: not-a-number when it is no
// finite number within the limit of its file's kind, so that the node counts
// as unusable.
double usable(double v, double limit) {
    return std::isfinite(v) && std::fabs(v) <= limit ? v : std::numeric_limits<double>::quiet_NaN();
}

double node_limit(CorrectionKind kind) {
    return kind == CorrectionKind::height ? HEIGHT_NODE_LIMIT : CORRECTION_NODE_LIMIT;
}

bool same_value(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

// A record as the file gives it: its values as written, compared so before
// unusable ones are set aside.
struct Node {
    int code;
    long line;
    double dB;
    double dL;
};

void clear_index(CorrectionGrid& grid) {
    grid.index_blocks.clear();
    grid.index_nodes.clear();
}

// The message of a refused file, shown, and the grid left empty.
int refuse(UserFeedback& ui, CorrectionGrid& grid, const char* format, const std::string& path, long line = 0,
           std::string_view code = {}) {
    grid.codes.clear();
    grid.dB.clear();
    grid.dL.clear();
    clear_index(grid);
    // Each placeholder is looked for after the text put in before it: a path
    // may itself hold "%s" or "%ld".
    std::string text = format;
    std::size_t from = text.find("%s");
    text.replace(from, 2, path);
    from += path.size();
    if (const std::size_t at = text.find("%ld", from); at != std::string::npos) {
        const std::string number = std::to_string(line);
        text.replace(at, 3, number);
        from = at + number.size();
    }
    if (const std::size_t at = text.find("%s", from); at != std::string::npos) text.replace(at, 2, code);
    ui.show_message(text, "Error");
    return 1;
}

// What the title line says about the file: no title (its first word is not
// MeshCode), a horizontal file (words beginning dB and dL, none dH), a height
// file (a word beginning dH, none dB or dL), or a kind not supported (the
// semi-dynamic files' dB dL dH, or none of them).
enum class TitleKind { none, horizontal, height, unsupported };

bool begins_with(std::string_view word, char second) {
    return word.size() >= 2 && lower(word[0]) == 'd' && lower(word[1]) == second;
}

TitleKind title_kind(const std::vector<std::string_view>& words) {
    if (words.empty() || !equals_ignoring_case(words[0], "MeshCode")) return TitleKind::none;
    bool dB = false, dL = false, dH = false;
    for (const std::string_view w : words) {
        dB = dB || begins_with(w, 'b');
        dL = dL || begins_with(w, 'l');
        dH = dH || begins_with(w, 'h');
    }
    if (dB && dL && !dH) return TitleKind::horizontal;
    if (dH && !dB && !dL) return TitleKind::height;
    return TitleKind::unsupported;
}

// Sorts the nodes by code, drops repeats of a node with the same values, and
// moves them into the grid. 1 (after the message) when a node comes twice
// with different values.
int store_nodes(UserFeedback& ui, const std::string& path, std::vector<Node>& nodes, CorrectionGrid& grid) {
    // Files list their nodes in code order as a rule: then there is nothing
    // to sort (the order, by code then line, is the same either way).
    const auto by_code = [](const Node& a, const Node& b) { return a.code != b.code ? a.code < b.code : a.line < b.line; };
    if (!std::is_sorted(nodes.begin(), nodes.end(), by_code)) std::sort(nodes.begin(), nodes.end(), by_code);
    grid.codes.clear();
    grid.dB.clear();
    grid.dL.clear();
    grid.codes.reserve(nodes.size());
    grid.dB.reserve(nodes.size());
    grid.dL.reserve(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const Node& n = nodes[i];
        if (i > 0 && n.code == nodes[i - 1].code) {
            if (same_value(n.dB, nodes[i - 1].dB) && same_value(n.dL, nodes[i - 1].dL)) continue;
            char code[16];
            std::snprintf(code, sizeof code, "%08d", n.code);
            return refuse(ui, grid, msg::TWICE, path, n.line, code);
        }
        grid.codes.push_back(n.code);
        grid.dB.push_back(usable(n.dB, node_limit(grid.kind)));
        grid.dL.push_back(usable(n.dL, node_limit(grid.kind)));
    }
    return 0;
}

// The cell of a point as one correction file gives it: its corner, which
// of its four nodes (SW, E, NE, N) are listed, and their values.
struct CorrectionCell {
    std::uint64_t load_id = 0;
    int code = 0;
    int listed = 0;     // how many of the four nodes the file lists
    bool own = false;   // the SW node is listed
    MeshCorner corner{};
    std::array<double, 4> dB{};
    std::array<double, 4> dL{};
};

// The cells most recently looked at, per thread, as for the shift grids.
constexpr std::size_t REMEMBERED_CELLS = 256;
constexpr int REMEMBERED_BITS = 8;
thread_local std::array<CorrectionCell, REMEMBERED_CELLS> remembered;

// The row and column of a grid square: 0 when its code is one that
// mesh_code_at can give (second-level digits 0..7), 1 for any other code.
int square_of(int code, int& row, int& col) {
    if (code < 0) return 1;
    const geodesy::MeshDigits d = geodesy::mesh_digits(code);
    if (d.q > 7 || d.v > 7) return 1;
    row = d.pp * 80 + d.q * 10 + d.r;
    col = d.uu * 80 + d.v * 10 + d.w;
    return 0;
}

int node_index(const CorrectionGrid& grid, int code) {
    const auto at = std::lower_bound(grid.codes.begin(), grid.codes.end(), code);
    return at != grid.codes.end() && *at == code ? static_cast<int>(at - grid.codes.begin()) : -1;
}

// First-level squares: 80 rows by 80 columns of nodes, named by two digits
// each way (pp, uu).
constexpr int FIRST_LEVEL_SIDE = 80;
constexpr int FIRST_LEVEL_PER_AXIS = 100;
constexpr int FIRST_LEVEL_NODES = FIRST_LEVEL_SIDE * FIRST_LEVEL_SIDE;
constexpr int INDEX_ROWS = FIRST_LEVEL_SIDE * FIRST_LEVEL_PER_AXIS;

// Where the node of row and column stands in the index, or -1 for a place
// beyond the codes' domain; the block may still be missing (-1).
int index_place(int row, int col, int& block) {
    if (row < 0 || col < 0 || row >= INDEX_ROWS || col >= INDEX_ROWS) return -1;
    block = (row / FIRST_LEVEL_SIDE) * FIRST_LEVEL_PER_AXIS + col / FIRST_LEVEL_SIDE;
    return (row % FIRST_LEVEL_SIDE) * FIRST_LEVEL_SIDE + col % FIRST_LEVEL_SIDE;
}

// The index of the grid's nodes, block by first-level square. Codes that no
// square has are left out: no point's cell ever names them.
void build_index(CorrectionGrid& grid) {
    clear_index(grid);
    grid.index_blocks.assign(FIRST_LEVEL_PER_AXIS * FIRST_LEVEL_PER_AXIS, -1);
    for (std::size_t i = 0; i < grid.codes.size(); ++i) {
        int row = 0;
        int col = 0;
        int block = 0;
        if (square_of(grid.codes[i], row, col) != 0) continue;
        const int place = index_place(row, col, block);
        if (place < 0) continue;
        std::int32_t& number = grid.index_blocks[static_cast<std::size_t>(block)];
        if (number < 0) {
            number = static_cast<std::int32_t>(grid.index_nodes.size() / FIRST_LEVEL_NODES);
            grid.index_nodes.resize(grid.index_nodes.size() + FIRST_LEVEL_NODES, -1);
        }
        grid.index_nodes[static_cast<std::size_t>(number) * FIRST_LEVEL_NODES + static_cast<std::size_t>(place)] =
            static_cast<std::int32_t>(i);
    }
}

// The four nodes of the cell at row, col (SW, E, NE, N) from the index. The
// squares east and north of a square are the next column and the next row,
// as mesh_neighbours finds them; beyond the last row or column of the codes'
// domain no node is listed.
void cell_from_index(const CorrectionGrid& grid, int row, int col, CorrectionCell& cell) {
    static constexpr int ROW_STEP[4] = {0, 0, 1, 1};
    static constexpr int COL_STEP[4] = {0, 1, 1, 0};
    cell.listed = 0;
    cell.own = false;
    for (std::size_t i = 0; i < 4; ++i) {
        int block = 0;
        const int place = index_place(row + ROW_STEP[i], col + COL_STEP[i], block);
        if (place < 0) continue;
        const std::int32_t number = grid.index_blocks[static_cast<std::size_t>(block)];
        if (number < 0) continue;
        const std::int32_t at =
            grid.index_nodes[static_cast<std::size_t>(number) * FIRST_LEVEL_NODES + static_cast<std::size_t>(place)];
        if (at < 0) continue;
        if (i == 0) cell.own = true;
        ++cell.listed;
        cell.dB[i] = grid.dB[static_cast<std::size_t>(at)];
        cell.dL[i] = grid.dL[static_cast<std::size_t>(at)];
    }
}

// The four nodes of the cell by their codes, each searched for in codes.
void cell_from_codes(const CorrectionGrid& grid, int code, CorrectionCell& cell) {
    const MeshNeighbours n = mesh_neighbours(code);
    const std::array<int, 4> codes = {code, n.east, n.north_east, n.north};
    cell.listed = 0;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const int at = codes[i] == NO_MESH ? -1 : node_index(grid, codes[i]);
        if (i == 0) cell.own = at >= 0;
        if (at < 0) continue;
        ++cell.listed;
        cell.dB[i] = grid.dB[static_cast<std::size_t>(at)];
        cell.dL[i] = grid.dL[static_cast<std::size_t>(at)];
    }
}

const CorrectionCell& correction_cell(const CorrectionGrid& grid, int code) {
    const std::uint64_t mixed = (static_cast<std::uint64_t>(static_cast<unsigned>(code)) ^ (grid.load_id << 32)) *
                                0x9E3779B97F4A7C15ULL;
    CorrectionCell& cell = remembered[static_cast<std::size_t>(mixed >> (64 - REMEMBERED_BITS))];
    if (cell.load_id == grid.load_id && cell.code == code) return cell;
    cell.load_id = grid.load_id;
    cell.code = code;
    cell.corner = mesh_corner(code);
    int row = 0;
    int col = 0;
    if (!grid.index_blocks.empty() && square_of(code, row, col) == 0) {
        cell_from_index(grid, row, col, cell);
    } else {
        cell_from_codes(grid, code, cell);
    }
    return cell;
}

}  // namespace

int read_correction_file(UserFeedback& ui, const std::string& path, CorrectionGrid& grid) {
    grid.path = path;
    grid.title.clear();
    grid.kind = CorrectionKind::horizontal;
    grid.load_id = next_load_id();
    text::FilePtr file = text::open_cp932_path(path, "rb");
    if (!file) return refuse(ui, grid, msg::OPEN_ERROR, path);
    text::LineReader reader(file.get());
    if (reader.starts_with_unicode_mark()) return refuse(ui, grid, text::UNICODE_FILE_ERROR, path);
    ui.set_status(msg::READING);

    std::vector<Node> nodes;
    if (const long long size = text::file_size(file.get()); size > 0) {
        nodes.reserve(static_cast<std::size_t>(std::min(size / RECORD_BYTES + 1, static_cast<long long>(CORRECTION_NODES_MAX))));
    }
    std::string piece;
    long line_number = 0;
    bool titled = false;
    std::size_t too_large = 0;
    // A piece may hold one byte more than a line may, and its line end.
    // The line of the last record and whether its line end was there.
    long last_record = 0;
    bool last_record_ended = true;
    while (reader.read_line(piece, CORRECTION_LINE_MAX + 2) != 0) {
        ++line_number;
        // A 0x1A inside the text: what follows it, nodes perhaps, would be
        // dropped without a word.
        if (piece.back() != '\n' && reader.text_after_end_mark()) {
            return refuse(ui, grid, msg::END_MARK, path, line_number);
        }
        std::string_view line = piece;
        if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
        if (line.size() > CORRECTION_LINE_MAX) return refuse(ui, grid, msg::LONG_LINE, path, line_number);
        if (line_number == 1) grid.title.assign(line.substr(0, text::cp932_fitting_size(line, TITLE_MAX)));
        if (!titled) {
            const TitleKind kind = title_kind(words_of(line));
            if (kind == TitleKind::unsupported) return refuse(ui, grid, msg::UNSUPPORTED, path);
            titled = kind != TitleKind::none;
            grid.kind = kind == TitleKind::height ? CorrectionKind::height : CorrectionKind::horizontal;
            continue;
        }
        std::array<std::string_view, RECORD_WORDS> words;
        const std::size_t count = record_words(line, words);
        if (count == 0) continue;
        // Horizontal: code, dB, dL. Height: code, dH and perhaps a second
        // number, which the published files hold as 0 and nothing uses.
        const bool height = grid.kind == CorrectionKind::height;
        const bool words_fit = height ? count == 2 || count == 3 : count == 3;
        if (!words_fit || !is_code_word(words[0]) || !text::is_decimal_number(words[1]) ||
            (count == 3 && !text::is_decimal_number(words[2]))) {
            return refuse(ui, grid, msg::BAD_RECORD, path, line_number);
        }
        if (nodes.size() >= CORRECTION_NODES_MAX) return refuse(ui, grid, msg::TOO_MANY, path);
        const double dB = text::read_decimal(words[1]);
        const double dL = height ? 0.0 : text::read_decimal(words[2]);
        const bool finite = std::isfinite(dB) && std::isfinite(dL);
        if (!height && finite && (std::fabs(dB) > CORRECTION_NODE_LIMIT || std::fabs(dL) > CORRECTION_NODE_LIMIT)) {
            ++too_large;
        }
        int code = 0;
        for (const char c : words[0]) code = code * 10 + (c - '0');
        nodes.push_back(Node{code, line_number, dB, dL});
        last_record = line_number;
        last_record_ended = piece.back() == '\n';
    }
    if (reader.text_after_end_mark()) return refuse(ui, grid, msg::END_MARK, path, line_number + 1);
    if (reader.failed()) return refuse(ui, grid, msg::READ_ERROR, path);
    if (!titled) return refuse(ui, grid, msg::NO_TITLE, path);
    // The file has no end mark of its own: a last record without its line
    // end is how a cut download ends, its value perhaps cut short too.
    if (!last_record_ended) return refuse(ui, grid, msg::CUT, path, last_record);
    // Shifts of about ten seconds at most nodes: a datum-shift grid.
    if (too_large * 2 > nodes.size()) return refuse(ui, grid, msg::SHIFT_GRID, path);
    // A file of no node (a download cut off after its header) would carry
    // every point unchanged: JGD2000 written as if corrected.
    if (nodes.empty()) return refuse(ui, grid, msg::NO_NODES, path);
    if (store_nodes(ui, path, nodes, grid) != 0) return 1;
    build_index(grid);
    ui.set_status(msg::FINISHED);
    return 0;
}

namespace {

// The cell's correction at (lat, lon): the own node alone on a listed
// south-west corner, else the four nodes interpolated. A horizontal file
// gives degrees of latitude and longitude, a height file metres in dB.
CorrectionOutcome correction_at(const CorrectionGrid& grid, double lat, double lon, double& dB, double& dL) {
    const int code = mesh_code_at(lat, lon);
    if (code == NO_MESH || grid.codes.empty()) return CorrectionOutcome::outside;
    const CorrectionCell& cell = correction_cell(grid, code);
    const bool height = grid.kind == CorrectionKind::height;
    dL = 0;
    if (cell.own && on_mesh_corner(cell.corner, lat, lon)) {
        dB = height ? cell.dB[0] : cell.dB[0] * SECONDS_TO_DEGREES;
        if (!height) dL = cell.dL[0] * SECONDS_TO_DEGREES;
    } else if (cell.listed == 0) {
        return CorrectionOutcome::outside;
    } else if (cell.listed < 4) {
        return CorrectionOutcome::unknown;
    } else if (height) {
        dB = interpolate_cell_value(cell.corner, cell.dB, lat, lon);
    } else {
        interpolate_cell(cell.corner, cell.dB, cell.dL, lat, lon, dB, dL);
    }
    // A listed node whose value is unusable leaves the correction unknown.
    if (!std::isfinite(dB) || !std::isfinite(dL)) return CorrectionOutcome::unknown;
    return CorrectionOutcome::corrected;
}

}  // namespace

CorrectionOutcome apply_correction(const CorrectionGrid& grid, double lat, double lon, double& lat_out,
                                   double& lon_out) {
    double dB = 0;
    double dL = 0;
    const CorrectionOutcome outcome = correction_at(grid, lat, lon, dB, dL);
    if (outcome == CorrectionOutcome::outside) {
        lat_out = lat;
        lon_out = lon;
    } else if (outcome == CorrectionOutcome::corrected) {
        lat_out = lat + dB;
        lon_out = lon + dL;
    }
    return outcome;
}

CorrectionOutcome height_correction(const CorrectionGrid& grid, double lat, double lon, double& dh) {
    double dB = 0;
    double dL = 0;
    const CorrectionOutcome outcome = correction_at(grid, lat, lon, dB, dL);
    if (outcome == CorrectionOutcome::corrected) dh = dB;
    return outcome;
}

// Moves the guess back by the full miss of its correction until the miss is
// below the tolerance in latitude and in longitude.
CorrectionOutcome undo_correction(const CorrectionGrid& grid, double lat, double lon, double& lat_out,
                                  double& lon_out) {
    double lat_q = lat;
    double lon_q = lon;
    for (int step = 0; step < UNDO_CORRECTION_MAX_STEPS; ++step) {
        double lat_s = 0;
        double lon_s = 0;
        const CorrectionOutcome outcome = apply_correction(grid, lat_q, lon_q, lat_s, lon_s);
        if (outcome == CorrectionOutcome::unknown) return outcome;
        const double dlat = lat_s - lat;
        const double dlon = lon_s - lon;
        // The last step is taken too: it costs nothing and leaves the
        // position a step closer than the tolerance.
        if (std::fabs(dlat) < UNDO_SETTLED && std::fabs(dlon) < UNDO_SETTLED) {
            lat_out = lat_q - dlat;
            lon_out = lon_q - dlon;
            return outcome;
        }
        lat_q = lat_q - dlat;
        lon_q = lon_q - dlon;
    }
    return CorrectionOutcome::unknown;
}

namespace {

using CorrectionStep = CorrectionOutcome (*)(const CorrectionGrid&, double, double, double&, double&);

// One step per file, the files taken in their order or backwards, each
// step's outcome noted in marks; 1 at the first file that leaves the point
// unknown. A horizontal file takes its step on the position; a height file
// adds (backwards: subtracts) its correction at the position to the height,
// or passes a point without one by.
int each_file(std::span<const CorrectionGrid> grids, bool backwards, CorrectionStep step, double lat, double lon,
              double& lat_out, double& lon_out, CorrectionMarks& marks, PointHeight* height) {
    marks = CorrectionMarks{};
    PointHeight h = height != nullptr ? *height : PointHeight{};
    for (std::size_t k = 0; k < grids.size(); ++k) {
        const std::size_t i = backwards ? grids.size() - 1 - k : k;
        const std::uint16_t bit = static_cast<std::uint16_t>(1u << i);
        CorrectionOutcome outcome;
        if (grids[i].kind == CorrectionKind::height) {
            if (!h.known) {
                marks.no_height |= bit;
                continue;
            }
            double dh = 0;
            outcome = height_correction(grids[i], lat, lon, dh);
            if (outcome == CorrectionOutcome::corrected) h.value = backwards ? h.value - dh : h.value + dh;
        } else {
            outcome = step(grids[i], lat, lon, lat, lon);
        }
        if (outcome == CorrectionOutcome::unknown) {
            marks.failed = static_cast<int>(i);
            return 1;
        }
        if (outcome == CorrectionOutcome::corrected) marks.corrected |= bit;
    }
    lat_out = lat;
    lon_out = lon;
    if (height != nullptr) *height = h;
    return 0;
}

}  // namespace

int apply_corrections(std::span<const CorrectionGrid> grids, double lat, double lon, double& lat_out,
                      double& lon_out, CorrectionMarks& marks, PointHeight* height) {
    return each_file(grids, false, apply_correction, lat, lon, lat_out, lon_out, marks, height);
}

int undo_corrections(std::span<const CorrectionGrid> grids, double lat, double lon, double& lat_out,
                     double& lon_out, CorrectionMarks& marks, PointHeight* height) {
    return each_file(grids, true, undo_correction, lat, lon, lat_out, lon_out, marks, height);
}

}  // namespace grids
