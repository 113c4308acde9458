// bench_check: how well and how fast the night check works.
//
// Accuracy, on generated nights with fixed seeds: clean 8-hour nights (20
// by default), whose warn and fail findings are all false alarms; nights
// with faults of every kind laid in, at several strengths and on several
// channels, one fault to a stretch of its own; nights whose eye channels
// both carry a real frontal EEG, wired right and with one inverted over
// its eye movements; and the real recordings of the real-data folder, made
// TAFFmat, untouched and with faults laid on their EEG. A fault counts as
// found when findings of its kind on its channel cover at least 80 % of
// its stretch and their span starts and ends within 5 s of the fault's.
// Prints the per-kind table (faults, found, share), each fault with its
// coverage and end errors, the false findings per clean 8-hour night, and
// every finding of the untouched real recordings with their rate per hour.
//
// Speed: taff2psg --check-only of an 8-hour night of 32 channels at 200 Hz
// (on the threads it takes by default and on one) against a plain copy of
// its data file, and taff2psg --check against the same conversion without
// the check; each run a process of its own, rounds interleaved, medians of
// 5 compared, the machine's load average said; peak memory of the
// check-only run on the night and on a night a quarter as long (flat in
// the night's length).
// Linux only; not a test: run it by hand on a release build.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
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
#include "tools/taffgen/taffgen_real.h"
#include "tools/taffimport/taffimport_write.h"
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
    "                   [--eye-nights N] [--eye-only] [--realpsg FOLDER | --no-real]\n"
    "       bench_check --real NAME.HDR...  (recordings made by taffimport: each checked with\n"
    "                   the montage of NAME.INI; faults of NAME.truth.json scored)\n"
    "defaults: 20 clean nights of 8 hours with 20 channels, fault nights of 2 hours, 2 eye-pair\n"
    "nights of 8 hours, the real-data folder beside the checkout (../shared/realpsg), speed on\n"
    "an 8-hour night of 32 channels at 200 Hz over 5 rounds, the taff2psg built beside this\n"
    "benchmark, the system's temporary folder (deleted afterwards unless --keep)\n";

struct Settings {
    int cleanNights = 20, channels = 20, rounds = 5, eyeNights = 2;
    std::string realpsg;        // the real-data folder ("": none)
    double cleanHours = 8, faultHours = 2, speedHours = 8;
    std::string taff2psg, dir;
    bool keep = false, accuracy = true, speed = true, verbose = false;
    bool eyeOnly = false;       // the eye-pair nights alone
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
        else if (a == "--eye-nights" && more) s.eyeNights = std::atoi(argv[++i]);
        else if (a == "--eye-only") s.eyeOnly = true;
        else if (a == "--realpsg" && more) s.realpsg = argv[++i];
        else if (a == "--no-real") s.realpsg = "-";
        else if (a == "--real" && more) {
            while (i + 1 < argc && argv[i + 1][0] != '-') s.real.push_back(argv[++i]);
        }
        else return false;
    }
    if (s.taff2psg.empty()) s.taff2psg = (fs::read_symlink("/proc/self/exe").parent_path() / "../../batch/taff2psg").string();
    if (s.dir.empty()) s.dir = (fs::temp_directory_path() / ("bench_check_" + std::to_string(getpid()))).string();
    // The real-data folder lies beside the checkout (or beside the folder of worktrees).
    for (const char* candidate : {REAL_DATA_DIR, REAL_DATA_DIR_OUTER})
        if (s.realpsg.empty() && fs::is_directory(candidate)) s.realpsg = candidate;
    if (s.realpsg == "-") s.realpsg.clear();
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

// Lengths and starts off the check's 30-second epochs, as faults come: a
// fault found to the second then shows it.
const double kLengths[] = {61, 287, 900};

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
// each starting a few minutes (and some seconds) into its slot; a
// whole-night fault alone.
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
        f.startSeconds = static_cast<double>(placed % perNight) * slot + 150 + 30 * static_cast<double>(placed % 5) +
                         4 + 11 * static_cast<double>(placed % 3);
        nights.back().push_back(f);
        ++placed;
    }
    nights.insert(nights.end(), whole.begin(), whole.end());
    return nights;
}

// ---- accuracy --------------------------------------------------------------------

// "1:02:03" of seconds from the recording's start.
std::string Clock(double seconds) {
    const long t = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", t / 3600, t / 60 % 60, t % 60);
    return text;
}

// One finding, for a person to say what it is: channel, check, level, time,
// value with its unit, note (and the other channel of a pair).
void PrintFinding(const char* what, const CheckFinding& f) {
    std::printf("    %s%s%-16s %-12s %-4s %s-%s (%.0f-%.0f s)  value %.3g%s%s  %s%s%s\n", what, what[0] ? " " : "",
                f.label, CheckKindName(f.kind), CheckLevelName(f.level), Clock(f.startSeconds).c_str(),
                Clock(f.endSeconds).c_str(), f.startSeconds, f.endSeconds, f.value, f.unit && f.unit[0] ? " " : "",
                f.unit ? f.unit : "", f.note ? f.note : "", f.other[0] ? " with " : "", f.other);
}

// Faults found, by kind, as a lab needs them found (FoundExactly), and
// loosely (half their stretch covered, the measure of earlier tables).
struct KindTally {
    int faults = 0, found = 0, half = 0;
};

using Tally = std::map<std::string, KindTally>;

// A clipping fault as it can be seen: from the first to the last second of
// its stretch holding a sample at the converter's limits (a gain too high
// clips nothing while the signal is small, as the flow in an apnea).
TaffGenFault ClippedExtent(const TaffGenOptions& o, const TaffGenFault& f) {
    if (f.kind != TaffGenFaultKind::Clipping) return f;
    const int64_t first = TaffGenFaultFirstScan(f, o.rate), past = TaffGenFaultEndScan(f, o.rate);
    int64_t from = -1, to = -1;
    for (int64_t scan = first; scan < past; ++scan) {
        const int16_t v = TaffGenExpectedSample(o, f.channel, scan);
        if (v < 32767 && v > -32767) continue;
        if (from < 0) from = scan;
        to = scan;
    }
    if (from < 0) return f;
    TaffGenFault seen = f;
    seen.startSeconds = static_cast<double>(from / o.rate);
    seen.lengthSeconds = static_cast<double>(to / o.rate + 1) - seen.startSeconds;
    return seen;
}

// An inverted eye channel as it can be seen: from the first to the last
// second of its stretch in which the eyes move (the first saccade's start
// to the last one's end, as the night lays them): resting eyes show neither
// wiring.
TaffGenFault MovingEyesExtent(const TaffGenOptions& o, const TaffGenFault& f) {
    if (f.kind != TaffGenFaultKind::EogInPhase) return f;
    const std::vector<TaffGenSaccade> moves = TaffGenSaccades(o, f.startSeconds, f.startSeconds + f.lengthSeconds);
    if (moves.empty()) return f;
    TaffGenFault seen = f;
    seen.startSeconds = std::floor(moves.front().startSeconds);
    seen.lengthSeconds = std::ceil(moves.back().startSeconds + moves.back().lengthSeconds) - seen.startSeconds;
    return seen;
}

// Scores each fault of a checked night into `tally` and prints it: its
// coverage, how far the found stretch's ends lie from its own, found or not.
// With `seen`, each fault is scored on the stretch where it can be seen
// (the laid stretch printed beside it where that differs, or always with
// `laidTally`, which is scored on the laid stretches).
void ScoreFaults(const std::vector<TaffGenFault>& faults, int rate, const std::vector<std::string>& labels,
                 const NightCheckResult& r, const std::string& night, Tally* tally,
                 const std::vector<TaffGenFault>* seen = nullptr, Tally* laidTally = nullptr) {
    for (size_t i = 0; i < faults.size(); ++i) {
        const TaffGenFault& laid = faults[i];
        const TaffGenFault& f = seen ? (*seen)[i] : laid;
        const FaultMatch m = MatchFault(f, rate, labels, r);
        const bool exact = FoundExactly(m);
        KindTally& t = (*tally)[TaffGenFaultName(f.kind)];
        ++t.faults;
        t.found += exact;
        t.half += m.coverage >= 0.5;
        char ends[64] = "no finding";
        if (m.any) std::snprintf(ends, sizeof ends, "start %+.0f s, end %+.0f s", m.start - m.truthStart, m.end - m.truthEnd);
        char laidText[96] = "";
        if (laidTally) {
            const FaultMatch ml = MatchFault(laid, rate, labels, r);
            KindTally& tl = (*laidTally)[TaffGenFaultName(f.kind)];
            ++tl.faults;
            tl.found += FoundExactly(ml);
            tl.half += ml.coverage >= 0.5;
            char laidEnds[48] = "no finding";
            if (ml.any)
                std::snprintf(laidEnds, sizeof laidEnds, "start %+.0f s, end %+.0f s", ml.start - ml.truthStart,
                              ml.end - ml.truthEnd);
            std::snprintf(laidText, sizeof laidText, " (laid %.0f-%.0f s: %s, %s)", laid.startSeconds,
                          laid.startSeconds + laid.lengthSeconds, FoundExactly(ml) ? "found" : "MISS", laidEnds);
        } else if (f.startSeconds != laid.startSeconds || f.lengthSeconds != laid.lengthSeconds) {
            std::snprintf(laidText, sizeof laidText, " (laid %.0f-%.0f s)", laid.startSeconds,
                          laid.startSeconds + laid.lengthSeconds);
        }
        std::printf("  %-5s %-12s on %-16s value %-7g %6.0f-%6.0f s%s (%s): %3.0f %% covered, %s\n",
                    exact ? "found" : "MISS", TaffGenFaultName(f.kind), labels[static_cast<size_t>(f.channel)].c_str(),
                    f.value, m.truthStart, m.truthEnd, laidText, night.c_str(), 100 * m.coverage, ends);
    }
}

void PrintTally(const char* title, const Tally& tally) {
    std::printf("\n%s: found = covered >= %.0f %% with both ends within %.0f s\n", title, 100 * kExactCoverage,
                kExactEndSeconds);
    std::printf("%-14s %7s %7s %8s %14s\n", "kind", "faults", "found", "share", "half covered");
    int all = 0, found = 0, half = 0;
    for (const auto& k : tally) {
        all += k.second.faults;
        found += k.second.found;
        half += k.second.half;
        std::printf("%-14s %7d %7d %7.1f%% %13.1f%%\n", k.first.c_str(), k.second.faults, k.second.found,
                    100.0 * k.second.found / k.second.faults, 100.0 * k.second.half / k.second.faults);
    }
    std::printf("%-14s %7d %7d %7.1f%% %13.1f%%\n", "all", all, found, all ? 100.0 * found / all : 0.0,
                all ? 100.0 * half / all : 0.0);
}

// False findings of clean nights, counted by check and level.
struct FalseTally {
    double hours = 0;
    int warns = 0, fails = 0, nightsWithFail = 0;
    std::map<std::string, int> byCheck;
};

void CountFalse(const CheckFinding& x, FalseTally* t) {
    if (x.level == CheckLevel::Info) return;
    ++(x.level == CheckLevel::Warn ? t->warns : t->fails);
    ++t->byCheck[std::string(CheckKindName(x.kind)) + " " + CheckLevelName(x.level)];
    PrintFinding("false", x);
}

void PrintFalse(const char* what, const FalseTally& t) {
    const double nights = t.hours / 8;
    std::printf("%s: false findings per clean 8-hour night: %.2f warn, %.2f fail (%d nights with a fail)\n", what,
                nights > 0 ? t.warns / nights : 0.0, nights > 0 ? t.fails / nights : 0.0, t.nightsWithFail);
    for (const auto& k : t.byCheck) std::printf("  %-24s %d\n", k.first.c_str(), k.second);
}

bool RunClean(const Settings& s) {
    FalseTally t;
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
        const int fails = t.fails;
        std::printf("clean night %2d (seed %u): verdict %s\n", n + 1, o.seed, CheckVerdictName(r.verdict));
        for (const CheckFinding& x : r.findings) CountFalse(x, &t);
        t.nightsWithFail += t.fails > fails;
        t.hours += s.cleanHours;
        std::fflush(stdout);
    }
    fs::remove(s.dir + "/CLEAN.HDR");
    fs::remove(s.dir + "/CLEAN.DAT");
    std::printf("\nclean nights: %d of %.1f h, %d channels, %.0f s in all\n", s.cleanNights, s.cleanHours, s.channels,
                Since(start));
    PrintFalse("clean generated nights", t);
    return true;
}

bool RunFaults(const Settings& s) {
    const std::vector<std::vector<TaffGenFault>> nights = FaultNights(PlannedFaults(s.channels, s.only), s.faultHours);
    const std::vector<std::string> labels = Labels(s.channels);
    Tally tally;
    int unexplained = 0, sideFindings = 0;
    const auto start = std::chrono::steady_clock::now();
    std::printf("fault nights: each fault laid, found or MISS, its coverage and the found stretch's ends\n");
    for (size_t n = 0; n < nights.size(); ++n) {
        TaffGenOptions o;
        o.channels = s.channels;
        o.seconds = s.faultHours * 3600;
        o.seed = static_cast<uint32_t>(2000 + n);
        o.faults = TaffGenWithCompanions(nights[n], o.channels);
        NightCheckResult r;
        std::string error;
        if (!CheckGeneratedNight(o, s.dir + "/FAULTS.HDR", DefaultCheckRuleSet(), &r, &error)) {
            std::fprintf(stderr, "bench_check: %s\n", error.c_str());
            return false;
        }
        std::vector<TaffGenFault> seen;
        for (const TaffGenFault& f : o.faults) seen.push_back(ClippedExtent(o, f));
        ScoreFaults(o.faults, o.rate, labels, r, "seed " + std::to_string(o.seed), &tally, &seen);
        for (const CheckFinding& x : UnexplainedFindings(o.faults, o.rate, labels, r, CheckLevel::Warn)) {
            const bool side = OnFaultedStretch(x, o.faults, o.rate, labels);
            (side ? sideFindings : unexplained) += 1;
            if (s.verbose || !side) PrintFinding(side ? "also on a fault's stretch" : "false", x);
        }
        std::fflush(stdout);
    }
    fs::remove(s.dir + "/FAULTS.HDR");
    fs::remove(s.dir + "/FAULTS.DAT");
    std::printf("\nfault nights: %zu of %.1f h, %.0f s in all\n", nights.size(), s.faultHours, Since(start));
    PrintTally("faults on generated nights", tally);
    std::printf("clipping scored on the stretch it can be seen: from the first to the last second of the laid\n"
                "stretch holding a sample at the converter's limits (the laid stretch beside it where it differs)\n");
    const double count = nights.empty() ? 1.0 : static_cast<double>(nights.size());
    std::printf("warn or fail findings of another kind on a fault's channel and stretch: %.2f per fault night\n",
                sideFindings / count);
    std::printf("warn or fail findings away from every fault (false): %.2f per fault night\n", unexplained / count);
    return true;
}

// ---- the eye pair with a real frontal EEG -------------------------------------------

// Nights whose eye channels both carry the real frontal EEG: wired right,
// every eog_in_phase (and every other warn or fail) is false; with ROC
// inverted over each stretch of quick eye movements, those are the faults.
bool RunEyePair(const Settings& s) {
    if (s.eyeNights <= 0) return true;
    const std::string edf = TaffGenEogEegPath(s.realpsg);
    if (s.realpsg.empty() || !fs::exists(edf)) {
        std::printf("\neye-pair nights: not made (no %s; give --realpsg)\n", edf.c_str());
        return true;
    }
    const std::vector<std::string> labels = Labels(s.channels);
    FalseTally right;
    Tally tally, laidTally;
    std::printf("\neye-pair nights: %s of %s on LOC and ROC, %d nights of %.1f h\n", kTaffGenEogEegLabel, edf.c_str(),
                s.eyeNights, s.cleanHours);
    for (int n = 0; n < s.eyeNights; ++n) {
        TaffGenOptions o;
        o.channels = s.channels;
        o.seconds = s.cleanHours * 3600;
        o.seed = static_cast<uint32_t>(3000 + n);
        std::string error;
        if (!TaffGenLoadEogEeg(edf, kTaffGenEogEegLabel, &o, &error)) {
            std::fprintf(stderr, "bench_check: %s\n", error.c_str());
            return false;
        }
        NightCheckResult r;
        if (!CheckGeneratedNight(o, s.dir + "/EYES.HDR", DefaultCheckRuleSet(), &r, &error)) {
            std::fprintf(stderr, "bench_check: %s\n", error.c_str());
            return false;
        }
        const int fails = right.fails;
        std::printf("eye-pair night seed %u, wired right: verdict %s\n", o.seed, CheckVerdictName(r.verdict));
        for (const CheckFinding& x : r.findings) CountFalse(x, &right);
        right.nightsWithFail += right.fails > fails;
        right.hours += s.cleanHours;
        TaffGenInvertEogInEyeMovements(&o);
        if (!CheckGeneratedNight(o, s.dir + "/EYES.HDR", DefaultCheckRuleSet(), &r, &error)) {
            std::fprintf(stderr, "bench_check: %s\n", error.c_str());
            return false;
        }
        std::printf("eye-pair night seed %u, ROC inverted over %zu stretches of eye movements:\n", o.seed,
                    o.faults.size());
        std::vector<TaffGenFault> seen;
        for (const TaffGenFault& f : o.faults) seen.push_back(MovingEyesExtent(o, f));
        ScoreFaults(o.faults, o.rate, labels, r, "seed " + std::to_string(o.seed), &tally, &seen, &laidTally);
        for (const CheckFinding& x : UnexplainedFindings(o.faults, o.rate, labels, r, CheckLevel::Warn))
            PrintFinding("false", x);
        std::fflush(stdout);
    }
    fs::remove(s.dir + "/EYES.HDR");
    fs::remove(s.dir + "/EYES.DAT");
    PrintFalse("eye-pair nights wired right", right);
    std::printf("  of them eog_in_phase: %d warn, %d fail\n", right.byCheck["eog_in_phase warn"],
                right.byCheck["eog_in_phase fail"]);
    PrintTally("eye-pair nights with ROC inverted over eye movements, scored where the eyes move", tally);
    std::printf("an inverted stretch scored from the first to the last second of its laid stretch in which the eyes\n"
                "move (the first saccade's start to the last one's end): resting eyes show neither wiring\n");
    PrintTally("the same, scored on the laid stretches", laidTally);
    return true;
}

// ---- the real recordings ----------------------------------------------------------------

// A recording of the real-data folder, read as taffimport reads it.
struct RealSource {
    std::string path;
    std::string eeg;        // the EEG to lay faults on ("": none)
};

std::vector<RealSource> RealSources(const std::string& folder) {
    std::vector<RealSource> out;
    std::vector<std::string> mats;
    if (fs::is_directory(folder + "/sleep-edf"))
        for (const auto& e : fs::directory_iterator(folder + "/sleep-edf")) {
            const std::string name = e.path().filename().string();
            if (name.rfind("SC4", 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == ".mat")
                mats.push_back(e.path().string());
        }
    std::sort(mats.begin(), mats.end());
    for (const std::string& m : mats) out.push_back({m, "EEG Pz-Oz"});
    out.push_back({folder + "/sleep-edf/short_psg.edf", "EEG Fpz-Cz"});
    out.push_back({folder + "/slpdb/slp41m_60s.mat", ""});
    return out;
}

bool ReadReal(const std::string& path, ImportedRecording* r, std::string* error) {
    if (path.size() > 4 && path.substr(path.size() - 4) == ".edf") return ReadEdfRecording(path, r, error);
    // The Pz-Oz evenings: one int16 row in converter units, about 0.096 uV
    // each, from a converter of -2048..2047 (see the folder's README).
    MatDescription d;
    d.rate = 100;
    d.label = "EEG Pz-Oz";
    d.unit = "uV";
    d.signalType = kTaffGenTypeEeg;
    d.calEU = 96;
    d.calVU = 1000;
    d.digitalLow = -2048;
    d.digitalHigh = 2047;
    return ReadMatRecording(path, d, r, error);
}

bool CheckImported(const Settings& s, const ImportedRecording& rec, const std::vector<TaffGenFault>& faults,
                   NightCheckResult* r) {
    const std::string header = s.dir + "/REAL.HDR";
    MontagePattern pattern;
    ImportedMontage(rec, &pattern);
    std::string error;
    if (!WriteImportedRecording(rec, faults, 1, header) ||
        !CheckRecording(header, pattern, DefaultCheckRuleSet(), r, &error)) {
        std::fprintf(stderr, "bench_check: %s\n", error.empty() ? "cannot write a real recording" : error.c_str());
        return false;
    }
    return true;
}

// Faults laid on the real EEG of recording `index` as a lab meets them,
// sized in microvolts through the channel's calibration: a lead off of a
// minute or a few (0.3 uV rms of noise), the signal clipped at the
// converter's limits, a 50 Hz hum of 100 uV peak. Stretches vary with the
// recording and fit its length.
std::vector<TaffGenFault> RealFaults(const ImportedRecording& rec, int channel, int index) {
    const double perMicrovolt = ImportedCountsPerMicrovolt(rec.channels[static_cast<size_t>(channel)]);
    const double seconds = static_cast<double>(rec.channels[0].samples.size()) / rec.rate;
    const double flatLengths[] = {61, 71, 266, 300}, clipLengths[] = {60, 120, 300}, humLengths[] = {300, 900, 90};
    std::vector<TaffGenFault> out;
    auto lay = [&](TaffGenFaultKind kind, double share, double length, double value) {
        TaffGenFault f;
        f.kind = kind;
        f.channel = channel;
        f.lengthSeconds = std::min(length, seconds / 4);
        f.startSeconds = std::floor(seconds * share + (seconds > 3600 ? 37.0 * index : 0));
        if (f.startSeconds + f.lengthSeconds > seconds) f.startSeconds = seconds - f.lengthSeconds;
        f.value = value;
        out.push_back(f);
    };
    lay(TaffGenFaultKind::Flat, 0.1, flatLengths[index % 4], TaffGenVoltageFaultDefault(TaffGenFaultKind::Flat, perMicrovolt));
    lay(TaffGenFaultKind::Clipping, 0.4, clipLengths[index % 3], 20);
    lay(TaffGenFaultKind::Hum, 0.7, humLengths[index % 3], TaffGenVoltageFaultDefault(TaffGenFaultKind::Hum, perMicrovolt));
    return out;
}

bool RunReal(const Settings& s) {
    if (s.realpsg.empty()) {
        std::printf("\nreal recordings: none (no real-data folder; give --realpsg)\n");
        return true;
    }
    std::printf("\nreal recordings of %s, untouched: every warn or fail finding, for a person to explain\n",
                s.realpsg.c_str());
    double hours = 0;
    int warns = 0, fails = 0;
    Tally tally;
    std::vector<std::pair<std::string, ImportedRecording>> withFaults;
    for (const RealSource& src : RealSources(s.realpsg)) {
        ImportedRecording rec;
        std::string error;
        if (!ReadReal(src.path, &rec, &error)) {
            std::printf("  %s: not read (%s)\n", src.path.c_str(), error.c_str());
            continue;
        }
        NightCheckResult r;
        if (!CheckImported(s, rec, {}, &r)) return false;
        int w = 0, f = 0;
        for (const CheckFinding& x : r.findings) {
            w += x.level == CheckLevel::Warn;
            f += x.level == CheckLevel::Fail;
        }
        const std::string name = fs::path(src.path).filename().string();
        std::printf("%s: %.2f h, %zu channels at %d Hz, night %s; %d warn, %d fail (%.1f warn, %.1f fail an hour)\n",
                    name.c_str(), r.hours, rec.channels.size(), rec.rate, CheckVerdictName(r.verdict), w, f,
                    r.hours > 0 ? w / r.hours : 0.0, r.hours > 0 ? f / r.hours : 0.0);
        for (const CheckFinding& x : r.findings)
            if (x.level != CheckLevel::Info) PrintFinding("", x);
        hours += r.hours;
        warns += w;
        fails += f;
        if (!src.eeg.empty()) withFaults.emplace_back(src.eeg, std::move(rec));
        std::fflush(stdout);
    }
    std::printf("untouched real recordings: %.2f h; %.2f warn and %.2f fail findings per recording-hour\n", hours,
                hours > 0 ? warns / hours : 0.0, hours > 0 ? fails / hours : 0.0);

    std::printf("\nreal recordings with faults laid on their EEG (brought to 200 Hz, where a 50 Hz hum can be judged)\n");
    int index = 0;
    for (auto& item : withFaults) {
        ImportedRecording& rec = item.second;
        int channel = -1;
        for (size_t c = 0; c < rec.channels.size(); ++c)
            if (rec.channels[c].label == item.first) channel = static_cast<int>(c);
        if (channel < 0 || !ResampleImported(&rec, 200)) continue;
        const std::vector<TaffGenFault> faults = RealFaults(rec, channel, index++);
        NightCheckResult r;
        if (!CheckImported(s, rec, faults, &r)) return false;
        std::vector<std::string> labels;
        for (const ImportedChannel& ch : rec.channels) labels.push_back(ch.label);
        ScoreFaults(faults, rec.rate, labels, r, "real " + std::to_string(index), &tally);
        std::fflush(stdout);
    }
    fs::remove(s.dir + "/REAL.HDR");
    fs::remove(s.dir + "/REAL.DAT");
    PrintTally("faults on real recordings", tally);
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

Timing RunBatch(const Settings& s, const std::string& header, const char* option, const char* more = "") {
    const std::string out = s.dir + "/out";
    fs::remove_all(out);
    fs::create_directories(out);
    std::vector<std::string> args = {s.taff2psg, header, "--out", out, "--settings", s.dir + "/SETTINGS.INI", "--quiet",
                                     "--jobs", "1"};
    if (option[0]) args.push_back(option);
    if (more[0]) args.push_back(more);
    return Spawn(args);
}

// The machine's load average over the last minute, from /proc/loadavg (-1: not known).
double LoadAverage() {
    std::FILE* f = std::fopen("/proc/loadavg", "rb");
    double load = -1;
    if (f && std::fscanf(f, "%lf", &load) != 1) load = -1;
    if (f) std::fclose(f);
    return load;
}

bool RunSpeed(const Settings& s) {
    std::string header, shortHeader;
    if (!MakeSpeedNight(s, "NIGHT", s.speedHours, &header) || !MakeSpeedNight(s, "SHORT", s.speedHours / 4, &shortHeader))
        return false;
    const std::string data = header.substr(0, header.size() - 4) + ".DAT";
    const double bytes = static_cast<double>(fs::file_size(data));
    std::printf("\nspeed: a night of %.1f h, 32 channels at 200 Hz (%.0f MB), %d rounds, load average %.2f\n",
                s.speedHours, bytes / 1e6, s.rounds, LoadAverage());
    const int kinds = 5;
    static const char* const kNames[kinds] = {"copy", "--check-only", "convert", "convert --check",
                                              "--check-only 1 thread"};
    std::vector<double> times[kinds];
    double peaks[kinds] = {};
    for (int round = 0; round < s.rounds; ++round) {
        for (int k = 0; k < kinds; ++k) {
            const int which = (round + k) % kinds;
            Timing t;
            if (which == 0) t.seconds = Copy(data, s.dir + "/copy.DAT");
            if (which == 1) t = RunBatch(s, header, "--check-only");
            if (which == 2) t = RunBatch(s, header, "");
            if (which == 3) t = RunBatch(s, header, "--check");
            if (which == 4) t = RunBatch(s, header, "--check-only", "--check-threads=1");
            if (t.seconds < 0 && which == 4) continue;   // a taff2psg without --check-threads
            if (t.seconds < 0) {
                std::fprintf(stderr, "bench_check: run %d failed (%s)\n", which, s.taff2psg.c_str());
                return false;
            }
            std::printf("round %d %-22s %7.2f s  peak %6.1f MiB\n", round + 1, kNames[which], t.seconds, t.peakMiB);
            std::fflush(stdout);
            times[which].push_back(t.seconds);
            peaks[which] = std::max(peaks[which], t.peakMiB);
        }
        fs::remove(s.dir + "/copy.DAT");
    }
    const std::vector<double>&copy = times[0], &checkOnly = times[1], &convert = times[2], &convertCheck = times[3];
    const double peakCheckOnly = peaks[1], peakConvert = peaks[2], peakCheck = peaks[3];
    const Timing shortRun = RunBatch(s, shortHeader, "--check-only");
    std::printf("\nmedians: copy %.2f s, --check-only %.2f s, convert %.2f s, convert --check %.2f s; load average "
                "%.2f\n",
                Median(copy), Median(checkOnly), Median(convert), Median(convertCheck), LoadAverage());
    std::printf("--check-only against a plain copy: %.2fx (goal <= 1.5x)\n", Median(checkOnly) / Median(copy));
    if (!times[4].empty())
        std::printf("--check-only on 1 thread: %.2f s, %.2fx the copy\n", Median(times[4]),
                    Median(times[4]) / Median(copy));
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
    for (const CheckFinding& f : r.findings) PrintFinding("", f);
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
    Tally tally;
    ScoreFaults(faults, rate, labels, r, header, &tally);
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
    if (s.accuracy && s.eyeOnly) {
        ok = RunEyePair(s);
    } else if (s.accuracy) {
        ok = RunFaults(s);
        if (ok && s.only.empty()) ok = RunClean(s) && RunEyePair(s) && RunReal(s);
    }
    if (ok && s.speed) ok = RunSpeed(s);
    if (!s.keep) fs::remove_all(s.dir);
    return ok ? 0 : 1;
}
