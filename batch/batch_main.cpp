// taff2psg: the batch converter. Reads the command line, the settings and
// the list of recordings, converts the recordings with N jobs at once (one
// thread each, taking the next recording when done), shows progress and a
// summary, and exits 0 when every recording converted, 1 when any failed
// (or, with the night check, a night's verdict reached --check-fail-level),
// 2 on a usage error. Ctrl-C (or a closed terminal, or SIGTERM) asks every
// job to stop: each removes its unfinished temporary file, no further
// recording is started, and the exit status is 128 + the signal.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <thread>
#include <vector>

#include "batch/archive_run.h"
#include "batch/batch_board.h"
#include "batch/batch_job.h"
#include "batch/batch_options.h"
#include "batch/batch_setup.h"
#include "batch/output_files.h"
#include "batch/run_control.h"

namespace {

struct Batch {
    const JobContext& ctx;
    const std::vector<std::string>& headers;
    const std::vector<std::string>& outputs;
    std::vector<JobResult>& results;
    const std::vector<bool>& run;
    BatchBoard& board;
    const ManifestRun& manifest;
    std::atomic<bool>& manifestFailed;
    std::atomic<size_t> next{0};

    void Work() {
        for (size_t i; (i = next++) < headers.size();) {
            if (!run[i]) {
                board.End(i, results[i]);
                continue;
            }
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
    if (!IsFolder(o.outDir)) {
        fprintf(stderr, "taff2psg: output folder %s does not exist\n", o.outDir.c_str());
        return false;
    }
    if (o.dryRun) return true;
    const int error = ProbeWritableFolder(o.outDir);
    if (error != 0) {
        fprintf(stderr, "taff2psg: output folder %s cannot be written: %s\n", o.outDir.c_str(), strerror(error));
        return false;
    }
    return true;
}

// A night whose check verdict reaches --check-fail-level fails the exit status.
bool CheckFailsExit(const BatchOptions& o, const JobResult& r) {
    if (!r.checked || r.checkVerdict.empty() || o.checkFailLevel == "never") return false;
    return r.checkVerdict == "fail" || (o.checkFailLevel == "warn" && r.checkVerdict == "warn");
}

int JobCount(const BatchOptions& o, size_t recordings) {
    int jobs = o.jobs > 0 ? o.jobs : AllowedCpus();
    if (jobs < 1) jobs = 1;
    if (size_t(jobs) > recordings) jobs = int(recordings);
    return jobs < 1 ? 1 : jobs;
}

}  // namespace

int main(int argc, char** argv) {
    BatchOptions options;
    const int parsed = ParseBatchOptions(argc, argv, options, std::cout, std::cerr);
    if (parsed >= 0) return parsed;
    BatchSetup setup;
    std::string error;
    if (!LoadBatchSetup(options, setup, &error)) {
        fprintf(stderr, "taff2psg: %s\n", error.c_str());
        return kExitUsage;
    }
    std::vector<std::string> headers, roots, outputs;
    std::vector<InputProblem> problems;
    if (!CollectRecordings(options, headers, problems, &error, &roots)) {
        fprintf(stderr, "taff2psg: %s\n", error.c_str());
        return kExitUsage;
    }
    if (setup.hasStart && headers.size() + problems.size() != 1) {
        fprintf(stderr, "taff2psg: --start corrects the start of a single recording; %zu were given\n",
                headers.size() + problems.size());
        return kExitUsage;
    }
    if (!PatientFileFitsBatch(options, headers.size() + problems.size(), &error)) {
        fprintf(stderr, "taff2psg: %s\n", error.c_str());
        return kExitUsage;
    }
    if (!PlanOutputs(options, headers, roots, outputs)) return kExitUsage;
    if (!OutputFolderUsable(options)) return kExitSomeFailed;
    if (options.clean) CleanParts(options);
    if (options.clean && options.inputs.empty() && options.listFile.empty()) return kExitConverted;
    ReportStaleParts(options, outputs);

    TaffStartup();
    InstallStopSignals();
    std::vector<JobResult> results(headers.size());
    std::vector<bool> run(headers.size(), true);
    for (size_t i = 0; i < headers.size(); ++i) {
        results[i].header = headers[i];
        results[i].output = outputs[i];
    }

    const bool terminal = isatty(fileno(stderr)) != 0 && !options.quiet && !headers.empty();
    BatchBoard board(headers.size(), terminal, options.quiet, stderr);
    for (const InputProblem& p : problems) fprintf(stderr, "taff2psg: %s: %s\n", p.path.c_str(), p.reason.c_str());
    const JobContext ctx{setup, options, StopRequest()};
    const ManifestRun manifest{SettingsHash(options)};
    std::atomic<bool> manifestFailed{false};
    Batch batch{ctx, headers, outputs, results, run, board, manifest, manifestFailed};
    RunJobs(batch, JobCount(options, headers.size()), terminal);

    for (const InputProblem& p : problems) {
        JobResult r;
        r.header = p.path;
        r.reason = p.reason;
        RecordInManifest(options, manifest, r, manifestFailed);
        results.push_back(r);
    }
    if (!options.quiet) PrintSummary(stdout, results, options.dryRun);
    if (StopSignal() != 0) return StoppedStatus(StopSignal());
    if (manifestFailed.load()) return kExitSomeFailed;
    for (const JobResult& r : results)
        if (!r.Succeeded() || CheckFailsExit(options, r)) return kExitSomeFailed;
    return results.empty() ? kExitSomeFailed : kExitConverted;
}
