// The background night check; see check_runner.h. One worker at a time:
// its job (the copies it checks from, its stop flag and its result) belongs
// to the worker until it posts WM_CHECK_DONE or is joined, and to the main
// thread after that. A job's serial tells a late notice of a stopped check
// from the current one's.
#include "check/check_runner.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <thread>

#include "engine/check_follow.h"
#include "engine/epoch_values.h"
#include "pagekit/held_check.h"
#include "pagekit/profile.h"
#include "pagekit/program.h"
#include "resources/resource_ids.h"
#include "taffread/taffread.h"
#include "textkit/sjis_text.h"

namespace {

struct CheckJob {
    HWND notify = nullptr;
    uint32_t serial = 0;
    SourceInfo source;
    MontagePattern pattern;
    TracePlan plan;
    uint32_t mask = 0xFFFFFFFFu;    // the traces checked; all: a whole check
    CheckRuleSet rules;
    std::atomic<bool> stop{false};
    int lastPerMille = -1;          // the worker's last progress notice
    NightCheckResult result;        // the worker's, until it is done
};

}  // namespace

struct CheckRunner {
    std::thread worker;
    std::unique_ptr<CheckJob> job;  // the job running or last run
    uint32_t serial = 0;
    // What the held check belongs to: the recording (its path and the
    // record's handle on it) and the pattern and plan the traces follow.
    bool taken = false;
    char path[kPathSize] = "";
    TaffHandle handle = nullptr;
    MontagePattern pattern;
    TracePlan plan;
};

namespace {

void Progress(void* context, double done) {
    CheckJob& job = *static_cast<CheckJob*>(context);
    const int perMille = static_cast<int>(done * 1000.0);
    if (perMille / 10 == job.lastPerMille / 10) return;   // a notice per per cent
    job.lastPerMille = perMille;
    PostMessageA(job.notify, WM_CHECK_PROGRESS, static_cast<WPARAM>(perMille), static_cast<LPARAM>(job.serial));
}

// The worker: its own reader handle, the check, the notice.
void RunJob(CheckJob* job) {
    TaffHandle reader = TaffOpen(job->source.sourcePath, 0);
    CheckControl control;
    control.stop = &job->stop;
    control.progress = Progress;
    control.context = job;
    control.traceMask = job->mask;
    CheckNight(reader, job->source, job->pattern, job->rules, control, &job->result);
    if (reader) TaffClose(reader);
    PostMessageA(job->notify, WM_CHECK_DONE, 0, static_cast<LPARAM>(job->serial));
}

void Join(CheckRunner& r) {
    if (r.worker.joinable()) r.worker.join();
}

void Touch(HeldCheck& held) { ++held.serial; }

// Starts a check of `mask` traces of the record's recording and pattern.
void Start(CheckRunner& r, HWND mainWindow, ConverterState& state, const TracePlan& plan, uint32_t mask,
           const CheckRuleSet& rules) {
    std::unique_ptr<CheckJob> job(new CheckJob);
    job->notify = mainWindow;
    job->serial = ++r.serial;
    memcpy(&job->source, &state.source, sizeof job->source);
    memcpy(&job->pattern, &CurrentPattern(state), sizeof job->pattern);
    job->plan = plan;
    job->mask = mask;
    job->rules = rules;
    r.job = std::move(job);
    r.worker = std::thread(RunJob, r.job.get());
    HeldCheck& held = *state.check;
    held.running = true;
    held.stopped = false;
    held.done = 0;
    Touch(held);
}

// Forgets the held check (no recording, or another one).
void Forget(CheckRunner& r, HeldCheck& held) {
    r.taken = false;
    held.result = NightCheckResult();
    held.valid = false;
    ++held.resultSerial;
    held.running = false;
    held.done = 0;
    Touch(held);
}

// Takes the record's recording and pattern as what the held check belongs to.
void TakeRecord(CheckRunner& r, const ConverterState& state, const TracePlan& plan) {
    r.taken = true;
    CopyText(r.path, sizeof r.path, state.source.sourcePath);
    r.handle = state.source.sourceHandle;
    memcpy(&r.pattern, &CurrentPattern(state), sizeof r.pattern);
    r.plan = plan;
}

}  // namespace

CheckRunner* NewCheckRunner() { return new (std::nothrow) CheckRunner; }

void DeleteCheckRunner(CheckRunner* runner) {
    if (!runner) return;
    if (runner->job) runner->job->stop = true;
    Join(*runner);
    delete runner;
}

bool StopCheck(CheckRunner& r, HeldCheck& held) {
    if (!r.worker.joinable()) return false;
    if (r.job) r.job->stop = true;
    Join(r);
    ++r.serial;     // its notices still queued are stale now
    const bool wasRunning = held.running;
    held.running = false;
    held.stopped = wasRunning;
    if (wasRunning) {
        held.result.complete = false;
        ++held.resultSerial;
    }
    Touch(held);
    return wasRunning;
}

bool FollowCheck(CheckRunner& r, HWND mainWindow, ConverterState& state, const char* settingsPath) {
    HeldCheck& held = *state.check;
    if (state.source.sourceKind != kSourceTaff) {
        if (!r.taken && !r.worker.joinable()) return false;
        StopCheck(r, held);
        Forget(r, held);
        return true;
    }
    TracePlan plan;
    PlanTraces(state.source, CurrentPattern(state), &plan, state.settings.TCType != 0);
    const bool sameRecording =
        r.taken && r.handle == state.source.sourceHandle && strcmp(r.path, state.source.sourcePath) == 0;
    if (sameRecording && memcmp(&r.pattern, &CurrentPattern(state), sizeof r.pattern) == 0) return false;
    const bool partial = sameRecording && held.valid && held.result.complete && !held.running;
    const CheckRuleSet rules = LoadCheckRuleSet(PrivateProfile(settingsPath));
    if (!partial) {
        // Another recording, or the pattern changed while a check ran: the
        // whole night again.
        StopCheck(r, held);
        Forget(r, held);
        TakeRecord(r, state, plan);
        Start(r, mainWindow, state, plan, 0xFFFFFFFFu, rules);
        return true;
    }
    // The same recording, a montage change: the untouched channels keep
    // their findings at once (relabelled, moved to their new places), the
    // touched ones are checked again.
    const uint32_t mask = TouchedTraces(r.plan, r.pattern, plan, CurrentPattern(state));
    NightCheckResult none;
    none.complete = true;
    held.result = MergeRecheck(held.result, r.plan, none, plan, mask, rules);
    ++held.resultSerial;
    TakeRecord(r, state, plan);
    Touch(held);
    if (mask) Start(r, mainWindow, state, plan, mask, rules);
    return true;
}

bool OnCheckProgress(CheckRunner& r, HeldCheck& held, WPARAM perMille, LPARAM serial) {
    if (static_cast<uint32_t>(serial) != r.serial) return false;
    held.done = static_cast<double>(perMille) / 1000.0;
    Touch(held);
    return true;
}

bool OnCheckDone(CheckRunner& r, HeldCheck& held, LPARAM serial) {
    if (static_cast<uint32_t>(serial) != r.serial || !r.job) return false;
    Join(r);
    CheckJob& job = *r.job;
    if (job.mask == 0xFFFFFFFFu) held.result = std::move(job.result);
    else held.result = MergeRecheck(held.result, job.plan, job.result, job.plan, job.mask, job.rules);
    held.valid = true;
    ++held.resultSerial;
    held.running = false;
    held.done = held.result.complete ? 1.0 : held.done;
    Touch(held);
    return true;
}

std::string CheckProgressText(const HeldCheck& held) {
    if (held.running) {
        char line[160];
        snprintf(line, sizeof line, ProgramText(IDS_CHECK_RUNNING).c_str(), static_cast<int>(held.done * 100.0));
        return line;
    }
    return held.stopped ? ProgramText(IDS_CHECK_STOPPED) : std::string();
}

std::string CheckVerdictText(const HeldCheck& held) {
    if (!held.valid || !held.result.complete) return "";
    const int ids[] = {IDS_CHECK_PASS, IDS_CHECK_WARN, IDS_CHECK_FAIL};
    const int v = static_cast<int>(held.result.verdict);
    char line[320];
    snprintf(line, sizeof line, ProgramText(ids[v >= 0 && v < 3 ? v : 2]).c_str(), held.result.rule.c_str());
    return line;
}

void CheckStatusText(const HeldCheck& held, char* out, size_t size) {
    const std::string progress = CheckProgressText(held);
    CopyText(out, size, (progress.empty() ? CheckVerdictText(held) : progress).c_str());
}
