// bench_batch: how much faster the batch converter is with two jobs than
// with one, and what reading every output back (--verify) and flushing each
// output to disk before its rename cost. Generates an archive of recordings
// (8 one-hour nights of 16 channels at 200 Hz by default) and converts the
// whole archive with `taff2psg --jobs 1`, `--jobs 2`, `--jobs 2 --no-flush`
// and `--jobs 2 --verify`, each run a process of its own writing into an
// emptied output folder, against a plain copy of the archive's files. The machine may be shared and noisy, so the
// settings are interleaved round by round (the order rotating) and the
// medians are compared; throughput is given in MB of
// source data and in recorded hours per second of conversion, beside the
// CPU seconds the runs took (user + system of taff2psg): equal CPU seconds
// with less wall time show the jobs working side by side; the load average
// printed before and after tells how many cores the machine had to spare.
// The manifest's cost: one night (8 hours of 32 channels at 200 Hz) converted
// alone and with --manifest, and a rerun with --skip-existing over the
// archive that skips every night, without and with --manifest (the manifest
// the first conversion wrote, fresh each round); with --before, the same
// for a taff2psg of earlier code, rounds interleaved with this one's. The
// outputs are not flushed (--no-flush), so the figures are the converter's
// own work, not the disk's.
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
#include <string>
#include <vector>

#include "tools/taffgen/taffgen.h"
#include "tools/bench/bench_support.h"

extern char** environ;

namespace {

using bench::Median;

namespace fs = std::filesystem;

const char kUsage[] =
    "usage: bench_batch [--taff2psg PATH] [--recordings N] [--minutes M] [--channels N] [--rounds N]\n"
    "                   [--dir FOLDER] [--out FOLDER] [--keep] [--before PATH] [--night-hours H]\n"
    "                   [--manifest-only | --jobs-only]\n"
    "defaults: the taff2psg built beside this benchmark, 8 recordings of 60 minutes with 16\n"
    "channels at 200 Hz, 5 rounds, the system's temporary folder (deleted afterwards unless --keep);\n"
    "--out puts the PSG files elsewhere (such as /dev/shm, to leave the disk out); the manifest's\n"
    "cost on a night of 8 hours with 32 channels, against --before's taff2psg when given\n";

struct Settings {
    std::string taff2psg, before;
    int recordings = 8, minutes = 60, channels = 16, rounds = 5;
    double nightHours = 8;
    std::string dir, out;
    bool keep = false, jobs = true, manifest = true;
};

struct Timing {
    double wall = -1, cpu = 0;
};

bool ReadSettings(int argc, char** argv, Settings& s) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "--taff2psg" && more) s.taff2psg = argv[++i];
        else if (a == "--recordings" && more) s.recordings = atoi(argv[++i]);
        else if (a == "--minutes" && more) s.minutes = atoi(argv[++i]);
        else if (a == "--channels" && more) s.channels = atoi(argv[++i]);
        else if (a == "--rounds" && more) s.rounds = atoi(argv[++i]);
        else if (a == "--dir" && more) s.dir = argv[++i];
        else if (a == "--out" && more) s.out = argv[++i];
        else if (a == "--keep") s.keep = true;
        else if (a == "--before" && more) s.before = argv[++i];
        else if (a == "--night-hours" && more) s.nightHours = atof(argv[++i]);
        else if (a == "--manifest-only") s.jobs = false;
        else if (a == "--jobs-only") s.manifest = false;
        else return false;
    }
    if (s.taff2psg.empty()) s.taff2psg = (fs::read_symlink("/proc/self/exe").parent_path() / "../../batch/taff2psg").string();
    if (s.dir.empty()) s.dir = (fs::temp_directory_path() / ("bench_batch_" + std::to_string(getpid()))).string();
    if (s.out.empty()) s.out = s.dir + "/out";
    else s.out += "/bench_batch_out_" + std::to_string(getpid());
    return s.recordings > 0 && s.minutes > 0 && s.channels > 0 && s.rounds > 0 && s.nightHours > 0;
}

// Generates the archive; returns the bytes of its data files.
int64_t MakeArchive(const Settings& s) {
    fs::create_directories(s.dir + "/in");
    int64_t bytes = 0;
    for (int n = 0; n < s.recordings; ++n) {
        TaffGenOptions o;
        o.channels = s.channels;
        o.seconds = s.minutes * 60.0;
        o.seed = uint32_t(n + 1);
        const std::string header = s.dir + "/in/NIGHT" + std::to_string(n + 1) + ".HDR";
        std::string error;
        if (!WriteTaffRecording(o, header, &error)) {
            fprintf(stderr, "bench_batch: %s\n", error.c_str());
            exit(1);
        }
        bytes += int64_t(fs::file_size(TaffGenDataPath(o, header)));
    }
    return bytes;
}

// The settings compared: name and the options added to the command line.
struct Variant {
    const char* name;
    int jobs;
    const char* option;     // "" for none
};
// The last is no conversion: the archive's files copied into the output
// folder and flushed, the floor a conversion of the same bytes stands on.
const Variant kVariants[] = {{"--jobs 1", 1, ""},
                             {"--jobs 2", 2, ""},
                             {"--jobs 2 --no-flush", 2, "--no-flush"},
                             {"--jobs 2 --verify", 2, "--verify"},
                             {"plain copy", 0, ""}};
const int kVariantCount = int(sizeof kVariants / sizeof kVariants[0]);

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Copies every file of the archive into `out` (read and write in 1 MiB
// pieces, each copy flushed); the wall and CPU seconds.
Timing CopyArchive(const Settings& s) {
    const auto start = std::chrono::steady_clock::now();
    const double cpu = CpuSeconds();
    std::vector<char> buffer(1 << 20);
    Timing t;
    for (const auto& e : fs::directory_iterator(s.dir + "/in")) {
        const int from = open(e.path().c_str(), O_RDONLY);
        const int to = open((s.out + "/" + e.path().filename().string()).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        bool ok = from >= 0 && to >= 0;
        for (ssize_t n; ok && (n = read(from, buffer.data(), buffer.size())) > 0;) ok = write(to, buffer.data(), size_t(n)) == n;
        ok = ok && fsync(to) == 0;
        if (from >= 0) close(from);
        if (to >= 0) close(to);
        if (!ok) return t;
    }
    t.cpu = CpuSeconds() - cpu;
    t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return t;
}

// Runs taff2psg with `args` (its own output to /dev/null); the wall and
// CPU seconds, the wall negative when it failed.
Timing RunTaff2psg(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    Timing t;
    const int spawned = posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return t;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    t.cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) t.wall = seconds;
    return t;
}

// Converts the archive with `v` into an emptied output folder; returns the
// wall and CPU seconds taken (wall negative when taff2psg failed).
Timing ConvertArchive(const Settings& s, const Variant& v) {
    const int jobs = v.jobs;
    const std::string& out = s.out;
    fs::remove_all(out);
    fs::create_directories(out);
    if (jobs == 0) return CopyArchive(s);
    const std::string jobText = std::to_string(jobs);
    std::vector<std::string> args = {s.taff2psg, s.dir + "/in", "--out", out, "--all-channels", "--quiet",
                                     "--jobs", jobText};
    if (v.option[0]) args.push_back(v.option);
    return RunTaff2psg(args);
}

// Flushes every output in `dir` to disk (fsync, as taff2psg does before a
// rename) and returns the seconds it took: after a --no-flush run, the cost
// the flush adds, measured alone.
double FlushOutputs(const std::string& dir) {
    const auto start = std::chrono::steady_clock::now();
    for (const auto& e : fs::directory_iterator(dir)) {
        const int fd = open(e.path().c_str(), O_RDONLY);
        if (fd < 0) continue;
        fsync(fd);
        close(fd);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void PrintLoad(const char* when) {
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) == 3) printf("load average %s: %.2f %.2f %.2f\n", when, load[0], load[1], load[2]);
}

// ---- the manifest's cost ---------------------------------------------------------

// One taff2psg's four runs: the night alone and with --manifest, the rerun
// without and with it.
struct ManifestFigures {
    std::string name, program;
    std::vector<double> times[4], cpu[4];
};
const char* const kManifestRuns[4] = {"night", "night --manifest", "rerun skipping all", "rerun --manifest"};

Timing ManifestRun(const Settings& s, const ManifestFigures& f, size_t index, int run) {
    const std::string tag = std::to_string(index);
    const std::string manifest = s.dir + "/m" + tag + ".jsonl";
    fs::remove(manifest);
    if (run < 2) {
        const std::string out = s.out + "/night" + tag;
        fs::remove_all(out);
        fs::create_directories(out);
        std::vector<std::string> args = {f.program, s.dir + "/night/NIGHT.HDR", "--out", out, "--all-channels",
                                         "--no-flush", "--quiet", "--jobs", "1"};
        if (run == 1) args.insert(args.end(), {"--manifest", manifest});
        return RunTaff2psg(args);
    }
    std::vector<std::string> args = {f.program, s.dir + "/in", "--out", s.out + "/rerun" + tag, "--all-channels",
                                     "--skip-existing", "--quiet", "--jobs", "2"};
    if (run == 3) {
        fs::copy_file(s.dir + "/rerun" + tag + ".jsonl", manifest);
        args.insert(args.end(), {"--manifest", manifest});
    }
    return RunTaff2psg(args);
}

bool RunManifestFigures(const Settings& s) {
    TaffGenOptions o;
    o.channels = 32;
    o.seconds = s.nightHours * 3600;
    o.seed = 7;
    fs::create_directories(s.dir + "/night");
    std::string error;
    if (!WriteTaffRecording(o, s.dir + "/night/NIGHT.HDR", &error)) {
        fprintf(stderr, "bench_batch: %s\n", error.c_str());
        return false;
    }
    std::vector<ManifestFigures> figures = {{"this taff2psg", s.taff2psg, {}, {}}};
    if (!s.before.empty()) figures.push_back({"--before", s.before, {}, {}});
    // The archive converted once by each, with the manifest its reruns start from.
    for (size_t i = 0; i < figures.size(); ++i) {
        const std::string tag = std::to_string(i), out = s.out + "/rerun" + tag;
        fs::create_directories(out);
        if (RunTaff2psg({figures[i].program, s.dir + "/in", "--out", out, "--all-channels", "--quiet", "--jobs", "2",
                         "--no-flush", "--manifest", s.dir + "/rerun" + tag + ".jsonl"}).wall < 0)
            return false;
    }
    printf("\nthe manifest's cost: a night of %.1f h, 32 channels at 200 Hz (%.0f MB); reruns over the %d "
           "recordings; %d rounds\n",
           s.nightHours, double(fs::file_size(TaffGenDataPath(o, s.dir + "/night/NIGHT.HDR"))) / 1e6, s.recordings,
           s.rounds);
    PrintLoad("before");
    const int kinds = int(figures.size()) * 4;
    for (int round = 0; round < s.rounds; ++round) {
        for (int k = 0; k < kinds; ++k) {
            const int n = (round + k) % kinds;
            ManifestFigures& f = figures[size_t(n / 4)];
            const Timing t = ManifestRun(s, f, size_t(n / 4), n % 4);
            if (t.wall < 0) {
                fprintf(stderr, "bench_batch: %s failed: %s\n", f.program.c_str(), kManifestRuns[n % 4]);
                return false;
            }
            f.times[n % 4].push_back(t.wall);
            f.cpu[n % 4].push_back(t.cpu);
            printf("round %d  %-14s %-20s %7.3f s  (CPU %.3f s)\n", round + 1, f.name.c_str(), kManifestRuns[n % 4],
                   t.wall, t.cpu);
            fflush(stdout);
        }
    }
    PrintLoad("after");
    printf("\n%-14s %12s %18s %20s %18s %14s %14s\n", "", "night s", "night --manifest s", "rerun skipping s",
           "rerun --manifest s", "manifest x", "rerun x");
    for (const ManifestFigures& f : figures) {
        double m[4];
        for (int k = 0; k < 4; ++k) m[k] = Median(f.times[k]);
        printf("%-14s %12.3f %18.3f %20.3f %18.3f %13.2fx %13.2fx\n", f.name.c_str(), m[0], m[1], m[2], m[3],
               m[1] / m[0], m[3] / m[2]);
        for (int k = 0; k < 4; ++k) m[k] = Median(f.cpu[k]);
        printf("%-14s %12.3f %18.3f %20.3f %18.3f %13.2fx %13.2fx\n", "  CPU s", m[0], m[1], m[2], m[3], m[1] / m[0],
               m[3] / m[2]);
    }
    printf("(medians; manifest x: the night with --manifest against without it, goal <= 1.5x;\n"
           " rerun x: the rerun with --manifest against without it; CPU: user + system of taff2psg, all its threads)\n");
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Settings s;
    if (!ReadSettings(argc, argv, s)) {
        fputs(kUsage, stderr);
        return 2;
    }
    printf("archive: %d recordings of %d min, %d channels at 200 Hz in %s\n", s.recordings, s.minutes, s.channels,
           s.dir.c_str());
    const int64_t bytes = MakeArchive(s);
    const double hours = s.recordings * s.minutes / 60.0;
    if (!s.jobs) {
        const bool done = RunManifestFigures(s);
        fs::remove_all(s.out);
        if (!s.keep) fs::remove_all(s.dir);
        return done ? 0 : 1;
    }
    std::vector<double> times[kVariantCount], cpu[kVariantCount], flushes;
    PrintLoad("before");
    for (int round = 0; round < s.rounds; ++round) {
        for (int k = 0; k < kVariantCount; ++k) {
            const int n = (round + k) % kVariantCount;     // each setting first in turn
            const Timing t = ConvertArchive(s, kVariants[n]);
            if (t.wall < 0) {
                fprintf(stderr, "bench_batch: %s failed with %s\n", s.taff2psg.c_str(), kVariants[n].name);
                return 1;
            }
            if (std::string(kVariants[n].option) == "--no-flush") flushes.push_back(FlushOutputs(s.out));
            times[n].push_back(t.wall);
            cpu[n].push_back(t.cpu);
            printf("round %d  %-20s %7.3f s  (CPU %.3f s)\n", round + 1, kVariants[n].name, t.wall, t.cpu);
            fflush(stdout);
        }
    }
    PrintLoad("after");
    double median[kVariantCount];
    printf("\n%-20s %12s %14s %16s %14s\n", "", "median s", "MB/s (source)", "recorded h/s", "median CPU s");
    for (int n = 0; n < kVariantCount; ++n) {
        median[n] = Median(times[n]);
        printf("%-20s %12.3f %14.1f %16.1f %14.3f\n", kVariants[n].name, median[n], bytes / 1e6 / median[n],
               hours / median[n], Median(cpu[n]));
    }
    printf("speed-up of two jobs over one (medians): %.2fx\n", median[0] / median[1]);
    printf("against a plain copy of the archive's files: one job %.2fx, two jobs %.2fx its time\n",
           median[0] / median[4], median[1] / median[4]);
    printf("--verify: %.2fx the time of conversion alone (two jobs)\n", median[3] / median[1]);
    printf("flush before the rename: %+.3f s per recording from the medians (%+.1f %% of the batch); "
           "fsync of the unflushed outputs alone: %.3f s per recording (median)\n",
           (median[1] - median[2]) / s.recordings, 100.0 * (median[1] - median[2]) / median[2],
           Median(flushes) / s.recordings);
    const bool done = !s.manifest || RunManifestFigures(s);
    fs::remove_all(s.out);
    if (!s.keep) fs::remove_all(s.dir);
    return done ? 0 : 1;
}
