#include "batch/run_checks.h"

#include <system_error>
#include <thread>
#include <utility>

#include "geodesy/zones.h"
#include "text/number.h"
#include "text/text_file.h"

namespace batch {

namespace {

using namespace run_checks;

int refuse(const char* message, std::string& refusal) {
    refusal = message;
    return 1;
}

int refuse(const char* format, const std::string& path, std::string& refusal) {
    refusal = format;
    refusal.replace(refusal.find("%s"), 2, path);
    return 1;
}

// The correction files, in order: how many, each there, none twice, each
// loaded (its reader has shown why not).
int check_corrections(grids::UserFeedback& ui, ConversionJob& job, std::vector<grids::CorrectionGrid>& corrections,
                      std::string& refusal) {
    corrections.clear();
    job.correction_titles.clear();
    if (job.correction_files.size() > static_cast<std::size_t>(grids::CORRECTION_FILES_MAX)) {
        return refuse(TOO_MANY_CORRECTIONS, refusal);
    }
    for (std::size_t i = 0; i < job.correction_files.size(); ++i) {
        const std::string& path = job.correction_files[i];
        if (text::cp932_path_exists(path) != 0) return refuse(BAD_CORRECTION_FILE, path, refusal);
        for (std::size_t j = 0; j < i; ++j) {
            if (text::cp932_same_file(path, job.correction_files[j]) == 0) return refuse(CORRECTION_TWICE, path, refusal);
        }
    }
    corrections.resize(job.correction_files.size());
    for (std::size_t i = 0; i < job.correction_files.size(); ++i) {
        if (grids::read_correction_file(ui, job.correction_files[i], corrections[i]) != 0) {
            corrections.clear();
            job.correction_titles.clear();
            return refuse(CORRECTION_UNREADABLE, job.correction_files[i], refusal);
        }
        job.correction_titles.push_back(corrections[i].title);
    }
    return 0;
}

// A number from the text of a control or an option, within min..max.
int read_in_range(std::string_view text, long min, long max, long& value) {
    return text::read_integer(text, value, CHECK_NUMBER_STOP) != 0 || value < min || value > max ? 1 : 0;
}

// Storage for a table that has none yet; the dialog's tables have theirs
// from start-up.
int give_storage(grids::ParamTable& table, int capacity) {
    return table.capacity > 0 ? 0 : grids::create_param_table(table, capacity);
}

// What a read made on another thread said, kept to be shown afterwards in
// the order it was said.
class KeptFeedback : public grids::UserFeedback {
public:
    void set_status(std::string_view text) override { said_.push_back({false, std::string(text), {}}); }
    void show_point(long, std::string_view) override {}
    void show_message(std::string_view text, std::string_view caption) override {
        said_.push_back({true, std::string(text), std::string(caption)});
    }
    void open_in_editor(std::string_view) override {}
    void replay(grids::UserFeedback& ui) const {
        for (const Said& s : said_) {
            if (s.message) {
                ui.show_message(s.text, s.caption);
            } else {
                ui.set_status(s.text);
            }
        }
    }

private:
    struct Said {
        bool message;
        std::string text;
        std::string caption;
    };
    std::vector<Said> said_;
};

// The sea grid read on a second thread while the land grid is read here:
// the run then says what each read said in the order of the reads.
struct SeaRead {
    KeptFeedback ui;
    std::string version;
    int result = -1;  // -1: not read
    std::thread thread;
    ~SeaRead() {
        if (thread.joinable()) thread.join();
    }
};

}  // namespace

int check_run(grids::UserFeedback& ui, const RunEntries& entries, ConversionJob& job, grids::ParamTable& land,
              grids::ParamTable& sea, std::vector<grids::CorrectionGrid>& corrections, std::string& refusal) {
    refusal.clear();
    if (!entries.direction) return refuse(BAD_DIRECTION, refusal);
    long decimals = 0;
    if (read_in_range(entries.decimals, DECIMALS_MIN, DECIMALS_MAX, decimals) != 0) return refuse(BAD_DECIMALS, refusal);
    long zone = 0;
    if (read_in_range(entries.zone, 1, geodesy::ZONE_COUNT, zone) != 0) return refuse(BAD_ZONE, refusal);
    if (entries.check_input && text::cp932_path_exists(job.in_file) != 0) return refuse(BAD_INPUT, refusal);

    if (give_storage(land, grids::LAND_TABLE_CAPACITY) != 0 || give_storage(sea, grids::SEA_TABLE_CAPACITY) != 0) {
        return 2;
    }
    if (text::cp932_path_exists(job.para_file) != 0) return refuse(BAD_LAND_FILE, refusal);
    SeaRead sea_read;
    sea_read.version = job.parak_version;
    if (text::cp932_path_exists(job.parak_file) == 0) {
        try {
            sea_read.thread = std::thread([&] {
                sea_read.result = grids::read_sea_param_file(sea_read.ui, 1, job.parak_file, sea_read.version, sea);
            });
        } catch (const std::system_error&) {
            // No second thread: the sea grid is read after the land grid.
        }
    }
    const int land_read = grids::read_land_param_file(ui, 1, job.para_file, job.para_version, land);
    if (sea_read.thread.joinable()) sea_read.thread.join();
    if (land_read != 0) return refuse(LAND_UNREADABLE, refusal);
    if (text::cp932_path_exists(job.parak_file) != 0) return refuse(BAD_SEA_FILE, refusal);
    if (sea_read.result < 0) {
        sea_read.result = grids::read_sea_param_file(ui, 1, job.parak_file, sea_read.version, sea);
    } else {
        sea_read.ui.replay(ui);
    }
    job.parak_version = std::move(sea_read.version);
    if (sea_read.result != 0) return refuse(SEA_UNREADABLE, refusal);
    if (check_corrections(ui, job, corrections, refusal) != 0) return 1;

    job.in_file_type = entries.in_type;
    if (!entries.in_type_given || !is_known(job.in_file_type)) return refuse(BAD_INPUT_TYPE, refusal);
    job.out_file_type = entries.out_type;
    if (!entries.out_type_given || !is_known(job.out_file_type)) return refuse(BAD_OUTPUT_TYPE, refusal);
    if (entries.check_input && check_height_files(job, corrections, refusal) != 0) return 1;
    job.direction = *entries.direction;
    job.decimals = static_cast<int>(decimals);
    job.zone = static_cast<int>(zone);
    return 0;
}

int check_height_files(const ConversionJob& job, std::span<const grids::CorrectionGrid> corrections,
                       std::string& refusal) {
    if (job.in_file_type == InputType::sima && job.out_file_type == OutputType::sima) return 0;
    for (const grids::CorrectionGrid& grid : corrections) {
        if (grid.kind == grids::CorrectionKind::height) return refuse(HEIGHT_NEEDS_SIMA, grid.path, refusal);
    }
    return 0;
}

}  // namespace batch
