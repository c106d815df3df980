#include "batch/job.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "batch/conversion_log.h"
#include "batch/map_file.h"
#include "batch/run_files.h"
#include "batch/sima.h"
#include "batch/text_fields.h"
#include "batch/xybl.h"
#include "grids/point_conversion.h"
#include "text/cp932.h"
#include "text/text_file.h"

namespace batch {

namespace {

constexpr const char* CAPTION_ERROR = "Error";
constexpr const char* CAPTION_DONE = "終了";
constexpr const char* LOG_NAME_FAILED = "ﾛｸﾞﾌｧｲﾙの作成に失敗 !!";
constexpr const char* MAP_NAME_FAILED = "地図ﾌｧｲﾙの作成に失敗 !!";
constexpr const char* INPUT_OPEN_ERROR = "%s SIMA入力ﾌｧｲﾙ Open Error !!";
constexpr const char* OUTPUT_OPEN_ERROR = "%s SIMA出力ﾌｧｲﾙ Open Error !!";
constexpr const char* LOG_OPEN_ERROR = "%s Errorlog ﾌｧｲﾙ Open Error !!";
constexpr const char* MAP_OPEN_ERROR = "%s 地図ﾌｧｲﾙ Open Error !!";
constexpr const char* OVERWRITE_ERROR = "%s 入力ﾌｧｲﾙを上書きしてしまいます !!";
constexpr const char* WRITE_ERROR = "%s 書込みｴﾗｰ !!";
constexpr const char* READ_ERROR = "%s 読込みｴﾗｰ !!";
constexpr const char* LINE_TOO_LONG = "%s 読込みｴﾗｰ !! %lld行目が%lldﾊﾞｲﾄを超えています";
constexpr const char* CLOSING_WITH_ERRORS =
    "変換ｴﾗｰがあります、ｴﾗｰ内容を表示しますので必ず確認してください !!";
constexpr const char* CLOSING_CLEAN =
    "変換は無事終了しました、変換条件の内容を表示しますので必ず確認してください !!";

// The longest line that can be a point, line end not counted: far beyond any
// real record, yet a bound on the memory of a run. Longer lines that are no
// points pass through in pieces of this size.
constexpr std::size_t POINT_LINE_MAX = 65536;

void show_error(grids::UserFeedback& ui, const char* format, const std::string& path) {
    std::string text;
    format_into(text, format, path.c_str());
    ui.show_message(text, CAPTION_ERROR);
}

// One line of the input on its way to the output: a point, or a line (or a
// piece of a long line) that a SIMA output copies as it is.
struct PendingLine {
    bool point = false;
    std::string line;  // as read, line end included when it has one
    long counter = 0;  // the point's running number
    SimaRecord record;
    grids::PointResult result;
    int converted = 1;
    // A converted point's record (SIMA output) or line (XYBL output), and
    // after it, from written_length on, its marks for the log: as they are
    // written, each LF already a CR LF.
    std::string written;
    std::size_t written_length = 0;
    std::string map_text;  // the point's feature of the map file, when there is one
};

// Lines read but not yet written. Points are converted a batch at a time, on
// both cores when the batch is large enough, and then written in input order,
// so the output is the same byte for byte as a point-by-point run. Entries
// and their strings are reused from batch to batch: nothing is allocated per
// point once the first batch has been read.
struct PendingBatch {
    std::vector<PendingLine> lines;
    std::size_t size = 0;   // entries in use
    std::size_t bytes = 0;  // text they hold
    PendingLine& next() {
        if (size == lines.size()) lines.emplace_back();
        return lines[size++];
    }
};

// A batch is written when it holds this many lines or this much text: enough
// to share between two threads, little enough to keep memory bounded.
constexpr std::size_t BATCH_LINES = 4096;
constexpr std::size_t BATCH_BYTES = 1 << 20;
// Storage of a line kept from batch to batch at most; longer lines are rare.
constexpr std::size_t LONG_LINE_STORAGE = 4096;
// Fewer points than this are not worth a second thread.
constexpr std::size_t PARALLEL_MIN_POINTS = 256;

// The writing side of a job: the job and grids the points are converted
// with, the output (writing nothing with XYBL output) and the log, their
// scratch storage, allocated once per job, and what the written points
// came to.
struct BatchWriter {
    const ConversionJob& job;
    const grids::GridSet& tables;
    text::TextWriter& output;
    text::TextWriter& log;
    text::TextWriter& map;  // writes nothing without a map file
    const MapFormat* map_format;  // null without a map file
    std::string text;
    XyblScratch xybl;
    bool map_started = false;  // a feature is written
    int error_flag = 0;  // 1 once a point was not converted
    int failed_count = 0;
};

// A converted point whose results are not all finite numbers was not
// converted: no such value is ever written as a result.
bool results_are_numbers(const grids::PointResult& p) {
    return std::isfinite(p.x_out) && std::isfinite(p.y_out) && std::isfinite(p.lat_out) && std::isfinite(p.lon_out);
}

// The outcome of a point whose X or Y is no number: never converted, its
// latitude and longitude unknown.
constexpr int COORDINATES_UNREADABLE = 2;

// The bits of the run's height files among its correction files.
std::uint16_t height_files(const grids::GridSet& tables) {
    std::uint16_t bits = 0;
    for (std::size_t i = 0; i < tables.corrections.size(); ++i) {
        if (tables.corrections[i].kind == grids::CorrectionKind::height) bits |= static_cast<std::uint16_t>(1u << i);
    }
    return bits;
}

// Converts one point, and rewrites its height when a height file corrected
// it.
void convert_point(const ConversionJob& job, const grids::GridSet& tables, std::uint16_t heights, PendingLine& l) {
    SimaRecord& r = l.record;
    if (!r.coordinates_readable) {
        l.result = grids::PointResult{};
        l.result.lat_in = l.result.lon_in = std::numeric_limits<double>::quiet_NaN();
        l.converted = COORDINATES_UNREADABLE;
        return;
    }
    // With height files, a height they can correct is a plain number; any
    // other height text passes them by and is kept as it is.
    grids::PointHeight height;
    int height_decimals = 0;
    if (heights != 0) height.known = read_plain_height(r.height, height.value, height_decimals) == 0;
    grids::PointHeight* const h = heights != 0 ? &height : nullptr;
    int converted = job.direction == Direction::tokyo_to_jgd ? grids::tokyo_to_jgd_point(tables, job.zone, r.x, r.y, l.result, h)
                                                             : grids::jgd_to_tokyo_point(tables, job.zone, r.x, r.y, l.result, h);
    if (converted == 0 && !results_are_numbers(l.result)) converted = 1;
    l.converted = converted;
    // The height text is rewritten only when a height file corrected it.
    if (converted == 0 && (l.result.corrections.corrected & heights) != 0) {
        format_height(height.value, height_decimals, r.height);
    }
}

// What became of a point, by the outcome of its conversion.
PointFate fate_of(int converted) {
    return converted == 0                         ? PointFate::converted
           : converted == COORDINATES_UNREADABLE ? PointFate::unreadable
                                                 : PointFate::not_converted;
}

// One thread's storage for formatting, reused from point to point.
struct Scratch {
    MapScratch map;
    XyblScratch xybl;
    std::string text;
};

// A point's line, read into its record; an XY point is numbered by its
// running number and has no height.
void read_point(bool sima_in, PendingLine& l) {
    SimaRecord& r = l.record;
    if (sima_in) {
        read_sima_record(l.line, r);
    } else {
        read_xy_line(l.line, r);
        char digits[24];
        const auto written = std::to_chars(digits, digits + sizeof digits, l.counter);
        r.number.assign(digits, written.ptr);
        r.height.clear();
    }
}

// What a converted point writes: its SIMA record, or its XYBL line, and its
// marks for the log.
void format_converted(const ConversionJob& job, std::size_t correction_count, Scratch& scratch, PendingLine& l) {
    const SimaRecord& r = l.record;
    const grids::PointResult& p = l.result;
    if (job.out_file_type == OutputType::sima) {
        format_sima_record(job.decimals, r.number, r.name, p.x_out, p.y_out, r.height, l.written);
    } else {
        format_xybl_line(job.decimals, r.name, r.x, r.y, p.lat_in, p.lon_in, p.x_out, p.y_out, p.lat_out, p.lon_out,
                         scratch.xybl, l.written);
    }
    const std::size_t record_length = l.written.size();
    append_point_marks(l.written, p, correction_count);
    const std::string_view text = l.written;
    scratch.text.clear();
    text::append_windows_lines(scratch.text, text.substr(0, record_length));
    l.written_length = scratch.text.size();
    text::append_windows_lines(scratch.text, text.substr(record_length));
    l.written.swap(scratch.text);
}

// Reads, converts and formats the points from begin to end and, with a map
// file, formats each point's feature.
void convert_range(const ConversionJob& job, const grids::GridSet& tables, const MapFormat* map, Scratch& scratch,
                   PendingLine* begin, PendingLine* end) {
    const std::uint16_t heights = height_files(tables);
    const bool sima_in = job.in_file_type == InputType::sima;
    for (PendingLine* l = begin; l != end; ++l) {
        if (!l->point) continue;
        read_point(sima_in, *l);
        convert_point(job, tables, heights, *l);
        if (l->converted == 0) format_converted(job, tables.corrections.size(), scratch, *l);
        if (map != nullptr) {
            format_map_feature(*map, MapPoint{l->record, l->result, fate_of(l->converted)}, scratch.map, l->map_text);
        }
    }
}

// A batch's conversion shared by two threads a chunk at a time: each takes
// the next chunk not yet taken until none is left. Each point's conversion
// depends on nothing but its own line and the tables, which no one writes
// meanwhile.
struct SharedConversion {
    SharedConversion(const ConversionJob& j, const grids::GridSet& t, const MapFormat* m, PendingLine* l, std::size_t n)
        : job(j), tables(t), map(m), lines(l), count(n) {}
    const ConversionJob& job;
    const grids::GridSet& tables;
    const MapFormat* map;
    PendingLine* lines;
    std::size_t count;
    std::atomic<std::size_t> next{0};
};

constexpr std::size_t CHUNK_POINTS = 64;

void convert_chunks(SharedConversion& shared, Scratch& scratch) {
    for (;;) {
        const std::size_t begin = shared.next.fetch_add(CHUNK_POINTS);
        if (begin >= shared.count) return;
        const std::size_t end = std::min(begin + CHUNK_POINTS, shared.count);
        convert_range(shared.job, shared.tables, shared.map, scratch, shared.lines + begin, shared.lines + end);
    }
}

// One converted point: a SIMA output gets its record, the log the point
// with the grid that shifted it, or the failed point.
void write_point(BatchWriter& w, const PendingLine& l) {
    const SimaRecord& r = l.record;
    const grids::PointResult& p = l.result;
    const int decimals = w.job.decimals;
    if (l.converted != 0) w.error_flag = 1;
    if (l.converted == 0) {
        if (w.job.out_file_type == OutputType::sima) {
            w.output.write_without_line_ends(std::string_view(l.written).substr(0, l.written_length));
            w.output.write_without_line_ends("\r\n");
        }
        w.log.write_without_line_ends(l.written);
    } else if (w.job.out_file_type == OutputType::sima) {
        log_failed_point(w.log, l.line, w.failed_count);
        ++w.failed_count;
    } else {
        format_xybl_short_line(decimals, r.name, r.x, r.y, p.lat_in, p.lon_in, w.xybl, w.text);
        w.log.write(w.text);
        if (l.converted == COORDINATES_UNREADABLE) {
            w.log.write(UNREADABLE_MARK);
        } else {
            write_failed_mark(w.log, p);
        }
    }
}

// The map file's features of a batch's points, in order.
void write_map_features(BatchWriter& w, const PendingBatch& batch) {
    for (std::size_t i = 0; i < batch.size; ++i) {
        const PendingLine& l = batch.lines[i];
        if (!l.point) continue;
        if (w.map_started) write_map_separator(w.map);
        w.map_started = true;
        w.map.write_without_line_ends(l.map_text);
    }
}

// Empties the batch for the next lines. A long line's storage is given
// back, so that memory stays bounded whatever lines come later in the same
// places of the batch.
void clear_batch(PendingBatch& batch) {
    for (std::size_t i = 0; i < batch.size; ++i) {
        PendingLine& l = batch.lines[i];
        for (std::string* kept : {&l.line, &l.written, &l.map_text}) {
            if (kept->capacity() > LONG_LINE_STORAGE) std::string().swap(*kept);
        }
    }
    batch.size = 0;
    batch.bytes = 0;
}

// Writes a converted batch's lines in order to the output and the log:
// copied lines to the output, each point as write_point does.
void write_batch(BatchWriter& w, const PendingBatch& batch) {
    for (std::size_t i = 0; i < batch.size; ++i) {
        const PendingLine& l = batch.lines[i];
        if (l.point) {
            write_point(w, l);
        } else {
            w.output.write(l.line);
        }
    }
}

// What the second thread is given: the map features of the batch just
// converted, when there are any to write, then its share of converting the
// batch just read.
struct HelperTask {
    const PendingBatch* map_batch = nullptr;
    SharedConversion* shared = nullptr;
};

// The second thread of a job, started with its first large batch and kept
// to the end: it takes one task at a time and says when it is done.
struct Helper {
    explicit Helper(BatchWriter& writer) : w(writer) {}
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;
    BatchWriter& w;
    std::mutex mutex;
    std::condition_variable changed;
    HelperTask task;
    bool has_task = false;
    bool stop = false;
    std::thread thread;

    void run() {
        Scratch scratch;
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            changed.wait(lock, [this] { return has_task || stop; });
            if (!has_task) return;
            const HelperTask t = task;
            lock.unlock();
            if (t.map_batch != nullptr) write_map_features(w, *t.map_batch);
            if (t.shared != nullptr) convert_chunks(*t.shared, scratch);
            lock.lock();
            has_task = false;
            changed.notify_all();
        }
    }
    void give(const HelperTask& t) {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            task = t;
            has_task = true;
        }
        changed.notify_all();
    }
    void wait_done() {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [this] { return !has_task; });
    }
    ~Helper() {
        if (!thread.joinable()) return;
        {
            const std::lock_guard<std::mutex> lock(mutex);
            stop = true;
        }
        changed.notify_all();
        thread.join();
    }
};

// Two batches in turn: one being read, and the one before it, being
// converted by the second thread meanwhile. When the batch being read is
// full, this thread helps finish converting the one before, hands the new
// one to the second thread, writes the converted one (the second thread
// writes its map features first), and reads on. So reading, writing and
// converting share both cores, and lines are still written in input order,
// the same bytes as a point-by-point run.
struct Pipeline {
    explicit Pipeline(BatchWriter& w) : helper(w) {}
    PendingBatch batches[2];
    std::optional<SharedConversion> shared[2];
    int reading = 0;
    bool converting = false;  // batches[1 - reading] is being converted
    bool started = false;     // the second thread was tried
    Scratch scratch;          // this thread's
    Helper helper;
    PendingBatch& read_batch() { return batches[reading]; }
};

// Finishes converting the batch handed on: this thread takes the chunks
// left, then waits for the second thread's last one.
void finish_converting(Pipeline& p) {
    if (!p.converting) return;
    SharedConversion& shared = *p.shared[1 - p.reading];
    convert_chunks(shared, p.scratch);
    if (p.helper.thread.joinable()) p.helper.wait_done();
    p.converting = false;
}

// Hands the batch read to the second thread (or converts it here when there
// is none), writes the batch converted before it, and empties that one for
// the next lines.
void submit(BatchWriter& w, Pipeline& p) {
    finish_converting(p);
    const int done = 1 - p.reading;
    PendingBatch& fresh = p.batches[p.reading];
    PendingBatch& converted = p.batches[done];
    SharedConversion& shared = p.shared[p.reading].emplace(w.job, w.tables, w.map_format, fresh.lines.data(), fresh.size);
    if (!p.started && fresh.size >= PARALLEL_MIN_POINTS) {
        p.started = true;
        try {
            p.helper.thread = std::thread([&p] { p.helper.run(); });
        } catch (const std::system_error&) {
            // No second thread to be had: this one does it all.
        }
    }
    const bool map_features = converted.size > 0 && w.map_format != nullptr;
    if (p.helper.thread.joinable()) {
        p.helper.give(HelperTask{map_features ? &converted : nullptr, &shared});
    } else {
        convert_chunks(shared, p.scratch);
        if (map_features) write_map_features(w, converted);
    }
    if (converted.size > 0) {
        write_batch(w, converted);
        // The map features must be written before the batch is emptied.
        if (map_features && p.helper.thread.joinable()) {
            convert_chunks(shared, p.scratch);
            p.helper.wait_done();
        }
        clear_batch(converted);
    }
    p.converting = p.helper.thread.joinable();
    p.reading = done;
}

// Converts and writes whatever is left, in order.
void finish(BatchWriter& w, Pipeline& p) {
    if (p.read_batch().size > 0) submit(w, p);
    finish_converting(p);
    PendingBatch& last = p.batches[1 - p.reading];
    if (last.size > 0) {
        write_batch(w, last);
        if (w.map_format != nullptr) write_map_features(w, last);
        clear_batch(last);
    }
}

// A line (or a piece of one) that a SIMA output copies as it is.
void keep_line(PendingBatch& batch, std::string& piece) {
    PendingLine& copy = batch.next();
    copy.point = false;
    copy.line.swap(piece);
    batch.bytes += copy.line.size();
}

// A point's line, read into its record when its batch is converted.
void keep_point(PendingBatch& batch, std::string& piece, long point_counter) {
    PendingLine& point = batch.next();
    point.point = true;
    point.counter = point_counter;
    point.line.swap(piece);
    batch.bytes += point.line.size();
}

// Whether a whole line (or the first piece of a long one) is a point: a
// SIMA coordinate record, or any XY line but comments and empty lines.
bool is_point_line(bool sima_in, const std::string& piece) {
    if (sima_in) return is_sima_record(piece);
    return !(piece[0] == '#' || piece == "\n");
}

// Opens the output (with SIMA output; an XYBL output is the log) and the
// log, once nothing they would overwrite is an input. 1 (after a message)
// when one cannot be had.
int open_outputs(grids::UserFeedback& ui, const ConversionJob& job, const std::string& log_path,
                 text::FilePtr& output, text::FilePtr& log, text::FilePtr& map) {
    JobFiles files;
    name_job_files(job, files);
    files.log = log_path;
    if (const std::string* target = overwritten_input(job, files)) {
        show_error(ui, OVERWRITE_ERROR, *target);
        return 1;
    }
    if (job.out_file_type == OutputType::sima) {
        output = text::open_cp932_path(job.out_file, "wb");
        if (!output) {
            show_error(ui, OUTPUT_OPEN_ERROR, job.out_file);
            return 1;
        }
    }
    log = text::open_cp932_path(log_path, "wb");
    if (!log) {
        show_error(ui, LOG_OPEN_ERROR, log_path);
        return 1;
    }
    if (job.write_map) {
        map = text::open_cp932_path(files.map, "wb");
        if (!map) {
            show_error(ui, MAP_OPEN_ERROR, files.map);
            return 1;
        }
    }
    return 0;
}

// Reads the input line by line, gathers its points and the lines a SIMA
// output copies into batches and writes each batch when full and the last
// at the end. 1 when a point's line is too long to be one (the job stops
// there, after writing what came before it).
int read_and_write(grids::UserFeedback& ui, text::LineReader& reader, long long input_size, BatchWriter& w) {
    const bool sima_in = w.job.in_file_type == InputType::sima;
    const bool copies = sima_in && w.job.out_file_type == OutputType::sima;
    Pipeline pipeline(w);
    std::string piece;
    bool at_line_start = true;
    long long line_number = 0;
    long point_counter = 0;
    int result = 0;
    // A piece one byte longer than a point line may be tells a line too long
    // to be a point from one that just fits.
    while (reader.read_line(piece, POINT_LINE_MAX + 1) != 0) {
        if (pipeline.read_batch().size >= BATCH_LINES || pipeline.read_batch().bytes >= BATCH_BYTES) {
            submit(w, pipeline);
        }
        PendingBatch& batch = pipeline.read_batch();
        const bool continues = !at_line_start;
        at_line_start = piece.back() == '\n';
        // The rest of a long line is no point; nor are the lines that are
        // neither records nor data.
        if (!continues) ++line_number;
        if (continues || !is_point_line(sima_in, piece)) {
            if (copies) keep_line(batch, piece);
            continue;
        }
        if (piece.size() > POINT_LINE_MAX && !at_line_start) {
            finish(w, pipeline);
            std::string text;
            format_into(text, LINE_TOO_LONG, w.job.in_file.c_str(), line_number, static_cast<long long>(POINT_LINE_MAX));
            ui.show_message(text, CAPTION_ERROR);
            result = 1;
            break;
        }
        ++point_counter;
        ui.show_point(point_counter, piece);
        ui.set_progress(reader.position(), input_size);
        keep_point(batch, piece, point_counter);
    }
    finish(w, pipeline);
    return result;
}

// Closes the job's files: 1 (after a message each) when reading the input
// or writing the output or the log failed.
int close_files(grids::UserFeedback& ui, const ConversionJob& job, const text::LineReader& reader,
                text::FilePtr& input, text::TextWriter& output, text::TextWriter& log, const std::string& log_path,
                text::TextWriter& map) {
    int result = 0;
    if (reader.failed()) {
        show_error(ui, READ_ERROR, job.in_file);
        result = 1;
    }
    input.reset();
    if (job.out_file_type == OutputType::sima && output.close() != 0) {
        show_error(ui, WRITE_ERROR, job.out_file);
        result = 1;
    }
    if (log.close() != 0) {
        show_error(ui, WRITE_ERROR, log_path);
        result = 1;
    }
    if (job.write_map && map.close() != 0) {
        JobFiles files;
        name_job_files(job, files);
        show_error(ui, WRITE_ERROR, files.map);
        result = 1;
    }
    return result;
}

}  // namespace

bool is_known(InputType type) { return type == InputType::sima || type == InputType::xy; }
bool is_known(OutputType type) { return type == OutputType::sima || type == OutputType::xybl; }

int run_conversion(grids::UserFeedback& ui, const ConversionJob& job, const grids::GridSet& tables, int& error_flag) {
    JobFiles files;
    const int named = name_job_files(job, files);
    if (named != 0) {
        error_flag = 1;
        ui.show_message(named == 3 ? MAP_NAME_FAILED : LOG_NAME_FAILED, CAPTION_ERROR);
        return 1;
    }
    std::string log_path = files.log;
    const int result = convert_file(ui, job, tables, log_path, error_flag);
    // A job refused before it wrote anything has said why: there is no log
    // to read, and the file in log_path may be an input or a grid, which the
    // editor must never be given.
    if (result == JOB_REFUSED) return 1;
    if (error_flag != 0) {
        ui.show_message(CLOSING_WITH_ERRORS, CAPTION_ERROR);
    } else {
        ui.show_message(CLOSING_CLEAN, CAPTION_DONE);
    }
    ui.open_in_editor(log_path);
    return result;
}

int convert_file(grids::UserFeedback& ui, const ConversionJob& job, const grids::GridSet& tables, std::string& log_path, int& error_flag) {
    // Until all three files are open, a stop is an error of the run.
    error_flag = 1;
    text::FilePtr input = text::open_cp932_path(job.in_file, "rb");
    if (!input) {
        show_error(ui, INPUT_OPEN_ERROR, job.in_file);
        return JOB_REFUSED;
    }
    text::LineReader reader(input.get());
    if (reader.starts_with_unicode_mark()) {
        show_error(ui, text::UNICODE_FILE_ERROR, job.in_file);
        return JOB_REFUSED;
    }
    if (job.out_file_type != OutputType::sima) log_path = job.out_file;
    text::FilePtr output_file;
    text::FilePtr log_file;
    text::FilePtr map_file;
    if (open_outputs(ui, job, log_path, output_file, log_file, map_file) != 0) return JOB_REFUSED;
    text::TextWriter output(std::move(output_file));
    text::TextWriter log(std::move(log_file));
    text::TextWriter map(std::move(map_file));
    write_log_header(log, job);
    if (job.write_map) write_map_start(map);

    MapFormat map_format;
    if (job.write_map) make_map_format(job, tables.corrections.size(), map_format);
    BatchWriter writer{job, tables, output, log, map, job.write_map ? &map_format : nullptr, {}, {}, false, 0, 0};
    int result = read_and_write(ui, reader, text::file_size(input.get()), writer);
    // The map file is whole JSON even when the job stopped: it holds the
    // points before the stop, as the log does, and the run says it failed.
    if (job.write_map) write_map_end(map);
    if (close_files(ui, job, reader, input, output, log, log_path, map) != 0) result = 1;
    error_flag = result != 0 ? 1 : writer.error_flag;
    return result;
}

}  // namespace batch
