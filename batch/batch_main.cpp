// taff2psg: the batch converter. Reads the command line, the settings and
// the list of recordings, converts the recordings with N jobs at once (one
// thread each, taking the next recording when done), shows progress and a
// summary, and exits 0 when every recording converted, 1 when any failed
// (or, with the night check, a night's verdict reached --check-fail-level),
// 2 on a usage error. Ctrl-C (or a closed terminal, or SIGTERM) asks every
// job to stop: each removes its unfinished temporary file, no further
// recording is started, and the exit status is 128 + the signal.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "batch/archive_report.h"
#include "batch/archive_run.h"
#include "batch/batch_board.h"
#include "batch/batch_job.h"
#include "batch/batch_options.h"
#include "batch/batch_setup.h"
#include "batch/run_control.h"
#include "filekit/filekit.h"

namespace {

struct Batch {
    const JobContext& ctx;
    const std::vector<std::string>& headers;
    const std::vector<std::string>& outputs;
    std::vector<JobResult>& results;
    BatchBoard& board;
    const ManifestRun& manifest;
    std::atomic<bool>& manifestFailed;
    std::atomic<size_t> next{0};

    void Work() {
        for (size_t i; (i = next++) < headers.size();) {
            if (ctx.stop.load()) {
                results[i].interrupted = true;
                results[i].reason = "not started (interrupted)";
                continue;
            }
            board.Begin(i, headers[i]);
            results[i] = ConvertRecording(ctx, headers[i], outputs[i], board.Progress(i));
            RecordInManifest(ctx.options, manifest, results[i], manifestFailed);
            board.End(i, results[i]);
        }
    }
};

void RunJobs(Batch& batch, int jobs, bool terminal) {
    std::vector<std::thread> threads;
    for (int n = 0; n < jobs; ++n) threads.emplace_back([&batch] { batch.Work(); });
    std::atomic<bool> done{false};
    std::thread drawer;
    if (terminal) {
        drawer = std::thread([&] {
            while (!done.load()) {
                batch.board.Draw();
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
            }
        });
    }
    for (std::thread& t : threads) t.join();
    done = true;
    if (drawer.joinable()) drawer.join();
    batch.board.Finish();
}

// Checks the output folder before anything is converted.
bool OutputFolderUsable(const BatchOptions& o) {
    if (o.dryRun) return true;
    const int error = ProbeWritableFolder(o.outDir);
    // A rerun that skips what is done writes nothing for a finished tree, so
    // a tree mounted read-only is no obstacle: a recording that still needs
    // writing fails with its own reason.
    if (error != 0 && !o.skipExisting) {
        fprintf(stderr, "taff2psg: output folder %s cannot be written: %s\n", o.outDir.c_str(), strerror(error));
        return false;
    }
    return true;
}

// A night whose check verdict reaches --check-fail-level fails the exit
// status: with --check or --check-only, converted or skipped alike (a check
// a run without them carries into the manifest is not asked for).
bool CheckFailsExit(const BatchOptions& o, const JobResult& r) {
    if (!(o.check || o.checkOnly)) return false;
    if (!r.checked || r.checkVerdict.empty() || o.checkFailLevel == "never") return false;
    return r.checkVerdict == "fail" || (o.checkFailLevel == "warn" && r.checkVerdict == "warn");
}

int JobCount(const BatchOptions& o, size_t recordings) {
    int jobs = o.jobs > 0 ? o.jobs : AllowedCpus();
    if (jobs < 1) jobs = 1;
    if (size_t(jobs) > recordings) jobs = int(recordings);
    return jobs < 1 ? 1 : jobs;
}

// The recordings of a run and where each goes.
struct RunPlan {
    std::vector<std::string> headers, roots, outputs;
    std::vector<InputProblem> problems;
};

int Refuse(const std::string& error, int status) {
    fprintf(stderr, "taff2psg: %s\n", error.c_str());
    return status;
}

// Reads the settings and the recordings, plans the outputs and checks the
// output folder: -1 when the run goes on, otherwise the exit status.
int PrepareRun(const BatchOptions& options, BatchSetup& setup, RunPlan& plan) {
    std::string error;
    if (!LoadBatchSetup(options, setup, &error)) return Refuse(error, kExitUsage);
    if (!CollectRecordings(options, plan.headers, plan.problems, &error, &plan.roots))
        return Refuse(error, kExitUsage);
    const size_t named = plan.headers.size() + plan.problems.size();
    if (setup.hasStart && named != 1)
        return Refuse("--start corrects the start of a single recording; " + std::to_string(named) + " were given",
                      kExitUsage);
    if (!PatientFileFitsBatch(options, named, &error)) return Refuse(error, kExitUsage);
    PlanOutputs(options, plan.headers, plan.roots, plan.outputs, plan.problems);
    if (!IsFolder(options.outDir)) return Refuse("output folder " + options.outDir + " does not exist", kExitUsage);
    if (!OutputFolderUsable(options)) return kExitSomeFailed;
    if (options.clean) CleanParts(options);
    if (options.clean && options.inputs.empty() && options.listFile.empty()) return kExitConverted;
    ReportStaleParts(options, plan.outputs);
    return -1;
}

// Converts every planned recording with the progress board; the results of
// the recordings, then those of the inputs that were no recording.
std::vector<JobResult> ConvertAll(const BatchOptions& options, const BatchSetup& setup, const RunPlan& plan,
                                  std::atomic<bool>& manifestFailed) {
    std::vector<JobResult> results(plan.headers.size());
    for (size_t i = 0; i < plan.headers.size(); ++i) {
        results[i].header = plan.headers[i];
        results[i].output = plan.outputs[i];
    }
    const bool terminal = StreamIsTerminal(stderr) && !options.quiet && !plan.headers.empty();
    BatchBoard board(plan.headers.size(), terminal, options.quiet, stderr);
    for (const InputProblem& p : plan.problems)
        fprintf(stderr, "taff2psg: %s: %s\n", p.path.c_str(), p.reason.c_str());
    // A rerun takes the hashes of files unchanged since their last line.
    const bool rerun = !options.manifest.empty() && !options.dryRun && options.skipExisting;
    const ManifestRun manifest{SettingsHash(options),
                               rerun ? ReadKnownHashes(options.manifest, plan.headers) : KnownHashes()};
    const int jobs = JobCount(options, plan.headers.size());
    const int32_t checkThreads = options.checkThreads > 0 ? options.checkThreads : std::max(1, AllowedCpus() / jobs);
    const JobContext ctx{setup, options, StopRequest(), manifest.settingsHash, &manifest.known, checkThreads};
    Batch batch{ctx, plan.headers, plan.outputs, results, board, manifest, manifestFailed};
    RunJobs(batch, jobs, terminal);
    for (const InputProblem& p : plan.problems) {
        JobResult r;
        r.header = p.path;
        r.reason = p.reason;
        RecordInManifest(options, manifest, r, manifestFailed);
        results.push_back(r);
    }
    return results;
}

int ExitStatus(const BatchOptions& options, const std::vector<JobResult>& results, bool manifestFailed) {
    if (StopSignal() != 0) return StoppedStatus(StopSignal());
    if (manifestFailed) return kExitSomeFailed;
    for (const JobResult& r : results)
        if (!r.Succeeded() || CheckFailsExit(options, r)) return kExitSomeFailed;
    return results.empty() ? kExitSomeFailed : kExitConverted;
}

}  // namespace

int main(int argc, char** argv) {
    BatchOptions options;
    const int parsed = ParseBatchOptions(argc, argv, options, std::cout, std::cerr);
    if (parsed >= 0) return parsed;
    const bool reportOnly = options.archiveReport && options.inputs.empty() && options.listFile.empty() && !options.clean;
    if (reportOnly) {
        if (!IsFolder(options.outDir)) return Refuse("output folder " + options.outDir + " does not exist", kExitUsage);
        return WriteArchiveReport(options);
    }
    BatchSetup setup;
    RunPlan plan;
    const int refused = PrepareRun(options, setup, plan);
    if (refused >= 0) return refused;
    TaffStartup();
    InstallStopSignals();
    std::atomic<bool> manifestFailed{false};
    const std::vector<JobResult> results = ConvertAll(options, setup, plan, manifestFailed);
    if (!options.quiet) {
        PrintSummary(stdout, results, options.dryRun);
        printf("%s\n", IdentitySummary(options, setup.settings).c_str());
        fflush(stdout);
    }
    const int status = ExitStatus(options, results, manifestFailed.load());
    if (options.archiveReport && StopSignal() == 0 && WriteArchiveReport(options) != kExitConverted) return kExitSomeFailed;
    return status;
}
