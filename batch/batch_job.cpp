// One recording of a batch; see batch_job.h.
#include "batch/batch_job.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "batch/output_files.h"
#include "batch/output_tree.h"
#include "batch/psg_verify.h"
#include "engine/block_memory.h"
#include "engine/check_report.h"
#include "engine/output_check.h"
#include "engine/output_name.h"
#include "engine/patient_rules.h"
#include "engine/recording.h"
#include "engine/run_checks.h"
#include "textkit/sjis_text.h"

namespace {

std::string ErrorText(int error) { return error ? strerror(error) : "the writer reported a failure"; }

// A temporary name beside the output, unique to this process and job: it
// never looks like a finished PSG file.
std::string TemporaryNameFor(const std::string& output) {
    static std::atomic<int> serial{0};
    char suffix[48];
    snprintf(suffix, sizeof suffix, ".%ld-%d.part", long(getpid()), ++serial);
    return output + suffix;
}

// With --skip-existing: a whole output is done (skipped); an unfinished one
// is converted again and replaced.
bool ExistingOutputAllowed(const std::string& output, JobResult& result) {
    if (IsFolder(output)) {
        result.reason = "output " + output + " is a folder";
        return false;
    }
    if (!PsgFileIsWhole(output)) return true;
    result.skipped = true;
    result.converted = true;
    result.bytes = FileBytes(output);
    result.reason = "already done";
    return false;
}

// Refuses an output that is, or would overwrite, the recording's own files,
// and an existing output unless replacing is asked for.
bool OutputAllowed(const JobContext& ctx, const std::string& header, const std::string& output, JobResult& result) {
    if (CheckOutputPath(output.c_str(), header.c_str()) != kOutputPathOk) {
        result.reason = "output " + output + " would overwrite the recording's own files";
        return false;
    }
    for (const std::string& file : RecordingFilesOf(header)) {
        if (SameFile(output, file)) {
            result.reason = "output " + output + " is the recording's file " + file;
            return false;
        }
    }
    if (PathExists(output) && ctx.options.skipExisting) return ExistingOutputAllowed(output, result);
    if (PathExists(output) && !ctx.options.overwrite) {
        result.reason = "output " + output + " exists (--overwrite replaces it, --skip-existing counts it as done)";
        return false;
    }
    return true;
}

// Why the reader refused the header file.
std::string WhyNotRecording(const std::string& header) {
    FILE* file = fopen(header.c_str(), "rb");
    if (!file) return "cannot be read: " + ErrorText(errno);
    fclose(file);
    int besides = 0;
    for (const std::string& f : RecordingFilesOf(header))
        if (!HasExtension(f, "INF") && !SameFile(f, header)) ++besides;
    if (besides == 0) return "not a recording: no data file beside the header";
    return "not a recording: the header or its data file cannot be read as TAFFmat";
}

// The montage of the job: the pattern's entries, switched on as the pattern
// says for the recording's channels (or all of them with --all-channels);
// the open code has already switched off the entries beyond them.
void ApplyMontage(const JobContext& ctx, JobRecords& r) {
    if (ctx.options.allChannels) return;
    for (int j = 0; j < kChannelEntries && j < r.source.channelCount; ++j)
        r.pattern.channels[j].enabled = ctx.setup.pattern.channels[j].enabled;
}

void ApplyStartAndComment(const JobContext& ctx, JobRecords& r) {
    if (ctx.setup.hasStart) {
        int32_t* const start[6] = {&r.source.startYear, &r.source.startMonth, &r.source.startDay,
                                   &r.source.startHour, &r.source.startMinute, &r.source.startSecond};
        for (int n = 0; n < 6; ++n) *start[n] = ctx.setup.start[n];
    }
    CopyText(r.conv.recordingComment, sizeof r.conv.recordingComment, ctx.setup.comment.c_str());
}

// A pattern of the settings file that switches on a channel the recording
// does not have was made for another recording: refused with the channels
// named. The built-in pattern (no settings file) and --all-channels are
// fitted to each recording instead.
bool PatternFitsRecording(const JobContext& ctx, const JobRecords& r, JobResult& result) {
    if (ctx.options.allChannels || ctx.options.settingsFile.empty()) return true;
    std::string missing;
    for (int j = r.source.channelCount; j < kChannelEntries; ++j)
        if (ctx.setup.pattern.channels[j].enabled > 0) missing += (missing.empty() ? "" : ", ") + std::to_string(j + 1);
    if (missing.empty()) return true;
    result.reason = "refused pattern: Pattern" + std::to_string(ctx.setup.patternSlot + 1) + " switches on channel(s) " +
                    missing + ", which this recording (" + std::to_string(r.source.channelCount) +
                    " channels) does not have";
    return false;
}

// The recording's channels the montage leaves out, by number and name:
// "15 EMG2, 16 CH16".
std::string LeftOutChannels(const JobRecords& r) {
    std::string list;
    for (int j = 0; j < r.source.channelCount; ++j) {
        if (j < kChannelEntries && r.pattern.channels[j].enabled > 0) continue;
        char name[64] = "";
        TaffGetText(r.source.sourceHandle, TAFF_TEXT_CHANNEL_NAME, j, name, sizeof name);
        list += (list.empty() ? "" : ", ") + std::to_string(j + 1) + (name[0] ? " " + std::string(name) : "");
    }
    return list;
}

// A data file shorter than its header announces is refused, unless
// --accept-short converts it (and the summary still says so).
bool ShortRecordingAllowed(const JobContext& ctx, const JobRecords& r, JobResult& result) {
    if (!IsShortRecording(r.source)) return true;
    char lengths[128];
    ShortRecordingText(lengths, sizeof lengths, r.source);
    const std::string text = std::string("data file shorter than its header: ") + lengths;
    if (ctx.options.acceptShort) {
        result.shortNote = text + " (--accept-short)";
        return true;
    }
    result.reason = text + " (--accept-short converts what it holds)";
    return false;
}

// The age the file carries is the age on the night: at the recording's
// (corrected) start, from the patient's birth date when one is known.
void AgeOnTheNight(JobRecords& r) {
    PatientInfo& p = r.patient;
    AgeAtRecording(p.birthYear, p.birthMonth, true, r.source.startYear, r.source.startMonth, r.source.startYear,
                   r.source.startMonth, &p.ageYears, &p.ageMonths);
}

int SwitchedOnChannels(const JobRecords& r) {
    int n = 0;
    for (int j = 0; j < kChannelEntries && j < r.source.channelCount; ++j)
        if (r.pattern.channels[j].enabled > 0) ++n;
    return n;
}

std::string RefusalText(HeaderRefusal why, const JobContext& ctx, const std::string& temp, int error) {
    const std::string pattern = "Pattern" + std::to_string(ctx.setup.patternSlot + 1);
    switch (why) {
        case kHeaderNoChannel: return "refused pattern: " + pattern + " switches on no channel of this recording";
        case kHeaderBadRate:
            return "refused pattern: a rate divisor of " + pattern + " gives no whole output rate for this recording";
        case kHeaderBadFrameTime:
            return "refused: frame time " + std::to_string(ctx.setup.settings.FrameTime) + " s is outside 1..60";
        case kHeaderRecordTooLarge: return "refused: one data record would exceed 10 MiB (shorten the frame time)";
        case kHeaderNoMemory: return "refused: not enough memory for one block";
        case kHeaderCreateFailed:
        case kHeaderWriterFailed: return "cannot create " + temp + ": " + ErrorText(error);
        case kHeaderWriteFailed: return "write failed (header) in " + temp + ": " + ErrorText(error);
        default: return "refused";
    }
}

// Hands the block the step just wrote to the night check: the same samples,
// read once for both.
void FeedCheck(JobRecords& r, int32_t firstScan, NightChecker* checker) {
    const ConversionFields& c = r.conv;
    const int32_t rate = r.source.sampleRate;
    if (!checker || !c.blockBuffer || rate <= 0 || c.samplesPerBlock % rate != 0) return;
    if (c.readPosition <= firstScan) return;
    const int64_t valid = std::min<int64_t>(c.samplesPerBlock, int64_t{r.source.lengthSamples} - firstScan);
    if (valid <= 0) return;
    const int16_t* block = static_cast<const int16_t*>(BlockLock(c.blockBuffer));
    if (!block) return;
    const int32_t skip = TaffGetValue(r.source.sourceHandle, TAFF_VALUE_SKIP_WORD, 0);
    checker->FeedRuns((skip & 0xFFFF) ? block + 1 : block, c.samplesPerBlock, c.samplesPerBlock / rate, valid);
    BlockUnlock(c.blockBuffer);
}

// Steps the run to its end or to a stop request, counting progress (and
// checking each block with `checker` when given); the errno of a failed
// step is kept in *error.
ConversionEnd StepToEnd(const JobContext& ctx, JobRecords& r, JobProgress& progress, int* error,
                        NightChecker* checker) {
    progress.total = r.conv.totalFrames;
    for (;;) {
        if (ctx.stop.load()) break;
        errno = 0;
        const int32_t firstScan = r.conv.readPosition;
        const int more = StepRun(r.Run());
        FeedCheck(r, firstScan, checker);
        progress.done = r.conv.framesDone;
        if (!more) {
            *error = errno;
            break;
        }
    }
    return EndRun(r.Run());
}

// A file's text written under a temporary name beside `path` and moved
// over it. 0 or errno.
int PlaceText(const std::string& path, const std::string& text, bool flush) {
    const std::string temp = TemporaryNameFor(path);
    FILE* file = fopen(temp.c_str(), "wb");
    if (!file) return errno ? errno : EIO;
    const bool written = fwrite(text.data(), 1, text.size(), file) == text.size();
    const int error = errno;
    if (fclose(file) != 0 || !written) {
        remove(temp.c_str());
        return error ? error : EIO;
    }
    const int flushed = flush ? FlushFile(temp) : 0;
    const int moved = flushed != 0 ? flushed : MoveIntoPlace(temp, path, true);
    if (moved != 0) remove(temp.c_str());
    return moved;
}

// Moves the complete temporary file to its name, unless its gaps forbid it.
void PlaceOutput(const JobContext& ctx, JobRecords& r, const std::string& temp, JobResult& result) {
    const int silent = r.conv.silentBlocks;
    std::string gaps;
    if (silent > 0) gaps = std::to_string(silent) + " unreadable block(s) written as silence";
    if (silent > 0 && !ctx.options.acceptGaps) {
        remove(temp.c_str());
        result.reason = gaps + "; output removed (--accept-gaps keeps it)";
        return;
    }
    std::string why;
    if (ctx.options.verify && !VerifyPsgFile(r, temp, &why)) {
        remove(temp.c_str());
        result.reason = "verify failed: " + why + "; output removed";
        return;
    }
    const int flushed = ctx.options.noFlush ? 0 : FlushFile(temp);
    if (flushed != 0) {
        remove(temp.c_str());
        result.reason = "cannot flush " + temp + " to disk: " + ErrorText(flushed) + "; output removed";
        return;
    }
    // An unfinished output in the way (--skip-existing) is replaced.
    const bool replace = ctx.options.overwrite || (ctx.options.skipExisting && PathExists(result.output));
    const int moved = MoveIntoPlace(temp, result.output, replace);
    if (moved == 0 && !ctx.options.noFlush) FlushFolder(FolderOf(result.output));
    if (moved != 0) {
        remove(temp.c_str());
        result.reason = moved == EEXIST ? "output " + result.output + " appeared meanwhile; not replaced"
                                        : "cannot move the output into place: " + ErrorText(moved);
        return;
    }
    result.bytes = FileBytes(result.output);
    result.converted = silent == 0;
    result.reason = silent > 0 ? gaps + " (kept: --accept-gaps)" : "";
}

}  // namespace

std::string OutputPathFor(const std::string& outDir, const std::string& headerPath) {
    char name[kPathSize];
    ProposeOutputName(name, sizeof name, ("\\" + FileNameOf(headerPath)).c_str());
    return JoinPath(outDir, name);
}

bool OpenJob(const JobContext& ctx, const std::string& header, const std::string& output, JobRecords& r,
             JobResult& result) {
    result.header = header;
    result.output = output;
    // Checking alone writes no PSG file: an existing output is no obstacle.
    if (!ctx.options.checkOnly && !OutputAllowed(ctx, header, output, result)) return false;
    std::string error;
    if (!PatientFor(ctx.setup, header, r.patient, &error)) {
        result.reason = error;
        return false;
    }
    r.settings = ctx.setup.settings;
    r.pattern = ctx.setup.pattern;
    if (!OpenSourceRecording(r.source, r.pattern, header.c_str())) {
        result.reason = WhyNotRecording(header);
        return false;
    }
    if (!PatternFitsRecording(ctx, r, result)) return false;
    ApplyMontage(ctx, r);
    ApplyStartAndComment(ctx, r);
    AgeOnTheNight(r);
    result.channels = SwitchedOnChannels(r);
    result.rate = r.source.sampleRate;
    result.lengthSamples = r.source.lengthSamples;
    result.leftOut = LeftOutChannels(r);
    return ShortRecordingAllowed(ctx, r, result);
}

void RunJob(const JobContext& ctx, JobRecords& r, JobProgress& progress, JobResult& result) {
    const std::string temp = TemporaryNameFor(result.output);
    const int folders = MakeFoldersOf(result.output);
    const int created = folders != 0 ? folders : CreateNewFile(temp);
    if (created != 0) {
        result.reason = "cannot create " + temp + ": " + ErrorText(created);
        return;
    }
    ChooseOutputPath(r.conv, temp.c_str());
    HeaderRefusal why = kHeaderWritten;
    errno = 0;
    if (!StartRun(r.Run(), &why)) {
        result.reason = RefusalText(why, ctx, temp, errno);
        remove(temp.c_str());
        return;
    }
    result.records = r.conv.totalFrames;
    int error = 0;
    std::unique_ptr<NightChecker> checker;
    if (ctx.options.check) checker.reset(new NightChecker(r.source, r.pattern, 0xFFFFFFFFu));
    const ConversionEnd end = StepToEnd(ctx, r, progress, &error, checker.get());
    if (end == kRunCompleted) {
        PlaceOutput(ctx, r, temp, result);
        if (checker && result.converted) {
            NightCheckResult check;
            checker->Finish(ctx.setup.checkRule, true, &check);
            if (!PlaceCheckFiles(r, check, result)) result.converted = false;
        }
        return;
    }
    remove(temp.c_str());
    result.interrupted = ctx.stop.load() && end == kRunCutShort;
    result.reason = result.interrupted ? "interrupted; unfinished output removed"
                                       : "write failed in " + temp + ": " + ErrorText(error) + "; output removed";
}

bool PlaceCheckFiles(const JobRecords& r, const NightCheckResult& check, JobResult& result) {
    const CheckReportInfo info = MakeCheckReportInfo(r.settings, r.source, r.patient, result.header,
                                                     result.checkOnly ? std::string() : result.output);
    result.checkVerdict = CheckVerdictName(check.verdict);
    result.checkRule = check.rule;
    for (int& n : result.checkFindings) n = 0;
    for (const CheckFinding& f : check.findings) ++result.checkFindings[int(f.level)];
    const std::string json = CheckJsonPathFor(result.output), report = CheckReportPathFor(result.output);
    const int folders = MakeFoldersOf(json);
    int error = folders != 0 ? folders : PlaceText(json, CheckJsonText(check, info), true);
    if (error == 0) error = PlaceText(report, CheckReportHtml(check, info), true);
    if (error != 0) {
        result.reason = "cannot write the check beside " + result.output + ": " + ErrorText(error);
        return false;
    }
    result.checkJson = json;
    result.checkReport = report;
    result.checked = true;
    return true;
}

namespace {

struct CheckProgress {
    JobProgress& progress;
};

void OnCheckProgress(void* context, double done) {
    JobProgress& p = static_cast<CheckProgress*>(context)->progress;
    p.done = int32_t(done * 1000);
}

}  // namespace

void CheckJob(const JobContext& ctx, JobRecords& r, JobProgress& progress, JobResult& result) {
    progress.total = 1000;
    CheckProgress context{progress};
    CheckControl control;
    control.stop = &ctx.stop;
    control.progress = OnCheckProgress;
    control.context = &context;
    NightCheckResult check;
    if (!CheckNight(r.source.sourceHandle, r.source, r.pattern, ctx.setup.checkRule, control, &check)) {
        result.interrupted = ctx.stop.load();
        result.reason = result.interrupted ? "interrupted; nothing written" : "the recording cannot be read";
        return;
    }
    PlaceCheckFiles(r, check, result);
}

void CloseJob(JobRecords& r) {
    EndRun(r.Run());
    CloseSource(r.source);
}

JobResult ConvertRecording(const JobContext& ctx, const std::string& header, const std::string& output,
                           JobProgress& progress) {
    JobResult result;
    JobRecords r;
    result.checkOnly = ctx.options.checkOnly;
    if (OpenJob(ctx, header, output, r, result)) {
        if (ctx.options.dryRun) result.converted = !ctx.options.checkOnly, result.checked = ctx.options.checkOnly;
        else if (ctx.options.checkOnly) CheckJob(ctx, r, progress, result);
        else RunJob(ctx, r, progress, result);
        if (result.converted && !result.shortNote.empty())
            result.reason = result.reason.empty() ? result.shortNote : result.reason + "; " + result.shortNote;
    }
    CloseJob(r);
    return result;
}
