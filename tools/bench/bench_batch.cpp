// bench_batch: how much faster the batch converter is with two jobs than
// with one. Generates an archive of recordings (8 one-hour nights of 16
// channels at 200 Hz by default) and converts the whole archive with
// `taff2psg --jobs 1` and `taff2psg --jobs 2`, each run a process of its
// own writing into an emptied output folder. The machine may be shared and
// noisy, so the two settings are interleaved round by round (the order
// alternating) and the medians are compared; throughput is given in MB of
// source data and in recorded hours per second of conversion, beside the
// CPU seconds the runs took (user + system of taff2psg): equal CPU seconds
// with less wall time show the jobs working side by side; the load average
// printed before and after tells how many cores the machine had to spare.
// Linux only; not a test: run it by hand on a release build.
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

extern char** environ;

namespace {

namespace fs = std::filesystem;

const char kUsage[] =
    "usage: bench_batch [--taff2psg PATH] [--recordings N] [--minutes M] [--channels N] [--rounds N]\n"
    "                   [--dir FOLDER] [--out FOLDER] [--keep]\n"
    "defaults: the taff2psg built beside this benchmark, 8 recordings of 60 minutes with 16\n"
    "channels at 200 Hz, 5 rounds, the system's temporary folder (deleted afterwards unless --keep);\n"
    "--out puts the PSG files elsewhere (such as /dev/shm, to leave the disk out)\n";

struct Settings {
    std::string taff2psg;
    int recordings = 8, minutes = 60, channels = 16, rounds = 5;
    std::string dir, out;
    bool keep = false;
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
        else return false;
    }
    if (s.taff2psg.empty()) s.taff2psg = (fs::read_symlink("/proc/self/exe").parent_path() / "../../batch/taff2psg").string();
    if (s.dir.empty()) s.dir = (fs::temp_directory_path() / ("bench_batch_" + std::to_string(getpid()))).string();
    if (s.out.empty()) s.out = s.dir + "/out";
    else s.out += "/bench_batch_out_" + std::to_string(getpid());
    return s.recordings > 0 && s.minutes > 0 && s.channels > 0 && s.rounds > 0;
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

// Converts the archive with `jobs` jobs into an emptied output folder;
// returns the wall and CPU seconds taken (wall negative when taff2psg failed).
Timing ConvertArchive(const Settings& s, int jobs) {
    const std::string& out = s.out;
    fs::remove_all(out);
    fs::create_directories(out);
    const std::string jobText = std::to_string(jobs);
    std::vector<std::string> args = {s.taff2psg, s.dir + "/in", "--out", out, "--all-channels", "--quiet",
                                     "--jobs", jobText};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    Timing t;
    pid_t pid = -1;
    if (posix_spawn(&pid, s.taff2psg.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return t;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    t.cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) t.wall = seconds;
    return t;
}

void PrintLoad(const char* when) {
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) == 3) printf("load average %s: %.2f %.2f %.2f\n", when, load[0], load[1], load[2]);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
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
    std::vector<double> times[2], cpu[2];
    PrintLoad("before");
    for (int round = 0; round < s.rounds; ++round) {
        for (int k = 0; k < 2; ++k) {
            const int jobs = (round % 2 == 0) ? k + 1 : 2 - k;   // 1,2 then 2,1 ...
            const Timing t = ConvertArchive(s, jobs);
            if (t.wall < 0) {
                fprintf(stderr, "bench_batch: %s failed with --jobs %d\n", s.taff2psg.c_str(), jobs);
                return 1;
            }
            times[jobs - 1].push_back(t.wall);
            cpu[jobs - 1].push_back(t.cpu);
            printf("round %d  --jobs %d  %7.3f s  (CPU %.3f s)\n", round + 1, jobs, t.wall, t.cpu);
            fflush(stdout);
        }
    }
    PrintLoad("after");
    const double one = Median(times[0]), two = Median(times[1]);
    printf("\n%-10s %12s %14s %16s %14s\n", "", "median s", "MB/s (source)", "recorded h/s", "median CPU s");
    printf("%-10s %12.3f %14.1f %16.1f %14.3f\n", "--jobs 1", one, bytes / 1e6 / one, hours / one, Median(cpu[0]));
    printf("%-10s %12.3f %14.1f %16.1f %14.3f\n", "--jobs 2", two, bytes / 1e6 / two, hours / two, Median(cpu[1]));
    printf("speed-up of two jobs over one (medians): %.2fx\n", one / two);
    fs::remove_all(s.out);
    if (!s.keep) fs::remove_all(s.dir);
    return 0;
}
