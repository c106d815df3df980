#include "grids/param_file.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "load_id.h"
#include "text/number.h"
#include "text/text_file.h"

namespace grids {

namespace {

// Longest version text kept: the caller's buffers hold 255 bytes of text.
constexpr std::size_t VERSION_MAX = 255;

// A parameter file is read through a 60-byte line buffer: at most 59
// characters per read, the rest of a longer line comes as the next line.
constexpr std::size_t PARAM_LINE_MAX = 59;

// How one agency's file differs from the other's.
struct FileKind {
    const char* open_error;      // "%s" is the path
    const char* read_error;      // "%s" is the path
    const char* overflow_error;  // "%s" is the path
    // "%s" is the path; null for a grid whose values may all be small.
    const char* small_shifts_error;
    const char* reading;
    const char* finished;
    int header_lines;
    KeyForm key_form;
    std::size_t lat_pos, lat_width;
    std::size_t lon_pos, lon_width;
};

constexpr FileKind LAND_FILE = {
    "%s 地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙ Open Error !!",
    "%s 地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙ Read Error !!",
    "%s 地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙ ﾚｺｰﾄﾞ数ｵｰﾊﾞｰ !!",
    "%s 変換量が小さすぎます、補正ﾊﾟﾗﾒｰﾀﾌｧｲﾙのようです、地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙを指定してください !!",
    "地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙ読込み中",
    "地理院ﾊﾟﾗﾒｰﾀﾌｧｲﾙ読込み終了",
    2,
    KeyForm::mesh_code,
    8, 10,
    18, 10,
};

constexpr FileKind SEA_FILE = {
    "%s 海保ﾊﾟﾗﾒｰﾀﾌｧｲﾙ Open Error !!",
    "%s 海保ﾊﾟﾗﾒｰﾀﾌｧｲﾙ Read Error !!",
    "%s 海保ﾊﾟﾗﾒｰﾀﾌｧｲﾙ ﾚｺｰﾄﾞ数ｵｰﾊﾞｰ !!",
    nullptr,  // the sea grid holds residuals, small by nature
    "海保ﾊﾟﾗﾒｰﾀﾌｧｲﾙ読込み中",
    "海保ﾊﾟﾗﾒｰﾀﾌｧｲﾙ読込み終了",
    1,
    KeyForm::compact,
    8, 6,
    14, 6,
};

constexpr std::size_t KEY_WIDTH = 8;

std::string with_path(const char* format, const std::string& path) {
    std::string text = format;
    text.replace(text.find("%s"), 2, path);
    return text;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The n-th (0-based) whitespace-separated word of text, cut to fit.
std::string word_at(std::string_view text, int n) {
    std::size_t i = 0;
    for (int w = 0;; ++w) {
        while (i < text.size() && is_blank(text[i])) ++i;
        const std::size_t start = i;
        while (i < text.size() && !is_blank(text[i])) ++i;
        if (start == i) return {};
        if (w == n) return std::string(text.substr(start, std::min(i - start, VERSION_MAX)));
    }
}

// Copies the columns [pos, pos + width) of the line text into a field,
// stopping at the end of the text and zero-filling the rest of the field.
// The field's own terminator is never written.
void copy_columns(char* field, std::string_view text, std::size_t pos, std::size_t width) {
    const std::size_t available = pos < text.size() ? std::min(width, text.size() - pos) : 0;
    if (available > 0) std::memcpy(field, text.data() + pos, available);
    std::memset(field + available, 0, width - available);
}

// copy_columns for a line that holds every column whole: copies of sizes
// known here, which cost a few moves each.
template <const FileKind& kind>
void copy_full_columns(ParamRecord& r, const char* line) {
    std::memcpy(r.key, line, KEY_WIDTH);
    std::memcpy(r.lat, line + kind.lat_pos, kind.lat_width);
    std::memcpy(r.lon, line + kind.lon_pos, kind.lon_width);
}

bool key_less(const ParamRecord& a, const ParamRecord& b) { return packed_key(a.key) < packed_key(b.key); }

// The records with their keys and their places in the file, sorted together.
struct SortedTogether {
    std::uint64_t* keys;
    ParamRecord* records;
    std::uint32_t* places;

    void swap(std::size_t i, std::size_t j) const {
        std::swap(keys[i], keys[j]);
        std::swap(records[i], records[j]);
        std::swap(places[i], places[j]);
    }
};

constexpr std::size_t FEW_RECORDS = 32;

// Sorts [begin, end) by key in place, by radix from the highest byte of the
// key that varies: each pass deals the records into their byte's bucket by
// swaps, every bucket filled from its start, then sorts each bucket by the
// next byte. A few records are sorted by insertion. The order of equal keys
// is not kept.
void radix_sort(const SortedTogether& a, std::size_t begin, std::size_t end, int shift, std::uint64_t varying) {
    while (shift >= 0 && ((varying >> shift) & 0xFF) == 0) shift -= 8;
    if (shift < 0) return;  // the keys left are all equal
    if (end - begin <= FEW_RECORDS) {
        for (std::size_t i = begin + 1; i < end; ++i) {
            for (std::size_t j = i; j > begin && a.keys[j - 1] > a.keys[j]; --j) a.swap(j - 1, j);
        }
        return;
    }
    std::size_t next[256] = {};
    for (std::size_t i = begin; i < end; ++i) ++next[(a.keys[i] >> shift) & 0xFF];
    std::size_t bucket_end[256];
    std::size_t sum = begin;
    for (int d = 0; d < 256; ++d) {
        const std::size_t c = next[d];
        next[d] = sum;
        sum += c;
        bucket_end[d] = sum;
    }
    for (int d = 0; d < 256; ++d) {
        while (next[d] < bucket_end[d]) {
            const std::size_t to = (a.keys[next[d]] >> shift) & 0xFF;
            if (static_cast<int>(to) == d) {
                ++next[d];
            } else {
                a.swap(next[d], next[to]++);
            }
        }
    }
    std::size_t start = begin;
    for (int d = 0; d < 256; ++d) {
        if (bucket_end[d] - start > 1) radix_sort(a, start, bucket_end[d], shift - 8, varying);
        start = bucket_end[d];
    }
}

void radix_sort(const SortedTogether& a, std::size_t n) {
    std::uint64_t all_and = ~std::uint64_t{0};
    std::uint64_t all_or = 0;
    for (std::size_t i = 0; i < n; ++i) {
        all_and &= a.keys[i];
        all_or |= a.keys[i];
    }
    radix_sort(a, 0, n, 56, all_and ^ all_or);
}

// Puts the records in the order of places (the record at i becomes the one
// that was at places[i]), one cycle of the permutation at a time; places is
// used up.
void permute_records(ParamRecord* records, std::uint32_t* places, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (places[i] == i) continue;
        const ParamRecord first = records[i];
        std::size_t j = i;
        while (places[j] != i) {
            const std::size_t from = places[j];
            records[j] = records[from];
            places[j] = static_cast<std::uint32_t>(j);
            j = from;
        }
        records[j] = first;
        places[j] = static_cast<std::uint32_t>(j);
    }
}

// A file put together from pieces that are each in key order: the pieces
// are merged, the one with the least next key giving all its keys below the
// next key of any other at once, and places gets the file place of each
// record in key order. false when a key occurs twice, or when the keys fall
// in so many pieces that merging them gains nothing.
bool merge_pieces(const std::uint64_t* keys, std::size_t n, std::uint32_t* places) {
    struct Piece {
        std::size_t next, end;
    };
    std::vector<Piece> pieces;
    for (std::size_t i = 0; i < n;) {
        const std::size_t begin = i;
        for (++i; i < n && keys[i] > keys[i - 1]; ++i) {
        }
        if (pieces.size() >= n / FEW_RECORDS) return false;
        pieces.push_back(Piece{begin, i});
    }
    // A heap of the pieces not used up, the least next key on top.
    const auto later = [keys](const Piece& a, const Piece& b) { return keys[a.next] > keys[b.next]; };
    std::make_heap(pieces.begin(), pieces.end(), later);
    std::size_t to = 0;
    while (!pieces.empty()) {
        std::pop_heap(pieces.begin(), pieces.end(), later);
        Piece& least = pieces.back();
        const bool others = pieces.size() > 1;
        const std::uint64_t bound = others ? keys[pieces.front().next] : 0;
        while (least.next < least.end && (!others || keys[least.next] < bound)) {
            places[to++] = static_cast<std::uint32_t>(least.next++);
        }
        if (least.next == least.end) {
            pieces.pop_back();
        } else if (keys[least.next] == bound) {
            return false;
        } else {
            std::push_heap(pieces.begin(), pieces.end(), later);
        }
    }
    return true;
}

constexpr int BLOCK_PLACES = PLACE_SQUARE * PLACE_SQUARE;
constexpr long PLACE_KEY_MAX = 99'999'999;  // the largest key "%8ld" prints in 8 bytes

// A place: the number of the square of (row, column) times BLOCK_PLACES,
// plus its place in the square.
long place_at(long row, long column) {
    const long square = row / PLACE_SQUARE * PLACE_SQUARES + column / PLACE_SQUARE;
    return square * BLOCK_PLACES + row % PLACE_SQUARE * PLACE_SQUARE + column % PLACE_SQUARE;
}

long place_of_digits(KeyForm form, const int (&d)[KEY_WIDTH]);

// The place of the number a key text stands for (packed: packed_key(key)),
// when the text is exactly
// what "%8ld" prints for a number from 0 up (blanks, then digits without a
// leading zero, 8 bytes in all): place_of that number. -1 for any other text:
// only such a key is found by a number.
long place_of_text(KeyForm form, const char* key, std::uint64_t packed) {
    int d[KEY_WIDTH] = {};
    // Eight digits, the first not 0, as nearly every key is: looked at all
    // at once in the packed key, whose first byte is the highest.
    constexpr std::uint64_t ZEROS = 0x3030303030303030ULL;
    constexpr std::uint64_t HIGH_NIBBLES = 0xF0F0F0F0F0F0F0F0ULL;
    if ((packed & HIGH_NIBBLES) == ZEROS && ((packed + 0x0606060606060606ULL) & HIGH_NIBBLES) == ZEROS &&
        (packed >> 56) != '0') {
        for (std::size_t k = 0; k < KEY_WIDTH; ++k) d[k] = static_cast<int>((packed >> (56 - 8 * k)) & 0x0F);
        return place_of_digits(form, d);
    }
    std::size_t i = 0;
    while (i < KEY_WIDTH && key[i] == ' ') ++i;
    if (i == KEY_WIDTH || (key[i] == '0' && i + 1 < KEY_WIDTH)) return -1;
    for (; i < KEY_WIDTH; ++i) {
        if (key[i] < '0' || key[i] > '9') return -1;
        d[i] = key[i] - '0';
    }
    return place_of_digits(form, d);
}

// place_of the number whose eight decimal digits are d, the first highest.
long place_of_digits(KeyForm form, const int (&d)[KEY_WIDTH]) {
    long row = 0;
    long column = 0;
    if (form == KeyForm::mesh_code) {
        if (d[4] >= 8 || d[5] >= 8) return -1;
        row = (d[0] * 10 + d[1]) * PLACE_SQUARE + d[4] * 10 + d[6];
        column = (d[2] * 10 + d[3]) * PLACE_SQUARE + d[5] * 10 + d[7];
    } else {
        row = ((d[0] * 10 + d[1]) * 10 + d[2]) * 10 + d[3];
        column = ((d[4] * 10 + d[5]) * 10 + d[6]) * 10 + d[7];
    }
    return place_at(row, column);
}

// The place of a key, or -1 when the key names no place.
long place_of(KeyForm form, long key) {
    if (key < 0 || key > PLACE_KEY_MAX) return -1;
    int d[KEY_WIDTH];
    for (std::size_t k = KEY_WIDTH; k-- > 0; key /= 10) d[k] = static_cast<int>(key % 10);
    return place_of_digits(form, d);
}

// The record at a place of a table whose keys never repeat, or -1.
int record_at(const ParamTable& table, long place) {
    const std::int32_t* const block = table.square_blocks[static_cast<std::size_t>(place / BLOCK_PLACES)].get();
    return block == nullptr ? -1 : block[place % BLOCK_PLACES];
}

// Empties the indexes of a table whose keys never repeat. The blocks of an
// earlier read are kept, emptied: a dialog reads the grids at every Run.
void clear_places(ParamTable& table) {
    table.square_blocks.resize(static_cast<std::size_t>(PLACE_SQUARES) * PLACE_SQUARES);
    for (std::unique_ptr<std::int32_t[]>& block : table.square_blocks) {
        if (block) std::fill_n(block.get(), BLOCK_PLACES, -1);
    }
    table.other_keys.clear();
    table.other_records.clear();
}

// Indexes the record at index i (packed: its packed key), the last of the
// records in key order so far: by its place, or among the others.
void index_record(ParamTable& table, std::size_t i, std::uint64_t packed) {
    const long place = place_of_text(table.key_form, table.records[i].key, packed);
    if (place < 0) {
        table.other_keys.push_back(packed);
        table.other_records.push_back(static_cast<std::int32_t>(i));
        return;
    }
    std::unique_ptr<std::int32_t[]>& block = table.square_blocks[static_cast<std::size_t>(place / BLOCK_PLACES)];
    if (!block) {
        block.reset(new std::int32_t[BLOCK_PLACES]);
        std::fill_n(block.get(), BLOCK_PLACES, -1);
    }
    block[static_cast<std::size_t>(place % BLOCK_PLACES)] = static_cast<std::int32_t>(i);
}

// Indexes a table whose keys never repeat, its records in key order.
void index_places(ParamTable& table) {
    clear_places(table);
    for (std::size_t i = 0; i < static_cast<std::size_t>(table.count); ++i) {
        index_record(table, i, packed_key(table.records[i].key));
    }
}

// Sorts the loaded records by key text and indexes them. A file whose keys
// already ascend strictly (ascending), as the published files' do, is left
// as it is: that is the one order a sort can give it. So is any other order
// of keys that never repeat, whatever way it is reached: a file of pieces
// that are each in order has its pieces merged, any other is sorted by
// radix. Where a key occurs twice, which of its records comes first is what
// std::sort gives on the records in file order, as it always was: the
// records go back to that order and that sort decides, and the table keeps
// every packed key for the search by halving.
void sort_and_index(ParamTable& table, bool ascending) {
    std::vector<std::uint64_t>& packed = table.packed_keys;
    packed.clear();
    table.unique_keys = true;
    if (!ascending) {
        ParamRecord* const records = table.records.get();
        const std::size_t n = static_cast<std::size_t>(table.count);
        packed.resize(n);
        std::uint64_t* const keys = packed.data();
        for (std::size_t i = 0; i < n; ++i) keys[i] = packed_key(records[i].key);
        bool sorted = false;
        std::unique_ptr<std::uint32_t[]> places(new (std::nothrow) std::uint32_t[n]);
        if (places) {
            if (merge_pieces(keys, n, places.get())) {
                permute_records(records, places.get(), n);
                for (std::size_t i = 0; i < n; ++i) keys[i] = packed_key(records[i].key);
                sorted = true;
            } else {
                for (std::size_t i = 0; i < n; ++i) places[i] = static_cast<std::uint32_t>(i);
                const SortedTogether together{keys, records, places.get()};
                radix_sort(together, n);
                sorted = true;
                for (std::size_t i = 1; i < n && sorted; ++i) sorted = keys[i] != keys[i - 1];
                if (!sorted) {
                    for (std::size_t i = 0; i < n; ++i) keys[i] = places[i];
                    radix_sort(together, n);
                }
            }
        }
        if (!sorted) {
            places.reset();
            std::sort(records, records + n, key_less);
            for (std::size_t i = 0; i < n; ++i) {
                keys[i] = packed_key(records[i].key);
                if (i > 0 && keys[i] == keys[i - 1]) table.unique_keys = false;
            }
        }
    }
    if (table.unique_keys) {
        std::vector<std::uint64_t>().swap(packed);
        // A file read in key order was indexed as it was read.
        if (!ascending) index_places(table);
    }
}

// The plain halving over all records: with a key that occurs twice, this is
// what decides which record answers.
int halving_search(const std::uint64_t* keys, std::size_t count, std::uint64_t wanted) {
    std::size_t low = 0;
    std::size_t high = count;
    while (low < high) {
        const std::size_t mid = (low + high) / 2;
        if (wanted < keys[mid]) {
            high = mid;
        } else if (wanted > keys[mid]) {
            low = mid + 1;
        } else {
            return static_cast<int>(mid);
        }
    }
    return -1;
}

// A shift below this in both latitude and longitude, arc-seconds, is no
// datum shift: from the Tokyo datum to JGD2000 every node moves about 10".
constexpr double SMALL_SHIFT = 1.0;

// The nodes a land file lists and how many of them shift less than
// SMALL_SHIFT both ways. More than half so small: a correction file, whose
// values are centimetres to metres, given as the land grid.
struct ShiftSizes {
    std::size_t nodes = 0;
    std::size_t small = 0;
    bool mostly_small() const { return small * 2 > nodes; }
};

// Counts a record line that lists a node (its key columns are eight digits,
// the only keys a lookup finds), and whether the two words after the key
// are numbers under SMALL_SHIFT. Words, not columns: a correction file's
// values stand in columns of their own, and a land grid's columns always
// have blanks between them.
void count_shift(std::string_view line, ShiftSizes& sizes) {
    if (line.size() < KEY_WIDTH) return;
    for (std::size_t i = 0; i < KEY_WIDTH; ++i) {
        if (line[i] < '0' || line[i] > '9') return;
    }
    ++sizes.nodes;
    std::string_view values[2];
    std::size_t i = KEY_WIDTH;
    for (std::string_view& value : values) {
        while (i < line.size() && is_blank(line[i])) ++i;
        const std::size_t start = i;
        // A value that starts with a digit other than 0 is 1 or more, or no
        // number at all: the node is no small one, whatever follows. So it
        // goes for nearly every node of a land grid, without reading one.
        const std::size_t lead = i < line.size() && (line[i] == '+' || line[i] == '-') ? i + 1 : i;
        if (lead < line.size() && line[lead] >= '1' && line[lead] <= '9') return;
        while (i < line.size() && !is_blank(line[i])) ++i;
        value = line.substr(start, i - start);
        if (!text::is_decimal_number(value) || !(std::fabs(text::read_decimal(value)) < SMALL_SHIFT)) return;
    }
    ++sizes.small;
}

int fail_read(const FileKind& kind, UserFeedback& ui, const std::string& path, ParamTable& table) {
    table.count = 0;
    ui.show_message(with_path(kind.read_error, path), "Error");
    return 1;
}

int read_param_file(const FileKind& kind, UserFeedback& ui, int full, const std::string& path,
                    std::string& version, ParamTable& table) {
    text::FilePtr file = text::open_cp932_path(path, "rb");
    if (!file) {
        ui.show_message(with_path(kind.open_error, path), "Error");
        return 1;
    }
    ui.set_status(kind.reading);
    table.load_id = next_load_id();

    text::LineReader reader(file.get());
    std::string line;
    version.clear();
    if (reader.starts_with_unicode_mark()) {
        table.count = 0;
        ui.show_message(with_path(text::UNICODE_FILE_ERROR, path), "Error");
        return 1;
    }
    if (reader.read_line(line, PARAM_LINE_MAX) != 0) {
        // Land file: the second word. Sea file: the first word after the
        // first character, whatever that character is.
        version = kind.header_lines == 2 ? word_at(line, 1) : word_at(std::string_view(line).substr(1), 0);
    }
    if (full == 0) {
        table.count = 0;
        return reader.failed() ? fail_read(kind, ui, path, table) : 0;
    }
    for (int h = 1; h < kind.header_lines; ++h) reader.read_line(line, PARAM_LINE_MAX);

    // Every record takes at least one byte of the file: storage for the
    // smaller of that and the capacity, which only the records read touch.
    const long long size = text::file_size(file.get());
    const std::size_t room = static_cast<std::size_t>(
        size >= 0 && size < table.capacity ? size : static_cast<long long>(table.capacity));
    table.count = 0;
    // The storage of an earlier read is kept when it is large enough: a
    // dialog reads the grids again at every Run.
    if (table.record_room < room || !table.records) {
        table.records.reset();
        table.record_room = 0;
        table.records.reset(new (std::nothrow) ParamRecord[room == 0 ? 1 : room]);
        if (!table.records) return fail_read(kind, ui, path, table);
        table.record_room = room;
    }
    table.key_form = kind.key_form;
    clear_places(table);

    std::size_t count = 0;
    bool ascending = true;
    std::uint64_t last_key = 0;
    ShiftSizes sizes;
    ParamRecord* const records = table.records.get();
    std::string_view text;
    while (reader.read_piece(text, PARAM_LINE_MAX) != 0) {
        if (count >= static_cast<std::size_t>(table.capacity)) {
            table.count = 0;
            ui.show_message(with_path(kind.overflow_error, path), "Error");
            return 1;
        }
        if (count >= room) return fail_read(kind, ui, path, table);  // the file grew while read
        if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
        ParamRecord& r = records[count];
        r = ParamRecord{};
        if (&kind == &LAND_FILE && text.size() >= LAND_FILE.lon_pos + LAND_FILE.lon_width) {
            copy_full_columns<LAND_FILE>(r, text.data());
        } else if (&kind == &SEA_FILE && text.size() >= SEA_FILE.lon_pos + SEA_FILE.lon_width) {
            copy_full_columns<SEA_FILE>(r, text.data());
        } else {
            copy_columns(r.key, text, 0, KEY_WIDTH);
            copy_columns(r.lat, text, kind.lat_pos, kind.lat_width);
            copy_columns(r.lon, text, kind.lon_pos, kind.lon_width);
        }
        if (kind.small_shifts_error != nullptr) count_shift(text, sizes);
        const std::uint64_t key = packed_key(r.key);
        if (count > 0 && key <= last_key) ascending = false;
        last_key = key;
        if (ascending) index_record(table, count, key);
        ++count;
    }
    // A file that could not be read to its end is no grid: no half table.
    if (reader.failed()) return fail_read(kind, ui, path, table);
    file.reset();
    if (sizes.mostly_small()) {
        table.count = 0;
        ui.show_message(with_path(kind.small_shifts_error, path), "Error");
        return 1;
    }
    table.count = static_cast<int>(count);
    sort_and_index(table, ascending);
    table.shifts_kept = false;
    if (table.unique_keys) {
        if (table.shift_room < count) {
            table.shift_states.reset();
            table.shifts.reset();
            table.shift_room = 0;
            table.shift_states.reset(new (std::nothrow) std::atomic<std::uint8_t>[count]());
            table.shifts.reset(new (std::nothrow) NodeShift[count]);
            if (table.shift_states && table.shifts) table.shift_room = count;
        } else {
            for (std::size_t i = 0; i < count; ++i) table.shift_states[i].store(0, std::memory_order_relaxed);
        }
        table.shifts_kept = table.shift_room >= count;
    }
    ui.set_status(kind.finished);
    return 0;
}

// The key as "%8ld" prints it, packed; 1 when that text is longer than the
// 8 bytes of any record's key, which then cannot equal it.
int pack_lookup_key(long key, std::uint64_t& packed) {
    if (key < -9999999 || key > 99999999) return 1;
    char text[KEY_WIDTH];
    std::memset(text, ' ', sizeof text);
    unsigned long magnitude = key < 0 ? static_cast<unsigned long>(-key) : static_cast<unsigned long>(key);
    std::size_t i = KEY_WIDTH;
    do {
        text[--i] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (key < 0) text[--i] = '-';
    packed = 0;
    for (char c : text) packed = (packed << 8) | static_cast<unsigned char>(c);
    return 0;
}

}  // namespace

std::uint64_t next_load_id() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

int create_param_table(ParamTable& table, int capacity) {
    table = ParamTable{};
    table.load_id = next_load_id();
    if (capacity <= 0) return 1;
    table.capacity = capacity;
    return 0;
}

std::uint64_t packed_key(const char* key) {
    if constexpr (std::endian::native == std::endian::little) {
        // The eight bytes at once, first byte highest, every byte from the
        // first zero on cleared (the lowest byte flagged zero truly is).
        std::uint64_t word;
        std::memcpy(&word, key, KEY_WIDTH);
        const std::uint64_t zeros = (word - 0x0101010101010101ULL) & ~word & 0x8080808080808080ULL;
        if (zeros != 0) word &= (std::uint64_t{1} << (std::countr_zero(zeros) & ~7)) - 1;
        return __builtin_bswap64(word);
    }
    std::uint64_t packed = 0;
    for (std::size_t i = 0; i < KEY_WIDTH && key[i] != '\0'; ++i) {
        packed |= static_cast<std::uint64_t>(static_cast<unsigned char>(key[i])) << (56 - 8 * i);
    }
    return packed;
}

int read_land_param_file(UserFeedback& ui, int full, const std::string& path, std::string& version,
                        ParamTable& table) {
    return read_param_file(LAND_FILE, ui, full, path, version, table);
}

int read_sea_param_file(UserFeedback& ui, int full, const std::string& path, std::string& version,
                        ParamTable& table) {
    return read_param_file(SEA_FILE, ui, full, path, version, table);
}

const ParamRecord* find_param_record(std::span<const ParamRecord> records, long key) {
    char text[24];
    std::snprintf(text, sizeof text, "%8ld", key);
    std::size_t low = 0;
    std::size_t high = records.size();
    while (low < high) {
        const std::size_t mid = (low + high) / 2;
        const int order = std::strcmp(text, records[mid].key);
        if (order < 0) {
            high = mid;
        } else if (order > 0) {
            low = mid + 1;
        } else {
            return &records[mid];
        }
    }
    return nullptr;
}

const ParamRecord* find_param_record(const ParamTable& table, long key) {
    const int index = find_param_index(table, key);
    return index < 0 ? nullptr : &table.records[index];
}

int find_place_index(const ParamTable& table, int row, int column) {
    if (table.count <= 0) return -1;
    if (!table.unique_keys) {
        const long key = table.key_form == KeyForm::compact
                             ? row * 10'000L + column
                             : row / PLACE_SQUARE * 1'000'000L + column / PLACE_SQUARE * 10'000L +
                                   row % PLACE_SQUARE / 10 * 1'000L + column % PLACE_SQUARE / 10 * 100L +
                                   row % 10 * 10L + column % 10;
        return find_param_index(table, key);
    }
    return record_at(table, place_at(row, column));
}

int find_param_index(const ParamTable& table, long key) {
    if (table.count <= 0) return -1;
    if (table.unique_keys) {
        const long place = place_of(table.key_form, key);
        if (place >= 0) return record_at(table, place);
    }
    std::uint64_t wanted = 0;
    if (pack_lookup_key(key, wanted) != 0) return -1;
    if (!table.unique_keys) return halving_search(table.packed_keys.data(), table.packed_keys.size(), wanted);
    const auto at = std::lower_bound(table.other_keys.begin(), table.other_keys.end(), wanted);
    if (at == table.other_keys.end() || *at != wanted) return -1;
    return table.other_records[static_cast<std::size_t>(at - table.other_keys.begin())];
}

}  // namespace grids
