// Correction grids: the files that move JGD2000 latitude and longitude to
// the revised values (JGD2011) inside the areas an earthquake moved, and the
// files of the same family that change heights (an event's subsidence, the
// height revision of 2025). Nodes are the corners of the land grid's cells,
// named by the same 8-digit codes; each carries a latitude and a longitude
// correction in arc-seconds, or a height correction in metres. Outside a
// file's area the point keeps its position and its height.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "grids/feedback.h"

namespace grids {

// Most correction files one run applies: one digit numbers each in the log.
inline constexpr int CORRECTION_FILES_MAX = 9;

// Largest node correction taken, arc-seconds in each direction (about 30 m);
// the corrections published are centimetres to a few metres. A node beyond
// it, or not a finite number, counts as missing.
inline constexpr double CORRECTION_NODE_LIMIT = 1.0;

// Longest line of a correction file, line end not counted; a longer one is
// no header or record and the file is refused.
inline constexpr std::size_t CORRECTION_LINE_MAX = 1024;

// Largest height correction taken, metres either way; the largest published
// changes are a few metres. A node beyond it, or not a finite number, counts
// as listed but unusable.
inline constexpr double HEIGHT_NODE_LIMIT = 10.0;

// Most nodes a correction file may list (the whole country is well under
// half of it).
inline constexpr std::size_t CORRECTION_NODES_MAX = 2'000'000;

// What a correction file corrects.
enum class CorrectionKind : std::uint8_t {
    horizontal,  // latitude and longitude (title words dB and dL)
    height,      // height (title word dH)
};

// One loaded correction file: its nodes sorted by code, the values beside
// them (missing nodes are not kept): arc-seconds of latitude and longitude,
// or for a height file metres of height in dB and 0 in dL.
struct CorrectionGrid {
    std::string path;   // CP932, as the user gave it
    std::string title;  // the file's first line, line end removed, cut to 255 bytes
    CorrectionKind kind = CorrectionKind::horizontal;
    std::vector<int> codes;
    std::vector<double> dB;
    std::vector<double> dL;
    // Names this content, as ParamTable::load_id does for the shift grids.
    std::uint64_t load_id = 0;
    // The nodes again, for lookups that touch little memory: for each
    // first-level square (40' of latitude by 1 degree of longitude, 80 by 80
    // nodes) that holds a listed node, a block of its nodes' places in codes
    // (-1 for a node not listed), found through a table of all first-level
    // squares (the block's number, or -1). Made by read_correction_file;
    // without it (also for a grid filled otherwise) nodes are found by
    // binary search in codes.
    std::vector<std::int32_t> index_blocks;
    std::vector<std::int32_t> index_nodes;
};

// The messages of a refused correction file ("%s" is its path, "%ld" a line
// number, the second "%s" a mesh code), caption "Error".
namespace correction_messages {
inline constexpr const char* OPEN_ERROR = "%s 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙ Open Error !!";
inline constexpr const char* READ_ERROR = "%s 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙ Read Error !!";
inline constexpr const char* NO_TITLE =
    "%s 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙではありません、MeshCode で始まる見出し行がありません !!";
inline constexpr const char* UNSUPPORTED =
    "%s この種類の補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙには対応していません、見出し行が水平(dB dL)でも標高(dH)でもありません !!";
inline constexpr const char* NO_NODES = "%s 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙに格子点がありません !!";
inline constexpr const char* SHIFT_GRID =
    "%s 補正量が大きすぎます、座標変換ﾊﾟﾗﾒｰﾀﾌｧｲﾙではなく補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙを指定してください !!";
inline constexpr const char* BAD_RECORD = "%s 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙ %ld行目が読めません !!";
inline constexpr const char* LONG_LINE = "%s 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙ %ld行目が長すぎます !!";
inline constexpr const char* TWICE = "%s 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙ %ld行目 ﾒｯｼｭｺｰﾄﾞ %s が異なる値で2度あります !!";
inline constexpr const char* TOO_MANY = "%s 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙ ﾚｺｰﾄﾞ数ｵｰﾊﾞｰ !!";
inline constexpr const char* END_MARK = "%s 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙ %ld行目に文字ｺｰﾄﾞ1Ah(EOF)があります、ﾌｧｲﾙが壊れています !!";
inline constexpr const char* CUT = "%s 補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙ %ld行目が改行で終わっていません、ﾌｧｲﾙが途中で切れているようです !!";
inline constexpr const char* READING = "補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙ読込み中";
inline constexpr const char* FINISHED = "補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙ読込み終了";
}  // namespace correction_messages

// Reads a correction file: header lines up to a column-title line whose
// first word is MeshCode (letter case aside), then one record per line
// separated by blanks (blank lines are skipped). The title's other words
// give the kind: words beginning dB and dL and none dH, a horizontal file
// (records: 8-digit code, dB, dL); a word beginning dH and none dB or dL, a
// height file (records: code, dH and perhaps one more number, not used);
// any other title (dB dL dH, as the semi-dynamic files have) is refused. The
// file is refused, with its message shown and grid left empty, when it
// cannot be opened or read, is saved in Unicode, has no such title line,
// is of a kind not supported (see below), has a line
// that is too long or no record, lists a node twice with different values
// (as written, usable or not), lists too many nodes or none at all, when
// most of its nodes are beyond CORRECTION_NODE_LIMIT (a datum-shift grid
// given by mistake), or when it looks damaged: a 0x1A anywhere but as its
// last byte, or a last record without its line end (a cut download). 0 when
// read.
int read_correction_file(UserFeedback& ui, const std::string& path, CorrectionGrid& grid);

// What one correction file did to a point.
enum class CorrectionOutcome : std::uint8_t {
    corrected,  // all the nodes the point needs are listed
    outside,    // none of its cell's nodes is listed: carried unchanged
    unknown,    // some are listed and some not: the point is not converted
};

// The correction at a point, in the land grid's cell and with its weights:
// the own node alone when the point is on its cell's south-west corner and
// that node is listed, else the four corners interpolated. lat_out, lon_out
// get the corrected position when corrected, the position itself when
// outside; unknown leaves them untouched.
CorrectionOutcome apply_correction(const CorrectionGrid& grid, double lat, double lon, double& lat_out,
                                   double& lon_out);

// Most corrections one undo may take before it gives up.
inline constexpr int UNDO_CORRECTION_MAX_STEPS = 50;

// The position that apply_correction moves to (lat, lon), by fixed-point
// iteration q <- p - c(q) until a step changes q by less than 1e-9 degree in
// latitude and in longitude; that step is taken too. The outcome is that of
// the last correction looked up; unknown also when the iteration does not
// settle within UNDO_CORRECTION_MAX_STEPS.
CorrectionOutcome undo_correction(const CorrectionGrid& grid, double lat, double lon, double& lat_out,
                                  double& lon_out);

// A height file's correction at a point, metres: the same cell, weights and
// rules as apply_correction. dh is set when corrected.
CorrectionOutcome height_correction(const CorrectionGrid& grid, double lat, double lon, double& dh);

// What the corrections of a run did to one point: bit i of corrected is set
// when file i corrected it; bit i of no_height when file i is a height file
// and the point has no height it could correct; a file whose bits are both
// clear found the point outside. failed is the index of the file that
// stopped the point, or -1.
struct CorrectionMarks {
    std::uint16_t corrected = 0;
    std::uint16_t no_height = 0;
    int failed = -1;
};

// A point's height on its way through the height files, metres: known is
// false when the point has none (each height file passes it by).
struct PointHeight {
    bool known = false;
    double value = 0;
};

// Applies every file in order (forward) or undoes them in reverse order: a
// horizontal file moves the position, a height file adds its correction at
// the position of its step to the height (subtracts it, undoing). 1 when
// one of them leaves the point unknown (marks.failed names it); the height
// is changed only when every file passed.
int apply_corrections(std::span<const CorrectionGrid> grids, double lat, double lon, double& lat_out,
                      double& lon_out, CorrectionMarks& marks, PointHeight* height = nullptr);
int undo_corrections(std::span<const CorrectionGrid> grids, double lat, double lon, double& lat_out,
                     double& lon_out, CorrectionMarks& marks, PointHeight* height = nullptr);

}  // namespace grids
