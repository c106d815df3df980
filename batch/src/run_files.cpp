#include "batch/run_files.h"

#include "text/cp932.h"

namespace batch {

namespace {

constexpr const char* LOG_SUFFIX = "_Log.txt";
constexpr const char* MAP_SUFFIX = "_map.geojson";

// The files the job writes, in the order the checks take them.
std::vector<const std::string*> written_files(const ConversionJob& job, const JobFiles& files) {
    std::vector<const std::string*> targets = {&files.log};
    if (job.out_file_type == OutputType::sima) targets.push_back(&files.output);
    if (!files.map.empty()) targets.push_back(&files.map);
    return targets;
}

}  // namespace

int name_job_files(const ConversionJob& job, JobFiles& files) {
    files.output = job.out_file;
    const std::size_t name = text::cp932_file_name_start(job.out_file);
    const std::size_t dot = job.out_file.rfind('.');
    const bool has_dot = dot != std::string::npos && dot >= name;
    const std::string stem = has_dot ? job.out_file.substr(0, dot) : job.out_file;
    files.log = job.out_file_type == OutputType::sima ? stem + LOG_SUFFIX : job.out_file;
    files.map = job.write_map ? stem + MAP_SUFFIX : std::string();
    if (!has_dot) return 1;
    if (files.log.size() > TEXT_MAX) return 2;
    return files.map.size() > TEXT_MAX ? 3 : 0;
}

const std::string* overwritten_input(const ConversionJob& job, const JobFiles& files) {
    std::vector<const std::string*> inputs = {&job.in_file, &job.para_file, &job.parak_file};
    for (const std::string& correction : job.correction_files) inputs.push_back(&correction);
    for (const std::string* target : written_files(job, files)) {
        for (const std::string* input : inputs) {
            if (text::cp932_same_file(*target, *input) == 0) return target;
        }
    }
    return nullptr;
}

std::string folded_name(const std::string& path) {
    std::string key = path;
    for (std::size_t i = 0; i < key.size(); ++i) {
        const unsigned char lead = static_cast<unsigned char>(key[i]);
        if (!text::is_cp932_lead_byte(lead) || i + 1 == key.size()) {
            if (lead >= 'A' && lead <= 'Z') key[i] = static_cast<char>(lead - 'A' + 'a');
            continue;
        }
        const unsigned char trail = static_cast<unsigned char>(key[++i]);
        int folded_lead = lead;
        int folded_trail = trail;
        if (lead == 0x82 && trail >= 0x60 && trail <= 0x79) {  // Ａ..Ｚ
            folded_trail = trail + 0x21;
        } else if (lead == 0x83 && trail >= 0x9F && trail <= 0xB6) {  // Α..Ω
            folded_trail = trail + 0x20;
        } else if (lead == 0x84 && trail >= 0x40 && trail <= 0x60) {  // А..Я; а..я skip 0x847F
            folded_trail = trail + 0x30 + (trail >= 0x4F ? 1 : 0);
        } else if (lead == 0x87 && trail >= 0x54 && trail <= 0x5D) {  // Ⅰ..Ⅹ
            folded_lead = 0xFA;
            folded_trail = trail - 0x14;
        } else if (lead == 0xFA && trail >= 0x4A && trail <= 0x53) {  // Ⅰ..Ⅹ
            folded_trail = trail - 0x0A;
        } else if (lead == 0xEE && trail >= 0xEF && trail <= 0xF8) {  // ⅰ..ⅹ
            folded_lead = 0xFA;
            folded_trail = trail - 0xAF;
        }
        key[i - 1] = static_cast<char>(folded_lead);
        key[i] = static_cast<char>(folded_trail);
    }
    return key;
}

void record_inputs(RunFiles& run, const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs) {
        text::FileIdentity id;
        if (text::cp932_file_identity(input, id) == 0) run.inputs.insert(id);
    }
}

RunClash run_clash(const RunFiles& run, const ConversionJob& job, const JobFiles& files, const std::string*& target) {
    text::FileIdentity own_input;
    const bool input_known = text::cp932_file_identity(job.in_file, own_input) == 0;
    // The output first, then the log and the map file.
    std::vector<const std::string*> targets = {&files.output, &files.log};
    if (!files.map.empty()) targets.push_back(&files.map);
    for (const std::string* t : targets) {
        target = t;
        if (run.written.count(folded_name(*t)) != 0) return RunClash::written_before;
        text::FileIdentity id;
        if (text::cp932_file_identity(*t, id) == 0 && run.inputs.count(id) != 0 && !(input_known && id == own_input)) {
            return RunClash::input_of_run;
        }
    }
    target = nullptr;
    return RunClash::none;
}

void record_written(RunFiles& run, const JobFiles& files) {
    run.written.insert(folded_name(files.output));
    run.written.insert(folded_name(files.log));
    if (!files.map.empty()) run.written.insert(folded_name(files.map));
}

}  // namespace batch
