// The archive promises under crashes: taff2psg (--skip-existing --manifest
// --verify) over a small archive in year/patient folders, killed with
// SIGKILL at a random moment, sometimes with the file size limited at a
// random size (a full disk as the process meets it: writes past the limit
// fail), sometimes two runs at once, then run again to completion. After
// every disturbed run and every completion:
//  1. no file of the archive changed (SHA-256 of each);
//  2. every output under its final name equals the output of an
//     undisturbed run, byte for byte;
//  3. every manifest line is one whole JSON object of the manifest's form;
//  4. the last line of each recording agrees with the disk: a "converted"
//     or "skipped" line names the file's hash and size;
//  5. every check file under its final name is whole and belongs to the
//     PSG file beside it (its size and hash) and to the report beside it
//     (its hash), and judges as the undisturbed run's check does;
// and after every completion every recording is done (its last line
// "converted" or "skipped", its output in place), and after a completion
// with --check every night has both check files, its last line their
// verdict. Rounds run with --check or without it over one output tree, and
// with --check and NIGHTCHECK Annotations=1 (the findings written into the
// PSG file, checked before converting) over another.
// CRASH_ROUNDS (default 16, under a minute here), CRASH_SEED and
// CRASH_TAFF2PSG (another build, such as a release build for thousands of
// rounds) set a longer run; it prints its rounds and checks.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <regex>
#include <thread>

#include <gtest/gtest.h>

#include "batch/json_value.h"
#include "batch_test_support.h"
#include "filekit/sha256.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Counts {
    long rounds = 0, runs = 0, kills = 0, limited = 0, pairs = 0, archiveFiles = 0, outputs = 0, lines = 0,
         lastLines = 0, done = 0, checkRounds = 0, noteRounds = 0, checkFiles = 0, checkedNights = 0,
         betweenKills = 0;
};

std::string Env(const char* name, const std::string& fallback) {
    const char* v = getenv(name);
    return v && *v ? v : fallback;
}

std::string Hash(const std::string& path) {
    std::string hex;
    return Sha256OfFile(path, hex) ? hex : "";
}

// One taff2psg process: its pid, started with an optional file size limit.
pid_t Start(const std::string& program, const std::vector<std::string>& args, long limit, const std::string& log) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    signal(SIGXFSZ, SIG_IGN);   // a write past the limit fails (EFBIG) instead of ending the process
    if (limit > 0) {
        const rlimit r{rlim_t(limit), rlim_t(limit)};
        setrlimit(RLIMIT_FSIZE, &r);
    }
    if (!freopen(log.c_str(), "w", stderr) || !freopen("/dev/null", "w", stdout)) _exit(120);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(121);
}

// Whether a check file is being written below `folder`: its temporary file
// ("NIGHT1.check.html.<pid>-<n>.part") is there, its PSG file placed.
bool CheckBeingPlaced(const std::string& folder) {
    std::error_code e;
    for (fs::recursive_directory_iterator it(folder, e), end; !e && it != end; it.increment(e)) {
        const std::string name = it->path().filename().string();
        if (name.find(".check.") != std::string::npos && name.size() > 5 && name.compare(name.size() - 5, 5, ".part") == 0)
            return true;
    }
    return false;
}

// Waits for `pid`, killing it at `killAt` when that comes first, or (with
// `checkIn`) the moment a check file is being written below that folder
// (and in any case after a minute, which fails the test). The exit status
// or 128+signal.
int Finish(pid_t pid, Clock::time_point killAt, bool kill, const std::string& checkIn = "") {
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(60);
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        const Clock::time_point now = Clock::now();
        if ((kill && (checkIn.empty() ? now >= killAt : CheckBeingPlaced(checkIn))) || now >= deadline) {
            ::kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            EXPECT_LT(now, deadline) << "taff2psg did not end within a minute";
            return 128 + SIGKILL;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// The check file's text from "complete" on: what it judged, without the
// paths and hashes that tie it to its place.
std::string Judged(const std::string& json) {
    const size_t at = json.find("\"complete\":");
    return at == std::string::npos ? "" : json.substr(at);
}

std::string CheckJsonOf(const std::string& output) { return output.substr(0, output.size() - 4) + ".check.json"; }
std::string CheckHtmlOf(const std::string& output) { return output.substr(0, output.size() - 4) + ".check.html"; }

// One output tree: plain (rounds with or without --check), or made with
// NIGHTCHECK Annotations=1 (always --check).
struct Tree {
    bool notes = false;
    std::string out, ref, manifest;
    std::vector<std::string> outputs, reference, referenceChecks;
};

class CrashArchive {
public:
    CrashArchive() : rng_(uint32_t(std::stoul(Env("CRASH_SEED", "29")))) {}

    void Make() {
        const char* folders[] = {"2025/01/p01", "2025/01/p02", "2025/02/p01", "2026/07/p03"};
        WriteFile(settings_, "[SYSTEM]\r\nFrameTime=1\r\n[NIGHTCHECK]\r\nAnnotations=1\r\n");
        trees_[0].out = tmp_.File("psg"), trees_[1].out = tmp_.File("psg-notes");
        trees_[1].notes = true;
        for (Tree& t : trees_) {
            t.ref = t.out + "-ref";
            t.manifest = t.out + "/manifest.jsonl";
        }
        for (int n = 0; n < 7; ++n) {
            TaffGenOptions o = ShortRecording(20 + 13 * n, 3 + n % 4);
            o.seed = uint32_t(n + 1);
            const std::string dir = in_ + "/" + folders[n % 4];
            fs::create_directories(dir);
            const std::string header = dir + "/NIGHT" + std::to_string(n) + ".HDR";
            MakeRecording(o, header);
            headers_.push_back(header);
            for (Tree& t : trees_) t.outputs.push_back(t.out + "/" + folders[n % 4] + "/NIGHT" + std::to_string(n) + ".DAT");
        }
        for (const auto& e : fs::recursive_directory_iterator(in_))
            if (e.is_regular_file()) archive_[e.path().string()] = Hash(e.path().string());
        // The outputs and checks of an undisturbed run, to compare every later one with.
        for (Tree& t : trees_) {
            fs::create_directories(t.ref);
            std::vector<std::string> args = {in_, "-r", "--out", t.ref, "-q", "-j", "1", "--check", "--check-fail-level",
                                             "never"};
            if (t.notes) args.insert(args.end(), {"--settings", settings_, "--all-channels"});
            const Clock::time_point t0 = Clock::now();
            ASSERT_EQ(0, Finish(Start(program_, args, 0, tmp_.File("ref.log")), Clock::time_point(), false))
                << ReadFile(tmp_.File("ref.log"));
            runTime_ = std::max(runTime_, Clock::now() - t0);
            for (const std::string& output : t.outputs) {
                const std::string ref = t.ref + output.substr(t.out.size());
                t.reference.push_back(ReadFile(ref));
                t.referenceChecks.push_back(Judged(ReadFile(CheckJsonOf(ref))));
            }
            fs::create_directories(t.out);
        }
    }

    void Round(Counts& c) {
        Tree& t = trees_[rng_() % 3 == 0 ? 1 : 0];
        const bool check = t.notes || rng_() % 2;
        c.checkRounds += check;
        c.noteRounds += t.notes;
        // A long run starts a new manifest now and then, so that reading it
        // back stays quick.
        if (c.rounds > 0 && c.rounds % 50 == 0)
            t.manifest = t.out + "/manifest-" + std::to_string(c.rounds) + ".jsonl";
        // Work left: some outputs (or only their checks) removed: none, some or all.
        const int remove = int(rng_() % 3);
        for (const std::string& o : t.outputs) {
            if (!(remove == 2 || (remove == 1 && rng_() % 2))) continue;
            const int what = int(rng_() % 4);
            if (what != 1) fs::remove(o);
            if (what == 1 || what == 2) fs::remove(CheckJsonOf(o));
            if (what == 3) fs::remove(CheckHtmlOf(o));
        }
        const int kind = int(rng_() % 8);
        const bool two = kind >= 5;
        const bool limit = kind == 2 || kind == 3 || kind == 7;
        std::vector<pid_t> pids;
        std::vector<Clock::time_point> kills;
        for (int p = 0; p < (two ? 2 : 1); ++p) {
            // The disk fills within an output, within a check file, or just
            // as the manifest's next lines are appended.
            const long manifest = fs::exists(t.manifest) ? long(fs::file_size(t.manifest)) : 0;
            const int where = int(rng_() % 3);
            const long size = !limit ? 0
                              : where == 0 ? long(1024 + rng_() % 60000)
                              : where == 1 ? long(1024 + rng_() % 12000)
                                           : manifest + long(1 + rng_() % 3000);
            pids.push_back(Start(program_, Args(t, check, p), size, tmp_.File("run" + std::to_string(p) + ".log")));
            const auto delay = std::chrono::duration_cast<Clock::duration>(runTime_ * 1.5 * double(rng_() % 1000) / 1000.0);
            kills.push_back(Clock::now() + delay);
            c.limited += limit;
        }
        // Some runs with the check are killed the moment a check is written,
        // between the PSG file placed and its check files.
        const bool betweenFiles = check && rng_() % 3 == 0;
        for (size_t p = 0; p < pids.size(); ++p) {
            const bool kill = rng_() % 5 != 0;
            const int status = Finish(pids[p], kills[p], kill, betweenFiles && p == 0 ? t.out : "");
            c.kills += status == 128 + SIGKILL;
            c.betweenKills += status == 128 + SIGKILL && kill && betweenFiles && p == 0;
            ++c.runs;
        }
        c.pairs += two;
        Check(t, c, false, false);
        // Then to completion.
        const int status = Finish(Start(program_, Args(t, check, 0), 0, tmp_.File("last.log")), Clock::time_point(), false);
        ++c.runs;
        EXPECT_EQ(0, status) << ReadFile(tmp_.File("last.log"));
        Check(t, c, true, check);
        ++c.rounds;
    }

    void Clean() {
        for (const Tree& t : trees_) {
            EXPECT_EQ(0, Finish(Start(program_, {"--clean", "--out", t.out}, 0, tmp_.File("clean.log")),
                                Clock::time_point(), false));
            for (const auto& e : fs::recursive_directory_iterator(t.out)) {
                const std::string name = e.path().filename().string();
                EXPECT_EQ(std::string::npos, name.find(".part")) << e.path();
                EXPECT_EQ(std::string::npos, name.find(".claim")) << e.path();
            }
        }
    }

    std::string program_ = Env("CRASH_TAFF2PSG", TAFF2PSG);

private:
    std::vector<std::string> Args(const Tree& t, bool check, int p) const {
        std::vector<std::string> args = {in_, "-r", "--out", t.out, "--skip-existing", "--manifest", t.manifest,
                                         "--verify", "-q", "-j", p == 0 ? "2" : "1"};
        if (check) args.insert(args.end(), {"--check", "--check-fail-level", "never"});
        if (t.notes) args.insert(args.end(), {"--settings", settings_, "--all-channels"});
        return args;
    }

    // A check file in place is whole, names the PSG file beside it and the
    // report beside it, and judges as the undisturbed run's check. True
    // when it is there.
    bool CheckBelongs(const Tree& t, size_t i, bool strict, Counts& c) {
        const std::string json = CheckJsonOf(t.outputs[i]), html = CheckHtmlOf(t.outputs[i]);
        if (!fs::exists(json)) return false;
        const std::string text = ReadFile(json);
        JsonValue check;
        EXPECT_TRUE(ParseJson(text, check)) << "a torn check file: " << json;
        EXPECT_EQ(t.referenceChecks[i], Judged(text)) << json;
        // A report this test removed is made again by the next run with --check.
        if (fs::exists(html)) EXPECT_EQ(Hash(html), check["report_sha256"].Text()) << "a report of another check: " << html;
        else EXPECT_FALSE(strict) << "a check file without its report after a completed run: " << json;
        if (fs::exists(t.outputs[i])) {
            EXPECT_EQ(Hash(t.outputs[i]), check["output_sha256"].Text()) << "a check of another PSG file: " << json;
            EXPECT_EQ(double(fs::file_size(t.outputs[i])), check["output_bytes"].NumberOr(-1)) << json;
        }
        ++c.checkFiles;
        return true;
    }

    void Check(const Tree& t, Counts& c, bool complete, bool checked) {
        for (const auto& f : archive_) {
            ASSERT_EQ(f.second, Hash(f.first)) << "the archive's file changed: " << f.first;
            ++c.archiveFiles;
        }
        std::vector<bool> hasCheck(t.outputs.size(), false);
        for (size_t i = 0; i < t.outputs.size(); ++i) {
            hasCheck[i] = CheckBelongs(t, i, complete && checked, c);
            if (!fs::exists(t.outputs[i])) {
                EXPECT_FALSE(complete) << t.outputs[i] << " missing after a completed run";
                continue;
            }
            ASSERT_TRUE(ReadFile(t.outputs[i]) == t.reference[i]) << t.outputs[i] << " differs from the undisturbed output";
            EXPECT_TRUE(hasCheck[i] || !checked) << t.outputs[i] << " without its check after a completed run";
            ++c.outputs;
        }
        // Whole lines of the manifest's form; the last of each recording.
        static const std::regex line(
            "\\{\"input\":\"((?:[^\"\\\\]|\\\\.)*)\",\"output\":\"(?:[^\"\\\\]|\\\\.)*\",\"result\":\"([a-z]+)\","
            "\"reason\":\"(?:[^\"\\\\]|\\\\.)*\",\"channels\":\\d+,\"records\":\\d+,\"bytes\":(\\d+|null),"
            "\"data_sha256\":(?:\"[0-9a-f]{64}\"|null),\"output_sha256\":(\"[0-9a-f]{64}\"|null),"
            "\"converter_version\":\"[0-9.]+\",\"settings_sha256\":\"[0-9a-f]{64}\",\"seconds\":(?:\\d+|null),"
            "\"patient_id\":null,\"start\":(?:\"[0-9T:-]{19}\"|null),\"recorder\":\\{[^{}]*\\}"
            ",\"data_bytes\":(?:\\d+|null),\"data_modified\":(?:\"[0-9T:.Z-]+\"|null),"
            "\"output_modified\":(?:\"[0-9T:.Z-]+\"|null)"
            "(,\"check\":\\{\"verdict\":\"([a-z]+)\".*\\})?\\}");
        const std::string text = ReadFile(t.manifest);
        std::vector<std::string> lines;
        for (size_t at = 0; at < text.size();) {
            const size_t end = text.find('\n', at);
            ASSERT_NE(std::string::npos, end) << "the manifest ends in a cut line";
            lines.push_back(text.substr(at, end - at));
            at = end + 1;
        }
        std::map<std::string, std::string> lastResult, lastBytes, lastHash, lastVerdict;
        for (const std::string& l : lines) {
            std::smatch m;
            JsonValue whole;
            ASSERT_TRUE(std::regex_match(l, m, line) && ParseJson(l, whole)) << "not a manifest line: " << l;
            lastResult[m[1]] = m[2];
            lastBytes[m[1]] = m[3];
            lastHash[m[1]] = m[4];
            lastVerdict[m[1]] = m[6];
            ++c.lines;
        }
        for (size_t i = 0; i < headers_.size(); ++i) {
            const auto r = lastResult.find(headers_[i]);
            if (r == lastResult.end()) {
                EXPECT_FALSE(complete) << headers_[i] << " has no line after a completed run";
                continue;
            }
            ++c.lastLines;
            const bool done = r->second == "converted" || r->second == "skipped";
            EXPECT_TRUE(done || !complete) << headers_[i] << ": " << r->second;
            if (!done) continue;
            // A line saying done names the file in place; a later run may
            // have removed it (this test does), never changed it.
            if (!fs::exists(t.outputs[i])) continue;
            EXPECT_EQ("\"" + Hash(t.outputs[i]) + "\"", lastHash[headers_[i]]) << headers_[i];
            EXPECT_EQ(std::to_string(fs::file_size(t.outputs[i])), lastBytes[headers_[i]]) << headers_[i];
            c.done += complete;
            if (!checked || !hasCheck[i]) continue;
            // After a completion with --check the last line carries the check in place.
            JsonValue check;
            ParseJson(ReadFile(CheckJsonOf(t.outputs[i])), check);
            EXPECT_EQ(check["verdict"].Text(), lastVerdict[headers_[i]]) << headers_[i];
            c.checkedNights += complete;
        }
    }

    TempDir tmp_;
    std::mt19937 rng_;
    std::string in_ = tmp_.File("archive"), settings_ = tmp_.File("MORLEX.INI");
    Tree trees_[2];
    std::vector<std::string> headers_;
    std::map<std::string, std::string> archive_;
    Clock::duration runTime_{};
};

TEST(CrashTest, KilledFullAndDoubledRunsKeepEveryPromise) {
    CrashArchive archive;
    ASSERT_NO_FATAL_FAILURE(archive.Make());
    const long rounds = std::stol(Env("CRASH_ROUNDS", "16"));
    Counts c;
    for (long n = 0; n < rounds && !HasFailure(); ++n) archive.Round(c);
    archive.Clean();
    printf("crash test: %ld rounds (%ld with --check, %ld of them with the findings in the PSG file, %ld runs killed "
           "as a check was written), %ld runs of taff2psg (%ld killed, %ld with a full disk, %ld rounds of two at once);\n"
           "checked %ld archive file hashes, %ld outputs byte for byte, %ld check files, %ld manifest lines, "
           "%ld last lines (%ld done after completion, %ld of them with their check)\n",
           c.rounds, c.checkRounds, c.noteRounds, c.betweenKills, c.runs, c.kills, c.limited, c.pairs, c.archiveFiles,
           c.outputs,
           c.checkFiles, c.lines, c.lastLines, c.done, c.checkedNights);
    EXPECT_EQ(rounds, c.rounds);
}

}  // namespace
