// bench_convert: how fast a night converts to a PSG file compared with a
// plain copy of its data file. Generates the night with the recording
// generator in four variants (16-bit, 24-bit LONG, SEQUENTIAL, 16-bit with
// rate divisor 4), converts each through the engine as the program does
// (open the recording, choose the output, StartRun, StepRun until the run is
// over, EndRun; 60-second blocks, FrameTime 1), and copies the same data file
// with read + write in 1 MiB pieces. Copies and conversions alternate round
// by round and the medians are printed side by side, with the slowest single
// step, the peak memory of a short and a long night, the output's size
// against the sample data it holds, and a sample-for-sample check of the
// short night's files against the generator.
//
// Every conversion and copy runs in a child process of its own (this
// program started again), so that the peak memory is the conversion's alone.
// Linux only; not a test: run it by hand.
#include <spawn.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/conversion_run.h"
#include "engine/recording.h"
#include "tools/taffgen/taffgen.h"
#include "tools/bench/bench_support.h"

extern char** environ;

namespace {

using bench::Median;
using bench::Since;
using bench::Copy;

const char kUsage[] =
    "usage: bench_convert [--channels N] [--rate HZ] [--hours H] [--short-hours H] [--rounds N]\n"
    "                     [--dir FOLDER] [--keep] [--no-verify]\n"
    "defaults: 32 channels, 200 Hz, an 8-hour night (and a 2-hour one for memory and the\n"
    "sample check), 5 rounds, the system's temporary folder; the recordings are deleted\n"
    "afterwards unless --keep is given\n";

const int kPositionChannel = 12;  // the generator's body-position channel

struct Settings {
    int channels = 32;
    int rate = 200;
    double hours = 8.0;
    double shortHours = 2.0;
    int rounds = 5;
    std::string dir;
    bool keep = false;
    bool verify = true;
};

struct Variant {
    const char* name;
    bool longSamples;
    bool sequential;
    int divisor;
};

const Variant kVariants[] = {
    {"16-bit", false, false, 1},
    {"LONG 24-bit", true, false, 1},
    {"SEQUENTIAL", false, true, 1},
    {"divisor 4", false, false, 4},
};

// ---- the conversion, through the engine -------------------------------------------

// The engine's records as the program's working record holds them.
struct Work {
    AppSettings settings;
    SourceInfo source;
    ConversionFields conv;
    PatientInfo patient;
    MontagePattern pattern;
    RunRecords Records() { return RunRecords{settings, source, pattern, patient, conv}; }
};

void CopyText(char* dest, size_t size, const std::string& text) { std::snprintf(dest, size, "%s", text.c_str()); }

// Opens the recording with the program's open code and sets up what an
// operator would: every channel labelled, calibrated and at rate / divisor,
// the body-position channel as such with its four levels, a patient, FrameTime 1.
bool SetUp(Work& w, const std::string& header, const std::string& output, int divisor) {
    if (!OpenSourceRecording(w.source, w.pattern, header.c_str())) return false;
    for (int j = 0; j < kChannelEntries; ++j) {
        ChannelSetting& ch = w.pattern.channels[j];
        char name[kLabelSize] = "";
        if (j < w.source.channelCount) TaffGetText(w.source.sourceHandle, TAFF_TEXT_CHANNEL_NAME, j, name, sizeof name);
        CopyText(ch.label, sizeof ch.label, name);
        CopyText(ch.unit, sizeof ch.unit, "uV");
        ch.signalType = j == kPositionChannel ? REC_TYPE_POSITION : 4;
        ch.rateDivisor = divisor;
        ch.calEU = 100;
        ch.calVU = 1000;
        ch.sensitivity = 50000;
        ch.lowFilter = 500;
        ch.highFilter = 100;
    }
    PositionCalibration& pos = w.pattern.position;
    pos.levelCount = 4;
    for (int l = 0; l < 4; ++l) {
        pos.centers[l] = kTaffGenPositionLevels[l];
        pos.widths[l] = 2000;
        CopyText(pos.levelLabels[l], kLevelLabelSize, "L" + std::to_string(l));
    }
    PatientInfo& p = w.patient;
    CopyText(p.id, sizeof p.id, "P0001");
    CopyText(p.name, sizeof p.name, "Taro Yamada");
    CopyText(p.sex, sizeof p.sex, "M");
    CopyText(p.hospital, sizeof p.hospital, "Sleep Lab");
    p.birthYear = 1965, p.birthMonth = 3, p.birthDay = 7;
    p.ageYears = 59, p.height = 1705, p.weight = 65000;
    CopyText(w.conv.recordingComment, sizeof w.conv.recordingComment, "overnight study");
    w.settings.MaxCh = kChannelEntries;
    w.settings.FrameTime = 1;
    return ChooseOutputPath(w.conv, output.c_str());
}

struct ConvertFigures {
    double seconds = -1;
    double slowestStep = 0;  // seconds
};

// Converts the recording at `header` to `output` as the program does:
// StartRun (the PSG header), StepRun until it says the run is over, EndRun.
ConvertFigures Convert(const std::string& header, const std::string& output, int divisor) {
    ConvertFigures f;
    const auto start = std::chrono::steady_clock::now();
    std::unique_ptr<Work> w(new Work());  // zero-initialised, as the program allocates its record
    if (!SetUp(*w, header, output, divisor) || !StartRun(w->Records(), nullptr)) return f;
    for (;;) {
        const auto step = std::chrono::steady_clock::now();
        const int go = StepRun(w->Records());
        f.slowestStep = std::max(f.slowestStep, Since(step));
        if (!go) break;
    }
    const ConversionEnd end = EndRun(w->Records());
    CloseSource(w->source);
    if (end == kRunCompleted) f.seconds = Since(start);
    return f;
}


// Touches `bytes` of fresh memory and gives it back. A virtual machine may
// hand memory that has lain free for a while back to its host, and taking
// it again then costs far more than writing to it: a run that needs more
// new file pages than the previous run just freed would pay for that. Done
// before every timed run, copy and conversion alike, so each starts with
// enough recently freed memory; in a child process of its own, so that its
// pages count toward no one's peak memory.
void WarmFreeMemory(size_t bytes) {
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return;
    madvise(p, bytes, MADV_HUGEPAGE);  // whole large blocks, as the file pages of big writes take them
    std::memset(p, 1, bytes);
    munmap(p, bytes);
}

// ---- child processes ---------------------------------------------------------------

struct ChildResult {
    bool ok = false;
    double seconds = 0, slowestStep = 0;
    double peakMiB = 0;
};

// Runs this program again with `args`; it prints its figures on one line.
ChildResult RunChild(const std::vector<std::string>& args) {
    ChildResult r;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return r;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    std::vector<std::string> all = {"/proc/self/exe"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    std::string text;
    char chunk[256];
    ssize_t got = 0;
    while (spawned == 0 && (got = read(pipeFds[0], chunk, sizeof chunk)) > 0) text.append(chunk, size_t(got));
    close(pipeFds[0]);
    if (spawned != 0) return r;
    int status = 0;
    struct rusage usage;
    std::memset(&usage, 0, sizeof usage);
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return r;
    r.peakMiB = usage.ru_maxrss / 1024.0;  // KiB on Linux
    r.ok = std::sscanf(text.c_str(), "%lf %lf", &r.seconds, &r.slowestStep) >= 1 && r.seconds >= 0;
    return r;
}

int ChildMain(int argc, char** argv) {
    const std::string what = argc > 2 ? argv[2] : "";
    if (what == "convert" && argc == 6) {
        TaffStartup();
        const ConvertFigures f = Convert(argv[3], argv[4], std::atoi(argv[5]));
        std::printf("%.6f %.6f\n", f.seconds, f.slowestStep);
        return f.seconds < 0 ? 1 : 0;
    }
    if (what == "warm" && argc == 4) {
        WarmFreeMemory(size_t(std::strtoull(argv[3], nullptr, 10)));
        std::printf("0 0\n");
        return 0;
    }
    if (what == "copy" && argc == 5) {
        const double s = Copy(argv[3], argv[4]);
        std::printf("%.6f 0\n", s);
        return s < 0 ? 1 : 0;
    }
    return 2;
}

// ---- reading the output back ----------------------------------------------------

struct OutputFigures {
    bool ok = false;
    int64_t fileBytes = 0, sampleBytes = 0, annotationBytes = 0, headerBytes = 0;
};

bool Field(const std::string& bytes, size_t offset, size_t width, int64_t* value) {
    if (offset + width > bytes.size()) return false;
    *value = std::atoll(bytes.substr(offset, width).c_str());
    return true;
}

// The header's layout: header bytes, records, samples per record of every signal.
bool ReadLayout(std::FILE* f, int64_t* headerBytes, int64_t* records, std::vector<int64_t>* perRecord) {
    std::string main(256, '\0');
    int64_t signals = 0;
    if (std::fread(&main[0], 1, 256, f) != 256 || !Field(main, 184, 8, headerBytes) ||
        !Field(main, 236, 8, records) || !Field(main, 252, 4, &signals) || signals < 1 || signals > 513)
        return false;
    std::string fields(size_t(signals) * 256, '\0');
    if (std::fread(&fields[0], 1, fields.size(), f) != fields.size()) return false;
    perRecord->assign(size_t(signals), 0);
    const size_t samplesField = size_t(signals) * (16 + 80 + 8 * 5 + 80);
    for (int64_t s = 0; s < signals; ++s)
        if (!Field(fields, samplesField + size_t(s) * 8, 8, &(*perRecord)[size_t(s)])) return false;
    return true;
}

OutputFigures MeasureOutput(const std::string& path) {
    OutputFigures o;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return o;
    int64_t records = 0;
    std::vector<int64_t> perRecord;
    o.ok = ReadLayout(f, &o.headerBytes, &records, &perRecord);
    std::fclose(f);
    if (!o.ok) return o;
    o.fileBytes = int64_t(std::filesystem::file_size(path));
    for (size_t s = 0; s + 1 < perRecord.size(); ++s) o.sampleBytes += 2 * perRecord[s] * records;
    o.annotationBytes = 2 * perRecord.back() * records;
    o.ok = o.headerBytes + o.sampleBytes + o.annotationBytes == o.fileBytes;
    return o;
}

// Rounded mean, halves away from zero, or the first sample for the position channel.
int ExpectedOutput(const TaffGenOptions& o, int channel, int64_t k, int divisor) {
    if (divisor == 1 || channel == kPositionChannel) return TaffGenExpectedSample(o, channel, k * divisor);
    int64_t sum = 0;
    for (int i = 0; i < divisor; ++i) sum += TaffGenExpectedSample(o, channel, k * divisor + i);
    const int64_t half = divisor / 2;
    return int(sum >= 0 ? (sum + half) / divisor : -((-sum + half) / divisor));
}

// Compares every sample of the file with the generator; the number of samples
// that differ, or -1 when the file cannot be read.
int64_t CountWrongSamples(const std::string& path, const TaffGenOptions& o, int divisor) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return -1;
    int64_t headerBytes = 0, records = 0;
    std::vector<int64_t> perRecord;
    int64_t wrong = -1;
    if (ReadLayout(f, &headerBytes, &records, &perRecord) && std::fseek(f, long(headerBytes), SEEK_SET) == 0) {
        int64_t recordBytes = 0;
        for (int64_t n : perRecord) recordBytes += 2 * n;
        std::vector<unsigned char> record(static_cast<size_t>(recordBytes));
        const int64_t scans = TaffGenScanCount(o);
        wrong = 0;
        for (int64_t r = 0; r < records && wrong >= 0; ++r) {
            if (std::fread(record.data(), 1, record.size(), f) != record.size()) {
                wrong = -1;
                break;
            }
            const unsigned char* p = record.data();
            for (size_t c = 0; c + 1 < perRecord.size(); ++c) {
                const int64_t n = perRecord[c];
                for (int64_t k = 0; k < n; ++k, p += 2) {
                    const int64_t index = r * n + k;
                    if ((index + 1) * divisor > scans) continue;  // groups past the end
                    const int got = int16_t(uint16_t(p[0] | (p[1] << 8)));
                    if (got != ExpectedOutput(o, int(c), index, divisor)) ++wrong;
                }
            }
        }
    }
    std::fclose(f);
    return wrong;
}

// ---- the run --------------------------------------------------------------------------

bool ParseArguments(int argc, char** argv, Settings* s) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (a == "--keep") s->keep = true;
        else if (a == "--no-verify") s->verify = false;
        else if (value == nullptr) return false;
        else if (a == "--channels") s->channels = std::atoi(value), ++i;
        else if (a == "--rate") s->rate = std::atoi(value), ++i;
        else if (a == "--hours") s->hours = std::atof(value), ++i;
        else if (a == "--short-hours") s->shortHours = std::atof(value), ++i;
        else if (a == "--rounds") s->rounds = std::max(1, std::atoi(value)), ++i;
        else if (a == "--dir") s->dir = value, ++i;
        else return false;
    }
    return s->channels > 0 && s->rate > 0 && s->hours > 0 && s->shortHours > 0;
}

TaffGenOptions Options(const Settings& s, const Variant& v, double hours) {
    TaffGenOptions o;
    o.channels = s.channels;
    o.rate = s.rate;
    o.seconds = hours * 3600.0;
    o.longSamples = v.longSamples;
    o.sequential = v.sequential;
    return o;
}

struct Recording {
    std::string header, data;
};

bool Generate(const TaffGenOptions& o, const std::string& header, Recording* rec) {
    rec->header = header;
    rec->data = TaffGenDataPath(o, header);
    if (std::filesystem::exists(rec->data) && std::filesystem::exists(header)) return true;  // --keep
    std::string error;
    if (WriteTaffRecording(o, header, &error)) return true;
    std::fprintf(stderr, "bench_convert: %s\n", error.c_str());
    return false;
}

struct Row {
    int variant = 0;
    std::vector<double> convert, copy, slowest, peak;
    double shortPeak = 0;
    OutputFigures output;
    int64_t wrong = -2;  // not checked
};

std::vector<std::string> ConvertArgs(const Recording& rec, const std::string& out, const Row& row) {
    return {"--child", "convert", rec.header, out, std::to_string(kVariants[row.variant].divisor)};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--child") return ChildMain(argc, argv);
    Settings s;
    if (!ParseArguments(argc, argv, &s)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path folder = s.dir.empty() ? fs::temp_directory_path() / "bench_convert" : fs::path(s.dir);
    std::error_code ec;
    fs::create_directories(folder, ec);

    // One long and one short recording per kind of data file (divisor 4 reads the 16-bit one).
    const int kinds = 3;
    Recording nights[kinds], shortNights[kinds];
    const auto genStart = std::chrono::steady_clock::now();
    for (int k = 0; k < kinds; ++k) {
        const std::string base = std::string("NIGHT") + char('A' + k);
        if (!Generate(Options(s, kVariants[k], s.hours), (folder / (base + "L.HDR")).string(), &nights[k]) ||
            !Generate(Options(s, kVariants[k], s.shortHours), (folder / (base + "S.HDR")).string(),
                      &shortNights[k]))
            return 1;
    }
    sync();  // the generated files reach the disk before anything is timed
    std::printf("night: %d channels, %d Hz, %.1f h (memory also at %.1f h); recordings ready in %.1f s\n",
                s.channels, s.rate, s.hours, s.shortHours, Since(genStart));
    std::printf("conversion: through the engine as the program runs it (60-s blocks, FrameTime 1)\n");
    std::fflush(stdout);

    const int variants = int(sizeof kVariants / sizeof kVariants[0]);
    std::vector<Row> rows;
    for (int v = 0; v < variants; ++v) {
        Row row;
        row.variant = v;
        rows.push_back(row);
    }
    auto night = [&](const Row& row) -> const Recording& { return nights[row.variant < kinds ? row.variant : 0]; };
    const std::string out = (folder / "OUT.DAT").string(), copy = (folder / "COPY.DAT").string();
    // One untimed copy and conversion of each file first, so that every
    // timed run finds its data file in the system's cache.
    for (const Row& row : rows) {
        RunChild({"--child", "copy", night(row).data, copy});
        RunChild(ConvertArgs(night(row), out, row));
        fs::remove(copy, ec);
        fs::remove(out, ec);
    }
    for (int round = 0; round < s.rounds; ++round) {
        for (Row& row : rows) {
            const Recording& rec = night(row);
            for (int turn = 0; turn < 2; ++turn) {
                const bool copyTurn = (turn + round) % 2 == 0;  // alternate which goes first
                sync();  // nothing left to write back from the previous run
                RunChild({"--child", "warm", std::to_string(fs::file_size(rec.data) + (uintmax_t(64) << 20))});
                ChildResult r = copyTurn ? RunChild({"--child", "copy", rec.data, copy})
                                         : RunChild(ConvertArgs(rec, out, row));
                if (!r.ok) {
                    std::fprintf(stderr, "bench_convert: %s %s failed\n", kVariants[row.variant].name,
                                 copyTurn ? "copy" : "conversion");
                    return 1;
                }
                if (copyTurn) {
                    row.copy.push_back(r.seconds);
                    fs::remove(copy, ec);
                } else {
                    row.convert.push_back(r.seconds);
                    row.slowest.push_back(r.slowestStep);
                    row.peak.push_back(r.peakMiB);
                    if (round == s.rounds - 1) row.output = MeasureOutput(out);
                    fs::remove(out, ec);
                }
            }
        }
    }
    for (Row& row : rows) {
        const Variant& var = kVariants[row.variant];
        const Recording& rec = shortNights[row.variant < kinds ? row.variant : 0];
        ChildResult r = RunChild(ConvertArgs(rec, out, row));
        row.shortPeak = r.ok ? r.peakMiB : -1;
        if (r.ok && s.verify) row.wrong = CountWrongSamples(out, Options(s, var, s.shortHours), var.divisor);
        fs::remove(out, ec);
    }

    std::printf("\n%-20s %7s %7s %6s %7s %6s %6s %7s %6s %6s %7s %7s %6s %5s\n", "variant", "data", "convert", "MB/s",
                "copy", "x copy", "x copy", "slowest", "peak", "peak", "output", "samples", "annot", "exact");
    std::printf("%-20s %7s %7s %6s %7s %6s %6s %7s %6s %6s %7s %7s %6s %5s\n", "", "MB", "s", "", "s", "median",
                "best", "step ms", "MiB", "MiB", "MB", "MB", "%", "");
    std::printf("%-20s %7s %7s %6s %7s %6s %6s %7s %5.1fh %5.1fh\n", "", "", "", "", "", "", "", "", s.hours,
                s.shortHours);
    for (const Row& row : rows) {
        const double dataMB = double(fs::file_size(night(row).data)) / 1e6;
        const double conv = Median(row.convert), cp = Median(row.copy);
        const double best = *std::min_element(row.convert.begin(), row.convert.end()) /
                            *std::min_element(row.copy.begin(), row.copy.end());
        const OutputFigures& o = row.output;
        const char* exact = row.wrong == -2 ? "-" : row.wrong == 0 ? "yes" : "NO";
        const std::string name = kVariants[row.variant].name;
        std::printf("%-20s %7.1f %7.3f %6.0f %7.3f %6.2f %6.2f %7.1f %6.1f %6.1f %7.1f %7.1f %6.2f %5s\n",
                    name.c_str(), dataMB, conv, dataMB / conv, cp, conv / cp, best, 1000 * Median(row.slowest),
                    *std::max_element(row.peak.begin(), row.peak.end()), row.shortPeak, o.fileBytes / 1e6,
                    o.sampleBytes / 1e6, o.ok ? 100.0 * o.annotationBytes / o.fileBytes : -1.0, exact);
        if (row.wrong > 0) std::printf("  %s: %lld samples differ\n", name.c_str(), (long long)row.wrong);
    }
    std::printf("(%d interleaved rounds; x copy = conversion time / copy time of the same data file, of the\n"
                " medians and of the best runs; slowest step = median over rounds of the slowest step; peak =\n"
                " peak resident memory of the converting process; annot = the annotation signal's share of\n"
                " the output file; exact = every sample of the %.1f-h file checked against the generator)\n",
                s.rounds, s.shortHours);
    if (!s.keep) {
        for (int k = 0; k < kinds; ++k)
            for (const Recording* r : {&nights[k], &shortNights[k]}) {
                fs::remove(r->header, ec);
                fs::remove(r->data, ec);
            }
        if (s.dir.empty()) fs::remove(folder, ec);
    }
    return 0;
}
