// bench_check: how well and how fast the night check works.
//
// Accuracy, on generated nights with fixed seeds: clean 8-hour nights (20
// by default), whose warn and fail findings are all false alarms; and
// nights with faults of every kind laid in, at several strengths and on
// several channels, one fault to a stretch of its own. A fault counts as
// found when findings of its kind on its channel cover at least half its
// stretch. Prints the per-kind table (faults, found, share), each miss, the
// false findings per clean night and those the fault nights show beside
// their faults.
//
// Speed: taff2psg --check-only of an 8-hour night of 32 channels at 200 Hz
// against a plain copy of its data file, and taff2psg --check against the
// same conversion without the check; each run a process of its own, rounds
// interleaved, medians compared; peak memory of the check-only run on the
// night and on a night a quarter as long (flat in the night's length).
// Linux only; not a test: run it by hand on a release build.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/pattern_file.h"
#include "tools/taffgen/taffgen_check.h"
#include "tools/taffgen/taffgen_montage.h"
#include "tools/bench/bench_support.h"

extern char** environ;

namespace {

using bench::Median;
using bench::Since;
using bench::Copy;

namespace fs = std::filesystem;

const char kUsage[] =
    "usage: bench_check [--clean-nights N] [--clean-hours H] [--fault-hours H] [--channels N]\n"
    "                   [--speed-hours H] [--rounds N] [--taff2psg PATH] [--dir FOLDER] [--keep]\n"
    "                   [--accuracy-only | --speed-only] [--verbose] [--only KIND]\n"
    "       bench_check --real NAME.HDR...  (recordings made by taffimport: each checked with\n"
    "                   the montage of NAME.INI; faults of NAME.truth.json scored)\n"
    "defaults: 20 clean nights of 8 hours with 20 channels, fault nights of 2 hours, speed on\n"
    "an 8-hour night of 32 channels at 200 Hz over 3 rounds, the taff2psg built beside this\n"
    "benchmark, the system's temporary folder (deleted afterwards unless --keep)\n";

struct Settings {
    int cleanNights = 20, channels = 20, rounds = 3;
    double cleanHours = 8, faultHours = 2, speedHours = 8;
    std::string taff2psg, dir;
    bool keep = false, accuracy = true, speed = true, verbose = false;
    std::string only;   // fault kind to lay alone ("": every kind)
    std::vector<std::string> real;  // recordings of real nights to check instead
};

bool ReadSettings(int argc, char** argv, Settings& s) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "--clean-nights" && more) s.cleanNights = std::atoi(argv[++i]);
        else if (a == "--clean-hours" && more) s.cleanHours = std::atof(argv[++i]);
        else if (a == "--fault-hours" && more) s.faultHours = std::atof(argv[++i]);
        else if (a == "--channels" && more) s.channels = std::atoi(argv[++i]);
        else if (a == "--speed-hours" && more) s.speedHours = std::atof(argv[++i]);
        else if (a == "--rounds" && more) s.rounds = std::atoi(argv[++i]);
        else if (a == "--taff2psg" && more) s.taff2psg = argv[++i];
        else if (a == "--dir" && more) s.dir = argv[++i];
        else if (a == "--keep") s.keep = true;
        else if (a == "--accuracy-only") s.speed = false;
        else if (a == "--speed-only") s.accuracy = false;
        else if (a == "--verbose") s.verbose = true;
        else if (a == "--only" && more) s.only = argv[++i];
        else if (a == "--real" && more) {
            while (i + 1 < argc && argv[i + 1][0] != '-') s.real.push_back(argv[++i]);
        }
        else return false;
    }
    if (s.taff2psg.empty()) s.taff2psg = (fs::read_symlink("/proc/self/exe").parent_path() / "../../batch/taff2psg").string();
    if (s.dir.empty()) s.dir = (fs::temp_directory_path() / ("bench_check_" + std::to_string(getpid()))).string();
    return s.cleanNights >= 0 && s.channels >= 20 && s.channels <= 32 && s.rounds > 0 && s.cleanHours > 0 &&
           s.faultHours >= 1 && s.speedHours > 0;
}

std::vector<std::string> Labels(int channels) {
    std::vector<std::string> labels;
    for (int c = 0; c < channels; ++c) labels.push_back(TaffGenChannelName(c));
    return labels;
}

int ChannelNamed(const std::string& name) {
    for (int c = 0; c < 32; ++c)
        if (TaffGenChannelName(c) == name) return c;
    return -1;
}

// ---- the faults laid in ----------------------------------------------------------

// Each kind on these channels at these strengths (the kind's value; see
// TaffGenFault): faults a lab meets, from mild to gross. Mistakes of the
// set-up (a lead in the wrong input, a unit, an inverted eye channel, a
// sensor never moving) last the whole night: each gets a night of its own.
struct FaultPlan {
    TaffGenFaultKind kind;
    std::vector<const char*> channels;
    std::vector<double> values;
    bool wholeNight = false;
};

const FaultPlan kPlans[] = {
    {TaffGenFaultKind::Flat, {"C3-A2", "LOC", "Chin", "ECG", "Flow", "Thorax"}, {0, 4, 12}},
    // Gains that drive a part of every epoch into the limits: at 8 a quiet
    // EEG still stays below them, only too large.
    {TaffGenFaultKind::Clipping, {"C3-A2", "O2-A1", "ECG", "Flow"}, {20, 50, 100}},
    {TaffGenFaultKind::Hum, {"C3-A2", "F4-A1", "LOC", "Chin", "ECG"}, {2000, 4000, 8000}},
    {TaffGenFaultKind::HfArtifact, {"C3-A2", "O1-A2", "LOC", "ROC"}, {3000, 6000, 12000}},
    {TaffGenFaultKind::Amplitude, {"C3-A2", "C4-A1", "F3-A2", "LOC"}, {24000, 32000}},
    {TaffGenFaultKind::NotItsType, {"C3-A2", "O1-A2", "Flow", "Thorax", "SpO2"}, {1, 0.5}, true},
    {TaffGenFaultKind::Duplicate, {"C4-A1", "O2-A1", "Thorax", "Leg R"}, {0}},
    {TaffGenFaultKind::EogInPhase, {"ROC", "LOC"}, {0}, true},
    {TaffGenFaultKind::Ecg, {"ECG"}, {0, 1, 2, 3}},
    {TaffGenFaultKind::Spo2, {"SpO2"}, {0, 1}},
    {TaffGenFaultKind::Position, {"Position"}, {7500, 2500, 30000}},
    {TaffGenFaultKind::Position, {"Position"}, {5000}, true},   // a sensor that never changes
};

const double kLengths[] = {60, 300, 900};

// Every planned fault, its length cycling through kLengths (0: the whole night).
std::vector<TaffGenFault> PlannedFaults(int channels, const std::string& only) {
    std::vector<TaffGenFault> all;
    int n = 0;
    for (const FaultPlan& plan : kPlans)
        if (only.empty() || only == TaffGenFaultName(plan.kind))
        for (const char* name : plan.channels)
            for (const double value : plan.values) {
                TaffGenFault f;
                f.kind = plan.kind;
                f.channel = ChannelNamed(name);
                if (f.channel < 0 || f.channel >= channels) continue;
                f.value = plan.kind == TaffGenFaultKind::Duplicate ? TaffGenFaultDefault(f.kind, f.channel, channels)
                                                                   : value;
                f.lengthSeconds = plan.wholeNight ? 0 : kLengths[n++ % 3];
                all.push_back(f);
            }
    return all;
}

// Nights of `hours` with the faults in 20-minute slots, one fault to a slot,
// each starting a few minutes into its slot; a whole-night fault alone.
std::vector<std::vector<TaffGenFault>> FaultNights(const std::vector<TaffGenFault>& faults, double hours) {
    const double slot = 1200;
    const size_t perNight = static_cast<size_t>(std::max(1, static_cast<int>(hours * 3600 / slot)));
    std::vector<std::vector<TaffGenFault>> nights, whole;
    size_t placed = 0;
    for (TaffGenFault f : faults) {
        if (f.lengthSeconds == 0) {
            f.lengthSeconds = hours * 3600;
            whole.push_back({f});
            continue;
        }
        if (placed % perNight == 0) nights.emplace_back();
        f.startSeconds = static_cast<double>(placed % perNight) * slot + 150 + 30 * static_cast<double>(placed % 5);
        nights.back().push_back(f);
        ++placed;
    }
    nights.insert(nights.end(), whole.begin(), whole.end());
    return nights;
}

// ---- accuracy --------------------------------------------------------------------

struct KindTally {
    int faults = 0, found = 0;
};

void PrintFinding(const char* what, const CheckFinding& f) {
    std::printf("    %s %s %s %s %.0f-%.0f s value %.3g (%s)\n", what, f.label, CheckKindName(f.kind),
                CheckLevelName(f.level), f.startSeconds, f.endSeconds, f.value, f.note ? f.note : "");
}

bool RunClean(const Settings& s, std::map<std::string, int>* falseByCheck) {
    int warns = 0, fails = 0, infos = 0, nightsWithFail = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < s.cleanNights; ++n) {
        TaffGenOptions o;
        o.channels = s.channels;
        o.seconds = s.cleanHours * 3600;
        o.seed = static_cast<uint32_t>(1000 + n);
        NightCheckResult r;
        std::string error;
        const std::string header = s.dir + "/CLEAN.HDR";
        if (!CheckGeneratedNight(o, header, DefaultCheckRuleSet(), &r, &error)) {
            std::fprintf(stderr, "bench_check: %s\n", error.c_str());
            return false;
        }
        int w = 0, f = 0;
        for (const CheckFinding& x : r.findings) {
            if (x.level == CheckLevel::Info) ++infos;
            if (x.level == CheckLevel::Warn) ++w;
            if (x.level == CheckLevel::Fail) ++f;
            if (x.level != CheckLevel::Info) ++(*falseByCheck)[std::string(CheckKindName(x.kind)) + " " + CheckLevelName(x.level)];
            if (x.level != CheckLevel::Info && s.verbose) PrintFinding("false", x);
        }
        warns += w;
        fails += f;
        nightsWithFail += f > 0;
        std::printf("clean night %2d (seed %u): verdict %s, %d warn, %d fail\n", n + 1, o.seed,
                    CheckVerdictName(r.verdict), w, f);
        std::fflush(stdout);
    }
    fs::remove(s.dir + "/CLEAN.HDR");
    fs::remove(s.dir + "/CLEAN.DAT");
    const double nights = std::max(1, s.cleanNights);
    std::printf("\nclean nights: %d of %.1f h, %d channels, %.0f s in all\n", s.cleanNights, s.cleanHours, s.channels,
                Since(start));
    std::printf("false findings per clean night: %.2f warn, %.2f fail (%d nights with a fail), %.2f info\n",
                warns / nights, fails / nights, nightsWithFail, infos / nights);
    for (const auto& k : *falseByCheck) std::printf("  %-24s %d\n", k.first.c_str(), k.second);
    return true;
}

bool RunFaults(const Settings& s) {
    const std::vector<std::vector<TaffGenFault>> nights = FaultNights(PlannedFaults(s.channels, s.only), s.faultHours);
    const std::vector<std::string> labels = Labels(s.channels);
    std::map<int, KindTally> tally;
    std::vector<std::string> misses;
    int unexplained = 0, sideFindings = 0;
    const auto start = std::chrono::steady_clock::now();
    for (size_t n = 0; n < nights.size(); ++n) {
        TaffGenOptions o;
        o.channels = s.channels;
        o.seconds = s.faultHours * 3600;
        o.seed = static_cast<uint32_t>(2000 + n);
        o.faults = nights[n];
        NightCheckResult r;
        std::string error;
        if (!CheckGeneratedNight(o, s.dir + "/FAULTS.HDR", DefaultCheckRuleSet(), &r, &error)) {
            std::fprintf(stderr, "bench_check: %s\n", error.c_str());
            return false;
        }
        for (const TaffGenFault& f : o.faults) {
            KindTally& t = tally[static_cast<int>(f.kind)];
            ++t.faults;
            const double coverage = FaultCoverage(f, o.rate, labels, r);
            if (coverage >= 0.5) {
                ++t.found;
                continue;
            }
            char line[200];
            std::snprintf(line, sizeof line, "  missed %-12s on %-8s value %-6g %4.0f s at %5.0f s (night seed %u): %.0f %% covered",
                          TaffGenFaultName(f.kind), labels[static_cast<size_t>(f.channel)].c_str(), f.value,
                          f.lengthSeconds, f.startSeconds, o.seed, 100 * coverage);
            misses.push_back(line);
        }
        for (const CheckFinding& x : UnexplainedFindings(o.faults, o.rate, labels, r, CheckLevel::Warn)) {
            const bool side = OnFaultedStretch(x, o.faults, o.rate, labels);
            (side ? sideFindings : unexplained) += 1;
            if (s.verbose) PrintFinding(side ? "also on a fault's stretch" : "false", x);
        }
    }
    fs::remove(s.dir + "/FAULTS.HDR");
    fs::remove(s.dir + "/FAULTS.DAT");
    std::printf("\nfault nights: %zu of %.1f h, %.0f s in all\n", nights.size(), s.faultHours, Since(start));
    std::printf("%-14s %7s %7s %8s\n", "kind", "faults", "found", "share");
    int all = 0, found = 0;
    for (const auto& k : tally) {
        all += k.second.faults;
        found += k.second.found;
        std::printf("%-14s %7d %7d %7.1f%%\n", TaffGenFaultName(static_cast<TaffGenFaultKind>(k.first)), k.second.faults,
                    k.second.found, 100.0 * k.second.found / k.second.faults);
    }
    std::printf("%-14s %7d %7d %7.1f%%\n", "all", all, found, all ? 100.0 * found / all : 0.0);
    for (const std::string& m : misses) std::printf("%s\n", m.c_str());
    const double count = nights.empty() ? 1.0 : static_cast<double>(nights.size());
    std::printf("warn or fail findings of another kind on a fault's channel and stretch: %.2f per fault night\n",
                sideFindings / count);
    std::printf("warn or fail findings away from every fault (false): %.2f per fault night\n", unexplained / count);
    return true;
}

// ---- speed and memory ----------------------------------------------------------------

struct Timing {
    double seconds = -1, peakMiB = 0;
};

Timing Spawn(const std::vector<std::string>& args) {
    std::vector<std::string> all = args;
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    Timing t;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return t;
    int status = 0;
    struct rusage usage;
    std::memset(&usage, 0, sizeof usage);
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status)) return t;
    // The exit status tells the night's verdict too: any exit but a usage
    // error or a crash is a finished run.
    if (WEXITSTATUS(status) == 2) return t;
    t.seconds = Since(start);
    t.peakMiB = usage.ru_maxrss / 1024.0;
    return t;
}


bool MakeSpeedNight(const Settings& s, const std::string& name, double hours, std::string* header) {
    TaffGenOptions o;
    o.channels = 32;
    o.seconds = hours * 3600;
    o.seed = 7;
    fs::create_directories(s.dir + "/in");
    *header = s.dir + "/in/" + name + ".HDR";
    std::string error;
    MontagePattern pattern;
    TaffGenMontage(o, &pattern);
    std::FILE* f = std::fopen((s.dir + "/SETTINGS.INI").c_str(), "wb");
    const std::string text = TaffGenSettingsText(pattern);
    const bool written = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (f) std::fclose(f);
    if (!written || !WriteTaffRecording(o, *header, &error)) {
        std::fprintf(stderr, "bench_check: cannot write the night: %s\n", error.c_str());
        return false;
    }
    return true;
}

Timing RunBatch(const Settings& s, const std::string& header, const char* option) {
    const std::string out = s.dir + "/out";
    fs::remove_all(out);
    fs::create_directories(out);
    std::vector<std::string> args = {s.taff2psg, header, "--out", out, "--settings", s.dir + "/SETTINGS.INI", "--quiet",
                                     "--jobs", "1"};
    if (option[0]) args.push_back(option);
    return Spawn(args);
}

bool RunSpeed(const Settings& s) {
    std::string header, shortHeader;
    if (!MakeSpeedNight(s, "NIGHT", s.speedHours, &header) || !MakeSpeedNight(s, "SHORT", s.speedHours / 4, &shortHeader))
        return false;
    const std::string data = header.substr(0, header.size() - 4) + ".DAT";
    const double bytes = static_cast<double>(fs::file_size(data));
    std::printf("\nspeed: a night of %.1f h, 32 channels at 200 Hz (%.0f MB), %d rounds\n", s.speedHours, bytes / 1e6,
                s.rounds);
    std::vector<double> copy, checkOnly, convert, convertCheck;
    double peakCheckOnly = 0, peakCheck = 0, peakConvert = 0;
    for (int round = 0; round < s.rounds; ++round) {
        for (int k = 0; k < 4; ++k) {
            const int which = (round + k) % 4;
            Timing t;
            if (which == 0) t.seconds = Copy(data, s.dir + "/copy.DAT");
            if (which == 1) t = RunBatch(s, header, "--check-only");
            if (which == 2) t = RunBatch(s, header, "");
            if (which == 3) t = RunBatch(s, header, "--check");
            if (t.seconds < 0) {
                std::fprintf(stderr, "bench_check: run %d failed (%s)\n", which, s.taff2psg.c_str());
                return false;
            }
            static const char* const kNames[] = {"copy", "--check-only", "convert", "convert --check"};
            std::printf("round %d %-18s %7.2f s  peak %6.1f MiB\n", round + 1, kNames[which], t.seconds, t.peakMiB);
            std::fflush(stdout);
            (which == 0 ? copy : which == 1 ? checkOnly : which == 2 ? convert : convertCheck).push_back(t.seconds);
            if (which == 1) peakCheckOnly = std::max(peakCheckOnly, t.peakMiB);
            if (which == 2) peakConvert = std::max(peakConvert, t.peakMiB);
            if (which == 3) peakCheck = std::max(peakCheck, t.peakMiB);
        }
        fs::remove(s.dir + "/copy.DAT");
    }
    const Timing shortRun = RunBatch(s, shortHeader, "--check-only");
    std::printf("\nmedians: copy %.2f s, --check-only %.2f s, convert %.2f s, convert --check %.2f s\n", Median(copy),
                Median(checkOnly), Median(convert), Median(convertCheck));
    std::printf("--check-only against a plain copy: %.2fx (goal <= 1.5x)\n", Median(checkOnly) / Median(copy));
    std::printf("--check against conversion alone: %.2fx (goal <= 1.3x)\n", Median(convertCheck) / Median(convert));
    std::printf("peak memory: --check-only %.1f MiB on %.1f h, %.1f MiB on %.1f h; convert %.1f MiB, "
                "convert --check %.1f MiB (goal < 64 MiB, flat in the length)\n",
                peakCheckOnly, s.speedHours, shortRun.peakMiB, s.speedHours / 4, peakConvert, peakCheck);
    return true;
}

// ---- real recordings -------------------------------------------------------------------

bool CheckReal(const std::string& header) {
    const std::string stem = header.substr(0, header.rfind('.'));
    MontagePattern pattern{};
    if (ReadPatternFile((stem + ".INI").c_str(), pattern) != kPatternFileRead) {
        std::fprintf(stderr, "bench_check: no montage in %s.INI\n", stem.c_str());
        return false;
    }
    NightCheckResult r;
    std::string error;
    if (!CheckRecording(header, pattern, DefaultCheckRuleSet(), &r, &error)) {
        std::fprintf(stderr, "bench_check: %s\n", error.c_str());
        return false;
    }
    std::printf("\n%s: %.2f h judged, night %s (%s), mains %d Hz%s\n", header.c_str(), r.hours,
                CheckVerdictName(r.verdict), r.ruleOutcome.c_str(), r.mainsHz, r.mainsFromNight ? " (found)" : "");
    std::vector<std::string> labels;
    for (const ChannelSummary& c : r.channels) {
        labels.push_back(c.label);
        std::printf("  %-16s as %-8s %s, %.2f of %.2f h usable\n", c.label, c.kind, CheckVerdictName(c.verdict),
                    c.usableHours, c.hours);
    }
    for (const CheckFinding& f : r.findings)
        std::printf("    %-16s %-12s %-4s %6.0f-%6.0f s  value %-8.3g %s%s%s\n", f.label, CheckKindName(f.kind),
                    CheckLevelName(f.level), f.startSeconds, f.endSeconds, f.value, f.note ? f.note : "",
                    f.other[0] ? " with " : "", f.other);
    std::vector<TaffGenFault> faults;
    std::FILE* truth = std::fopen((stem + ".truth.json").c_str(), "rb");
    if (truth == nullptr) return true;
    std::string text;
    char piece[4096];
    size_t got = 0;
    while ((got = std::fread(piece, 1, sizeof piece, truth)) > 0) text.append(piece, got);
    std::fclose(truth);
    if (!ReadGroundTruth(text, labels, &faults)) std::printf("  (ground truth not read whole)\n");
    const size_t at = text.find("\"rate\": ");
    const int rate = at == std::string::npos ? 0 : std::atoi(text.c_str() + at + 8);
    if (rate <= 0) return false;
    for (const TaffGenFault& f : faults)
        std::printf("  laid %-12s on %-16s %6.0f-%6.0f s: %s (%.0f %% covered)\n", TaffGenFaultName(f.kind),
                    labels[static_cast<size_t>(f.channel)].c_str(), f.startSeconds, f.startSeconds + f.lengthSeconds,
                    FaultFound(f, rate, labels, r) ? "found" : "MISSED", 100 * FaultCoverage(f, rate, labels, r));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Settings s;
    if (!ReadSettings(argc, argv, s)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (!s.real.empty()) {
        bool ok = true;
        for (const std::string& header : s.real) ok = CheckReal(header) && ok;
        return ok ? 0 : 1;
    }
    fs::create_directories(s.dir);
    bool ok = true;
    if (s.accuracy) {
        std::map<std::string, int> falseByCheck;
        ok = RunFaults(s) && (!s.only.empty() || RunClean(s, &falseByCheck));
    }
    if (ok && s.speed) ok = RunSpeed(s);
    if (!s.keep) fs::remove_all(s.dir);
    return ok ? 0 : 1;
}
