// One recording of a batch; see batch_job.h.
#include "batch/batch_job.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "batch/file_hash.h"
#include "batch/manifest.h"
#include "batch/night_files.h"
#include "batch/output_tree.h"
#include "batch/psg_verify.h"
#include "engine/block_memory.h"
#include "engine/check_report.h"
#include "engine/output_check.h"
#include "engine/output_name.h"
#include "engine/patient_rules.h"
#include "engine/recording.h"
#include "engine/run_checks.h"
#include "filekit/filekit.h"
#include "filekit/sha256.h"
#include "recfile/edf_header.h"
#include "taffread/taff_file.h"
#include "taffread/taff_header.h"
#include "taffread/taffread.h"
#include "textkit/sjis_text.h"

namespace {

std::string ErrorText(int error) { return error ? strerror(error) : "the writer reported a failure"; }

std::string SettingsHashOfJob(const JobContext& ctx, const std::string& header) {
    return RecordingSettingsHash(ctx.settingsHash.empty() ? SettingsHash(ctx.options) : ctx.settingsHash, header);
}

// The whole output in place counts as done: the result says so with the
// file's own channels, records and bytes.
void CountAsDone(const std::string& output, const char* why, JobResult& result) {
    PsgLayout layout;
    if (ReadPsgFileLayout(output, layout)) {
        result.channels = int(layout.signals.size()) - 1;
        result.records = int(layout.records);
        result.seconds = double(layout.records * layout.recordSeconds);
    }
    result.skipped = true;
    result.converted = true;
    result.bytes = FileBytes(output);
    result.reason = why;
}

// With --skip-existing, an output in place before the recording is opened:
// true when it still has to be converted (damaged, or made with other
// settings and --overwrite given; r.replacesFound then), false when it is
// done (skipped) or cannot be (reason). *verifyLater: done as far as can be
// told without the recording, which --verify reads back once it is open.
bool ExistingOutputAllowed(const JobContext& ctx, const std::string& header, const std::string& output, JobRecords& r,
                           JobResult& result, bool* verifyLater) {
    if (IsFolder(output)) {
        result.reason = "output " + output + " is a folder";
        return false;
    }
    if (!PsgFileIsWhole(output)) {
        r.replacesFound = true;
        result.reason = "converted again: the output in place was unfinished";
        return true;
    }
    const std::string made = SettingsHashOf(output);
    if (!made.empty() && made != SettingsHashOfJob(ctx, header)) {
        if (!ctx.options.overwrite) {
            result.reason = "output " + output + " was made with other settings (--overwrite converts it again)";
            return false;
        }
        r.replacesFound = true;
        result.reason = "converted again: the output in place was made with other settings";
        return true;
    }
    if (ctx.options.verify) {
        *verifyLater = true;
        return true;
    }
    CountAsDone(output, made.empty() ? "already done (its settings not recorded in it)" : "already done", result);
    return false;
}

// The hashes of a run's files, made on threads of their own while the run
// reads and writes them (the manifest's and the check's): the data file's
// kept a little ahead of the conversion, so its pages are read from the
// disk once for both; the output's behind the writer.
struct RunHashes {
    FileHashThread data, output;
    std::string dataFile, outputFile;
    int64_t dataBytes = 0;
    static const int64_t kLead = int64_t(32) << 20;

    // The run has read `share` of the night: the data file's hash may read
    // a little beyond it.
    void AllowShare(double share) {
        if (data.Started()) data.Allow(int64_t(double(dataBytes) * share) + kLead);
    }
    // After each step of a conversion: how far each hash may read.
    void Allow(const ConversionFields& c) {
        if (c.totalFrames > 0) AllowShare(double(c.framesDone) / c.totalFrames);
        if (output.Started()) output.Allow(FileBytes(outputFile));
    }
};

// Starts the hashes a run needs: the data file's for the manifest (unless
// the manifest knows it for the unchanged file), the output's (once its
// header is written) for the manifest and the check.
void StartDataHash(const JobContext& ctx, JobResult& result, RunHashes& h) {
    if (ctx.options.manifest.empty()) return;
    if (ctx.known && !KnownDataHash(*ctx.known, result.header).empty()) return;
    h.dataFile = DataFileOf(result.header);
    h.dataBytes = result.dataBytes = FileBytes(h.dataFile);
    result.dataModified = ModifiedText(h.dataFile);
    if (!h.dataFile.empty() && h.dataBytes >= 0) h.data.Start(h.dataFile, RunHashes::kLead);
}

// The header's record count is written when the file is closed: the hash
// takes the count the run will write, which Finish checks.
void StartOutputHash(const JobContext& ctx, const JobRecords& r, const std::string& temp, RunHashes& h) {
    if (ctx.options.manifest.empty() && !ctx.options.check) return;
    h.outputFile = temp;
    h.output.Start(temp, FileBytes(temp), kRecRecordCountOffset, RecRecordCountField(r.conv.totalFrames));
}

struct CheckProgress {
    JobProgress& progress;
    RunHashes* hashes;
};

void OnCheckProgress(void* context, double done) {
    CheckProgress& c = *static_cast<CheckProgress*>(context);
    c.progress.done = int32_t(done * 1000);
    if (c.hashes) c.hashes->AllowShare(done);
}

// Checks the opened recording's night through `reader`, counting progress
// in thousandths (and letting the data file's hash in `hashes` follow it).
// False with result.reason (and result.interrupted) when it was stopped or
// nothing could be read.
bool CheckWithReader(const JobContext& ctx, TaffHandle reader, const JobRecords& r, JobProgress& progress,
                     JobResult& result, NightCheckResult* check, RunHashes* hashes = nullptr) {
    progress.total = 1000;
    progress.done = 0;
    CheckProgress context{progress, hashes};
    CheckControl control;
    control.stop = &ctx.stop;
    control.progress = OnCheckProgress;
    control.context = &context;
    control.threads = ctx.checkThreads;
    if (!CheckNight(reader, r.source, r.pattern, ctx.setup.checkRule, control, check)) {
        result.interrupted = ctx.stop.load();
        result.reason = result.interrupted ? "interrupted; nothing written" : "the recording cannot be read";
        return false;
    }
    return true;
}

// The check a conversion writes into its file, made before the conversion
// on a reader handle of its own (the conversion's handle keeps its place).
bool CheckFirst(const JobContext& ctx, const JobRecords& r, JobProgress& progress, JobResult& result,
                NightCheckResult* check) {
    TaffHandle reader = TaffOpen(r.source.sourcePath, 0);
    if (!reader) {
        result.reason = "the recording cannot be opened for the check";
        return false;
    }
    const bool checked = CheckWithReader(ctx, reader, r, progress, result, check);
    TaffClose(reader);
    return checked;
}

// Where in a PSG file byte `at` lies, for people: "the header", "sample 12
// of signal 3 in record 40", "the annotations of record 1201", "past its end".
std::string PlaceInFile(const std::string& path, int64_t at) {
    PsgLayout h;
    if (!ReadPsgFileLayout(path, h) || at < h.headerBytes) return at < 256 ? "the header" : "the header's signals";
    const int64_t recordBytes = h.RecordBytes();
    if (recordBytes <= 0 || h.records < 0 || at >= h.headerBytes + h.records * recordBytes) return "past its records";
    const int64_t record = (at - h.headerBytes) / recordBytes;
    int64_t within = (at - h.headerBytes) % recordBytes;
    for (size_t g = 0; g < h.signals.size(); ++g) {
        const int64_t bytes = 2 * h.signals[g].samplesPerRecord;
        if (within >= bytes) {
            within -= bytes;
            continue;
        }
        if (g + 1 == h.signals.size()) return "the annotations of record " + std::to_string(record + 1);
        return "sample " + std::to_string(within / 2 + 1) + " of signal " + std::to_string(g + 1) + " in record " +
               std::to_string(record + 1);
    }
    return "record " + std::to_string(record + 1);
}

// Makes the conversion of the opened recording again, writing nothing, and
// compares every byte it would write with `output` (header, samples and
// annotations, the check's findings too when they go into the file). False
// with `why` naming the first difference, or why it could not be compared.
bool SameAsConversion(const JobContext& ctx, JobRecords& r, const std::string& output, std::string* why) {
    const bool notes = ctx.options.check && r.settings.CheckNotes != 0;
    NightCheckResult check;
    JobProgress progress;
    JobResult scratch;
    if (notes && !CheckFirst(ctx, r, progress, scratch, &check)) {
        *why = scratch.reason;
        return false;
    }
    ChooseOutputPath(r.conv, output.c_str());
    r.conv.compareOnly = 1;
    HeaderRefusal refusal = kHeaderWritten;
    const bool started = StartRun(r.Run(), &refusal, notes ? &check : nullptr);
    if (!started) {
        r.conv.compareOnly = 0;
        *why = refusal == kHeaderCreateFailed ? "it cannot be read" : "the conversion cannot be made again";
        return false;
    }
    while (!ctx.stop.load() && StepRun(r.Run())) {
    }
    const int64_t at = RecDifferenceAt(r.conv.recHandle);
    const ConversionEnd end = EndRun(r.Run());
    r.conv.compareOnly = 0;
    if (end == kRunCompleted) return true;
    if (at >= 0) *why = "byte " + std::to_string(at) + " differs, in " + PlaceInFile(output, at);
    else *why = ctx.stop.load() ? "interrupted" : "it cannot be read whole";
    return false;
}

// --skip-existing --verify: the conversion is made again and compared with
// the output in place byte for byte; one that differs is converted again
// and replaced.
bool VerifiedExistingDone(const JobContext& ctx, const std::string& output, JobRecords& r, JobResult& result) {
    std::string why;
    if (SameAsConversion(ctx, r, output, &why)) {
        CountAsDone(output, SettingsHashOf(output).empty() ? "already done, verified (its settings not recorded in it)"
                                                           : "already done, verified",
                    result);
        return true;
    }
    r.replacesFound = true;
    result.reason = "converted again: the output in place differs from its conversion (" + why + ")";
    return false;
}

// The output's hash the manifest's last line holds for it, when the file
// has not changed since; "" otherwise.
std::string KnownOutputHashOf(const JobContext& ctx, const std::string& header, const std::string& output) {
    return ctx.known ? KnownOutputHash(*ctx.known, header, output) : "";
}

// With --check a done output counts as done only with its check: true when
// the check in place belongs to it (taken into `result`); false with the
// reason in r.checkWhy when it must be made again.
bool CheckStillBelongs(const JobContext& ctx, const std::string& header, JobRecords& r, JobResult& result) {
    if (!ctx.options.check) return true;
    JsonValue check;
    const std::string known = KnownOutputHashOf(ctx, header, result.output);
    std::string sha = known;
    const std::string why = CheckMismatch(result.output, SettingsHashOfJob(ctx, header), ctx.setup.checkRule.text,
                                          check, sha);
    if (!why.empty()) {
        r.checkWhy = why;
        result.outputSha256 = known;    // the check made again ties itself to it unread
        return false;
    }
    TakeCheckFrom(check, result.output, result);
    result.outputSha256 = sha;
    return true;
}

// A night skipped by a run without --check keeps, in its manifest line, the
// check in place when that check belongs to its PSG file: the manifest's
// last lines go on describing the archive.
JobResult& CarryCheckInPlace(const JobContext& ctx, JobResult& result) {
    if (!result.skipped || result.checked || ctx.options.check || ctx.options.manifest.empty()) return result;
    JsonValue check;
    std::string sha = KnownOutputHashOf(ctx, result.header, result.output);
    if (!CheckMismatch(result.output, SettingsHashOfJob(ctx, result.header), std::string(), check, sha).empty())
        return result;
    TakeCheckFrom(check, result.output, result);
    result.outputSha256 = sha;
    return result;
}

// Refuses an output that is, or would overwrite, the recording's own files,
// and an existing output unless replacing is asked for.
bool OutputAllowed(const JobContext& ctx, const std::string& header, const std::string& output, JobResult& result) {
    if (CheckOutputPath(output.c_str(), header.c_str()) != kOutputPathOk) {
        result.reason = "output " + output + " would overwrite the recording's own files";
        return false;
    }
    for (const std::string& file : FilesOfStem(header)) {
        if (SameFile(output, file)) {
            result.reason = "output " + output + " is the recording's file " + file;
            return false;
        }
    }
    // On a file system that tells case apart, "night1.DAT" beside
    // "night1.dat" is another file, but a reader looking the data file up in
    // any case may open it instead: such a name is never created.
    const std::string twin = NameDifferingInCase(output);
    if (!twin.empty() && !SameFile(output, JoinPath(FolderOf(output), twin))) {
        result.reason = "output " + output + " differs only in letter case from " + twin + " in its folder";
        return false;
    }
    if (PathExists(output) && ctx.options.skipExisting) return true;     // judged by ExistingOutputAllowed
    if (PathExists(output) && !ctx.options.overwrite) {
        result.reason = "output " + output + " exists (--overwrite replaces it, --skip-existing counts it as done)";
        return false;
    }
    return true;
}

// Why the reader refused the header file: the header itself, or its data
// file (missing, empty, or holding less than one scan).
std::string WhyNotRecording(const std::string& header) {
    FILE* file = fopen(header.c_str(), "rb");
    if (!file) return "cannot be read: " + ErrorText(errno);
    fclose(file);
    std::string text;
    taff::Header parsed;
    if (!taff::ReadSmallFile(header, 1 << 20, &text) || !taff::ParseHeader(text, &parsed))
        return "not a recording: the header is not a TAFFmat header";
    std::string data;
    for (const std::string& f : FilesOfStem(header))
        if (HasExtension(f, "DAT") && !SameFile(f, header)) data = f;
    if (data.empty()) return "not a recording: no data file beside the header";
    if (FileBytes(data) == 0) return "not a recording: its data file " + FileNameOf(data) + " is empty";
    return "not a recording: its data file " + FileNameOf(data) + " does not fit its header";
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
    const CalendarDay night = {r.source.startYear, r.source.startMonth, r.source.startDay};
    AgeAtRecording({p.birthYear, p.birthMonth, p.birthDay}, true, night, night, &p.ageYears, &p.ageMonths);
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
// checking each block with `checker` when given, letting the hashes read
// what the step read and wrote); the errno of a failed step is kept in
// *error.
ConversionEnd StepToEnd(const JobContext& ctx, JobRecords& r, JobProgress& progress, int* error,
                        NightChecker* checker, RunHashes& hashes) {
    progress.total = r.conv.totalFrames;
    for (;;) {
        if (ctx.stop.load()) break;
        errno = 0;
        const int32_t firstScan = r.conv.readPosition;
        const int more = StepRun(r.Run());
        FeedCheck(r, firstScan, checker);
        hashes.Allow(r.conv);
        progress.done = r.conv.framesDone;
        if (!more) {
            *error = errno;
            break;
        }
    }
    return EndRun(r.Run());
}

// Moves the complete temporary file to its name, unless its gaps forbid it.
void PlaceOutput(const JobContext& ctx, JobRecords& r, const std::string& temp, JobResult& result) {
    const int silent = r.conv.silentBlocks;
    std::string gaps;
    if (silent > 0) gaps = std::to_string(silent) + " unreadable block(s) held at the last sample (marked Data missing)";
    if (silent > 0 && !ctx.options.acceptGaps) {
        RemoveFile(temp);
        result.reason = gaps + "; output removed (--accept-gaps keeps it)";
        return;
    }
    std::string why;
    if (ctx.options.verify && !VerifyPsgFile(r, temp, &why)) {
        RemoveFile(temp);
        result.reason = "verify failed: " + why + "; output removed";
        return;
    }
    const int flushed = ctx.options.noFlush ? 0 : FlushFile(temp);
    if (flushed != 0) {
        RemoveFile(temp);
        result.reason = "cannot flush " + temp + " to disk: " + ErrorText(flushed) + "; output removed";
        return;
    }
    // Only --overwrite, or a damaged output this job found in place and
    // holds the claim of, is replaced; an output another run placed
    // meanwhile stays.
    const bool replace = ctx.options.overwrite || r.replacesFound;
    // The check of the file replaced describes another file: it goes first,
    // so no check stays beside a PSG file it does not belong to.
    if (replace && ctx.options.check) RemoveCheckFiles(result.output);
    const int moved = MoveIntoPlace(temp, result.output, replace);
    if (moved == 0 && !ctx.options.noFlush) FlushFolder(FolderOf(result.output));
    if (moved != 0) {
        RemoveFile(temp);
        if (moved == EEXIST && PsgFileIsWhole(result.output)) return CountAsDone(result.output, "done by another run", result);
        result.reason = moved == EEXIST ? "output " + result.output + " appeared meanwhile; not replaced"
                                        : "cannot move the output into place: " + ErrorText(moved);
        return;
    }
    result.bytes = FileBytes(result.output);
    result.converted = silent == 0;
    const std::string note = r.replacesFound ? result.reason : "";
    result.reason = silent > 0 ? gaps + " (kept: --accept-gaps)" : note;
}

}  // namespace

bool OpenJob(const JobContext& ctx, const std::string& header, const std::string& output, JobRecords& r,
             JobResult& result) {
    result.header = header;
    result.output = output;
    // Checking alone writes no PSG file: an existing output is no obstacle.
    if (!ctx.options.checkOnly && !OutputAllowed(ctx, header, output, result)) return false;
    bool verifyLater = false;
    bool doneOutput = false;    // a done output whose check is still to be judged
    if (!ctx.options.checkOnly && ctx.options.skipExisting && PathExists(output) &&
        !ExistingOutputAllowed(ctx, header, output, r, result, &verifyLater)) {
        if (!result.skipped || CheckStillBelongs(ctx, header, r, result)) return false;
        doneOutput = true;
    }
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
    if (r.source.sampleRate > 0) result.seconds = double(r.source.lengthSamples) / r.source.sampleRate;
    result.leftOut = LeftOutChannels(r);
    CopyText(r.conv.provenanceNote, sizeof r.conv.provenanceNote, SettingsNote(SettingsHashOfJob(ctx, header)).c_str());
    if (verifyLater && VerifiedExistingDone(ctx, output, r, result)) {
        if (CheckStillBelongs(ctx, header, r, result)) return false;
        doneOutput = true;
    }
    // The output is done but its check is not: only the check is made again.
    if (doneOutput) return r.remakeCheck = true;
    return ShortRecordingAllowed(ctx, r, result);
}

void RunJob(const JobContext& ctx, JobRecords& r, JobProgress& progress, JobResult& result) {
    // With the findings going into the file they must be known when its
    // header is written: the night is checked first, on a reader of its own.
    const bool notes = ctx.options.check && r.settings.CheckNotes != 0;
    NightCheckResult check;
    if (notes && !CheckFirst(ctx, r, progress, result, &check)) return;
    RunHashes hashes;
    StartDataHash(ctx, result, hashes);
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
    const bool started = StartRun(r.Run(), &why, notes ? &check : nullptr) != 0;
    if (!started) {
        result.reason = RefusalText(why, ctx, temp, errno);
        RemoveFile(temp);
        return;
    }
    result.records = r.conv.totalFrames;
    StartOutputHash(ctx, r, temp, hashes);
    int error = 0;
    // Without the findings in the file, the blocks the run writes are
    // checked as they pass: one read of the night for both.
    std::unique_ptr<NightChecker> checker;
    if (ctx.options.check && !notes) checker.reset(new NightChecker(r.source, r.pattern, 0xFFFFFFFFu, ctx.checkThreads));
    const ConversionEnd end = StepToEnd(ctx, r, progress, &error, checker.get(), hashes);
    if (end == kRunCompleted) {
        // Read to their ends before the output is moved into place.
        result.dataSha256 = hashes.data.Finish();
        result.outputSha256 = hashes.output.Finish();
        PlaceOutput(ctx, r, temp, result);
        if (!result.converted || result.skipped) result.outputSha256.clear();   // ours not placed
        if (checker && result.converted) checker->Finish(ctx.setup.checkRule, true, &check);
        if (ctx.options.check && result.converted &&
            !PlaceCheckFiles(ctx, r, check, SettingsHashOfJob(ctx, result.header), result))
            result.converted = false;
        if (notes && result.converted && r.conv.checkNotesLeftOut > 0) {
            const std::string left = std::to_string(r.conv.checkNotesLeftOut) +
                                     " check finding(s) not written into the file (no room in its records)";
            result.reason = result.reason.empty() ? left : result.reason + "; " + left;
        }
        return;
    }
    hashes.output.Abandon();    // its file open would keep Windows from removing it
    RemoveFile(temp);
    result.interrupted = ctx.stop.load() && end == kRunCutShort;
    result.reason = result.interrupted ? "interrupted; unfinished output removed"
                                       : "write failed in " + temp + ": " + ErrorText(error) + "; output removed";
}

bool PlaceCheckFiles(const JobContext& ctx, const JobRecords& r, const NightCheckResult& check,
                     const std::string& settingsHash, JobResult& result) {
    CheckReportInfo info = MakeCheckReportInfo(r.settings, r.source, r.patient, result.header,
                                               result.checkOnly ? std::string() : result.output);
    info.language = ctx.setup.reportLanguage;
    info.root = ctx.options.base;   // --base: the report names the recording below it
    result.checkVerdict = CheckVerdictName(check.verdict);
    result.checkRule = check.rule;
    for (int& n : result.checkFindings) n = 0;
    for (const CheckFinding& f : check.findings) ++result.checkFindings[int(f.level)];
    const std::string json = CheckJsonPathFor(result.output), report = CheckReportPathFor(result.output);
    const std::string html = CheckReportHtml(check, info);
    Sha256 reportHash;
    reportHash.Add(html.data(), html.size());
    info.reportSha256 = reportHash.HexDigest();
    if (!result.checkOnly) {
        // What ties the check to its PSG file: a rerun remakes a check
        // that names another file.
        info.outputBytes = FileBytes(result.output);
        // Hashed while it was written, or read back here.
        if (result.outputSha256.empty() && !Sha256OfFile(result.output, result.outputSha256)) {
            result.reason = "cannot read " + result.output + " back for its check: " + ErrorText(errno);
            return false;
        }
        info.outputSha256 = result.outputSha256;
        info.settingsSha256 = settingsHash;
    }
    // The report first: a check file in place always has the report it names.
    const int folders = MakeFoldersOf(json);
    int error = folders != 0 ? folders : WriteFileBeside(report, html, true);
    if (error == 0) error = WriteFileBeside(json, CheckJsonText(check, info), true);
    if (error != 0) {
        result.reason = "cannot write the check beside " + result.output + ": " + ErrorText(error);
        return false;
    }
    result.checkJson = json;
    result.checkReport = report;
    result.checked = true;
    return true;
}

void CheckJob(const JobContext& ctx, JobRecords& r, JobProgress& progress, JobResult& result) {
    NightCheckResult check;
    RunHashes hashes;
    StartDataHash(ctx, result, hashes);
    if (!CheckWithReader(ctx, r.source.sourceHandle, r, progress, result, &check, &hashes)) return;
    result.dataSha256 = hashes.data.Finish();
    PlaceCheckFiles(ctx, r, check, SettingsHashOfJob(ctx, result.header), result);
}

void RemakeCheck(const JobContext& ctx, JobRecords& r, JobProgress& progress, JobResult& result) {
    const std::string done = result.reason;
    NightCheckResult check;
    RunHashes hashes;
    StartDataHash(ctx, result, hashes);
    const bool checked = CheckWithReader(ctx, r.source.sourceHandle, r, progress, result, &check, &hashes);
    if (checked) result.dataSha256 = hashes.data.Finish();
    if (checked && PlaceCheckFiles(ctx, r, check, SettingsHashOfJob(ctx, result.header), result)) {
        result.checkRemade = true;
        result.reason = done + "; check made again (" + r.checkWhy + ")";
        return;
    }
    // The night is not done without its check.
    result.skipped = result.converted = false;
    result.reason = "check not made again (" + r.checkWhy + "): " + result.reason;
}

void CloseJob(JobRecords& r) {
    EndRun(r.Run());
    CloseSource(r.source);
}

JobResult ConvertRecording(const JobContext& ctx, const std::string& header, const std::string& output,
                           JobProgress& progress) {
    JobResult result;
    JobRecords r;
    result.header = header;
    result.output = output;
    // A done output is read, never written: skipped without a claim, so a
    // rerun over a finished archive changes nothing in it.
    NightIdentity(ctx, header, result);
    bool verifyLater = false;
    if (!ctx.options.checkOnly && ctx.options.skipExisting && !ctx.options.verify && PathExists(output) &&
        OutputAllowed(ctx, header, output, result) &&
        !ExistingOutputAllowed(ctx, header, output, r, result, &verifyLater) &&
        (!result.skipped || CheckStillBelongs(ctx, header, r, result)))
        return CarryCheckInPlace(ctx, result);
    const JobResult identity = result;
    r = JobRecords();
    result = JobResult();
    result.patientId = identity.patientId;
    std::copy(identity.start, identity.start + 6, result.start);
    result.recorder = identity.recorder;
    OutputClaim claim;
    result.checkOnly = ctx.options.checkOnly;
    // Checking alone writes no PSG file and claims none.
    if (!ctx.options.dryRun && !ctx.options.checkOnly) {
        std::string holder;
        int error = MakeFoldersOf(output);
        const ClaimResult claimed = error != 0 ? kClaimFailed : ClaimOutput(output, claim, &holder, &error);
        if (claimed != kClaimTaken) {
            result.header = header;
            result.output = output;
            result.claimedElsewhere = claimed == kClaimHeldByOther;
            result.reason = claimed == kClaimHeldByOther ? "being converted by another run (" + holder + ")"
                                                         : "cannot claim " + output + ": " + ErrorText(error);
            return result;
        }
    }
    if (OpenJob(ctx, header, output, r, result)) {
        if (ctx.options.dryRun) result.converted = !ctx.options.checkOnly, result.checked = ctx.options.checkOnly;
        else if (ctx.options.checkOnly) CheckJob(ctx, r, progress, result);
        else if (r.remakeCheck) RemakeCheck(ctx, r, progress, result);
        else RunJob(ctx, r, progress, result);
        if (result.converted && !result.shortNote.empty())
            result.reason = result.reason.empty() ? result.shortNote : result.reason + "; " + result.shortNote;
    }
    CloseJob(r);
    ReleaseClaim(claim);
    return CarryCheckInPlace(ctx, result);
}
