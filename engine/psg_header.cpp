// The PSG header writer: the calls that open a PSG file and describe the
// recording, the patient, the position-level tables and the channels, in the
// order the writer expects them, and the block plan of the run.
#include "engine/psg_header.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "engine/block_memory.h"
#include "engine/check_notes.h"
#include "engine/identity_rules.h"
#include "engine/version.h"
#include "textkit/sjis_text.h"

namespace {

// The file name of a path: what follows its last "\" or "/".
const char* SourceFileName(const char* path) {
    const int cut = std::max(LastCharIndex(path, '\\'), LastCharIndex(path, '/'));
    return path + cut + 1;
}

// Frames per block, scans per block and buffer bytes of a run.
struct BlockPlan {
    int32_t framesPerBlock;
    int32_t samplesPerBlock;    // 0 when no recording is open
    size_t bufferBytes;         // 0: no buffer
};

// Plans the blocks of a run with a FrameTime already known to be 1..60.
// False when the block of an open recording is too large to hold.
bool PlanBlocks(const RunRecords& s, BlockPlan* plan) {
    const int32_t frameTime = s.settings.FrameTime;
    plan->framesPerBlock = 60 / frameTime;
    plan->samplesPerBlock = 0;
    plan->bufferBytes = 0;
    if (s.source.sourceKind != kSourceTaff || s.source.sampleRate <= 0) return true;
    const int64_t scans = int64_t{plan->framesPerBlock} * frameTime * s.source.sampleRate;
    if (scans > std::numeric_limits<int32_t>::max()) return false;
    const uint64_t perScan = 2 * (uint64_t(uint32_t(s.source.channelCount)) + 1);
    const uint64_t limit = std::numeric_limits<size_t>::max() / 2;
    if (perScan > (limit - 64) / uint64_t(scans)) return false;
    plan->samplesPerBlock = int32_t(scans);
    plan->bufferBytes = size_t(perScan * uint64_t(scans) + 64);
    return true;
}

void WriteModeKeys(RecHandle h) {
    static const int kModes[6][2] = {{1, 1}, {2, 110}, {3, 0}, {4, 0}, {5, 0}, {6, 0}};
    for (const auto& mode : kModes) RecSetMode(h, mode[0], mode[1]);
}

void WriteRecordingHeader(RecHandle h, const RunRecords& s) {
    const SourceInfo& src = s.source;
    RecBeginHeader(h);
    RecSetHeaderValue(h, 0, REC_HEADER_VERSION, 1);
    RecSetHeaderValue(h, 0, REC_HEADER_CHANNELS, s.conv.enabledChannelCount);
    RecSetHeaderValue(h, 0, REC_HEADER_FRAME_SECONDS, s.settings.FrameTime);
    RecSetHeaderValue(h, 0, REC_HEADER_LENGTH_SAMPLES, src.lengthSamples);
    RecSetHeaderValue(h, 0, REC_HEADER_SAMPLE_RATE, src.sampleRate);
    RecSetHeaderValue(h, 0, REC_HEADER_HUM_FILTER, HumFilterHz(src.humFilter));
    int32_t start[6] = {src.startYear, src.startMonth, src.startDay,
                        src.startHour, src.startMinute, src.startSecond};
    const IdentityOptions& identity = s.settings.identity;
    ApplyStartIdentity(start, identity);
    for (int n = 0; n < 6; ++n) RecSetHeaderValue(h, 0, REC_HEADER_YEAR + n, start[n]);
    // The recording comment and the source file's name are free texts that
    // may name the patient: the de-identified copy leaves them out.
    const bool freeTexts = KeepsFreeTexts(identity);
    const std::string comment = freeTexts ? FieldString(s.conv.recordingComment) : std::string();
    RecSetHeaderText(h, 0, REC_HEADER_TEXT_COMMENT, comment.c_str());
    // Where the file came from: a file found later names its recording and
    // the converter that wrote it.
    RecSetHeaderText(h, 0, REC_HEADER_TEXT_SOURCE_FILE, freeTexts ? SourceFileName(src.sourcePath) : "");
    std::string converter = CONVERTER_NAME " " CONVERTER_VERSION_TEXT;
    const std::string note = FieldString(s.conv.provenanceNote);
    if (!note.empty()) converter += "; " + note;
    RecSetHeaderText(h, 0, REC_HEADER_TEXT_CONVERTER, converter.c_str());
    RecEndHeader(h);
}

// Writes one patient field and returns the offset of the next one.
uint16_t PutPatient(RecHandle h, uint16_t offset, int width, int key, const std::string& text) {
    return RecPutPatientText(h, 0, offset, width, key, text.c_str());
}

// The formatted patient numbers: the trailing blanks belong to the texts.
// A patient whose birth date, height or weight is not known (0) gets empty
// texts there, and no age: the file says nothing rather than a made-up value.
std::string BirthDateText(const PatientInfo& p) {
    if (p.birthYear == 0) return std::string();
    char buf[32];
    snprintf(buf, sizeof buf, "%04u.%02u.%02u  ", unsigned(p.birthYear), unsigned(p.birthMonth),
             unsigned(p.birthDay));
    return buf;
}

std::string AgeText(const PatientInfo& p) {
    if (p.birthYear == 0) return std::string();
    char buf[32];
    snprintf(buf, sizeof buf, "%uY%02uM   ", unsigned(p.ageYears), unsigned(p.ageMonths));
    return buf;
}

std::string NumberText(int32_t value) {
    if (value <= 0) return std::string();
    char buf[32];
    snprintf(buf, sizeof buf, "%i     ", int(value));
    return buf;
}

// The patient block rows in their order, as the patient page holds them.
std::vector<PatientField> PatientRows(const PatientInfo& p) {
    std::vector<PatientField> rows = {
        {20, REC_PATIENT_ID, FieldString(p.id)},
        {32, REC_PATIENT_NAME, FieldString(p.name)},
        {32, REC_PATIENT_KANA, FieldString(p.kana)},
        {10, REC_PATIENT_BIRTH_DATE, BirthDateText(p)},
        {4, REC_PATIENT_SEX, FieldString(p.sex)},
        {8, REC_PATIENT_AGE, AgeText(p)},
        {6, REC_PATIENT_HEIGHT, NumberText(p.height)},
        {8, REC_PATIENT_WEIGHT, NumberText(p.weight)},
        {80, REC_PATIENT_HOSPITAL, FieldString(p.hospital)},
        {40, REC_PATIENT_DEPARTMENT, FieldString(p.department)},
        {32, REC_PATIENT_REQ_DOCTOR, FieldString(p.requestingDoctor)},
        {32, REC_PATIENT_TECHNICIAN, FieldString(p.technician)},
        {32, REC_PATIENT_READING_DOCTOR, FieldString(p.readingDoctor)},
        {80, REC_PATIENT_MEDICATION, FieldString(p.medication)}};
    for (int n = 0; n < kCommentCount; ++n)
        rows.push_back({128, REC_PATIENT_COMMENT1 + n, FieldString(p.comments[n])});
    return rows;
}

// The patient block with what the identity options let the file carry.
void WritePatientBlock(RecHandle h, const PatientInfo& p, const IdentityOptions& identity) {
    std::vector<PatientField> rows = PatientRows(p);
    ApplyIdentity(rows, identity);
    uint16_t off = 0;
    for (const PatientField& row : rows) off = PutPatient(h, off, row.width, row.key, row.text);
    RecSetPatientValue(h, 0, REC_PATIENT_VALUE_LENGTH, off);
    RecSetPatientLayout(h, 0, 1, 20, 32);
    RecEndPatient(h);
}

// Level table of every switched-on position channel among montage rows
// 1..MaxCh; rows beyond the 32 entries of a pattern do not exist, and a
// table holds at most 8 levels whatever its count says.
void WritePositionLevels(RecHandle h, const RunRecords& s, const MontagePattern& pat) {
    const PositionCalibration& pos = pat.position;
    const int levels = std::min<int>(pos.levelCount, kMaxLevels);
    const int rows = std::min<int>(s.settings.MaxCh, kChannelEntries);
    if (levels <= 0 || rows <= 0) return;
    for (int k = 1; k <= rows; ++k) {
        const ChannelSetting& ch = pat.channels[k - 1];
        if (ch.enabled <= 0 || ch.signalType != REC_TYPE_POSITION) continue;
        RecPutLevel(h, 0, REC_LEVEL_COUNT, k, 0, levels, 0, nullptr);
        for (int l = 0; l < levels; ++l)
            RecPutLevel(h, 0, REC_LEVEL_ENTRY, k, l, pos.centers[l], pos.widths[l],
                        FieldString(pos.levelLabels[l]).c_str());
        RecEndLevels(h, k);
    }
}

void WriteChannel(RecHandle h, int signal, int source, const ChannelSetting& ch, int32_t rate,
                  int32_t flags) {
    RecSetChannelText(h, 0, REC_CHANNEL_LABEL, signal, FieldString(ch.label).c_str());
    RecSetChannelText(h, 0, REC_CHANNEL_UNIT, signal, FieldString(ch.unit).c_str());
    const int32_t values[][2] = {
        {REC_CHANNEL_SOURCE_NUMBER, source + 1}, {REC_CHANNEL_SIGNAL_TYPE, ch.signalType},
        {REC_CHANNEL_RATE, ChannelRate(rate, ch.rateDivisor)},
        {REC_CHANNEL_CAL_EU, ch.calEU}, {REC_CHANNEL_CAL_VU, ch.calVU},
        {REC_CHANNEL_OFFSET_AD, ch.offsetAD}, {REC_CHANNEL_OFFSET_CAL, ch.offsetCAL},
        {REC_CHANNEL_TIME_CONSTANT, ch.timeConstant}, {REC_CHANNEL_LOW_FILTER, ch.lowFilter},
        {REC_CHANNEL_HIGH_FILTER, ch.highFilter}, {REC_CHANNEL_SENSITIVITY, ch.sensitivity},
        {REC_CHANNEL_FLAGS, flags}};
    for (const auto& v : values) RecSetChannelValue(h, 0, v[0], signal, v[1]);
}

// Channel table of the run channels, in output order. Non-zero when the
// header reached the file.
int WriteChannelTable(RecHandle h, const RunRecords& s, const MontagePattern& pat) {
    const int32_t flags = ChannelFlags(s.settings);
    for (int signal = 0; signal < s.conv.runChannelCount; ++signal) {
        const int j = s.conv.runChannels[signal];
        WriteChannel(h, signal, j, pat.channels[j], s.source.sampleRate, flags);
    }
    return RecWriteChannels(h);
}

RecHandle Refuse(HeaderRefusal reason, HeaderRefusal* why) {
    if (why) *why = reason;
    return nullptr;
}

// Whether every run channel's divisor gives a whole output rate.
bool RunRatesFit(const RunRecords& s) {
    for (int o = 0; o < s.conv.runChannelCount; ++o) {
        const ChannelSetting& ch = s.pattern.channels[s.conv.runChannels[o]];
        if (!RateDivisorFits(s.source.sampleRate, ch.rateDivisor)) return false;
    }
    return true;
}

// Everything after the file exists: header, patient, levels, channels, block
// size. False when the writer reports a failed write.
bool WriteHeaderParts(RecHandle h, const RunRecords& s, const BlockPlan& plan, const NightCheckResult* notes) {
    const MontagePattern& pat = s.pattern;
    WriteRecordingHeader(h, s);
    WritePatientBlock(h, s.patient, s.settings.identity);
    WritePositionLevels(h, s, pat);
    // The night check's findings, when the run carries them, go in with
    // the header: the writer makes room for them in the data records.
    int32_t refused = 0;
    if (notes && s.source.sampleRate > 0) {
        const double seconds = double(s.source.lengthSamples) / s.source.sampleRate;
        refused = AddCheckNotes(h, CheckNotesOf(*notes, seconds));
    }
    if (!WriteChannelTable(h, s, pat)) return false;
    s.conv.checkNotesLeftOut = refused + RecAnnotationsLeftOut(h);
    RecSetBlockSize(h, uint16_t(s.settings.FrameTime * plan.framesPerBlock));
    return !RecHasFailed(h);
}

}  // namespace

int32_t ChannelFlags(const AppSettings& settings) {
    return (settings.TCType == 0 ? 2 : 0) + (settings.CalType != 0 ? 4 : 0);
}

int32_t ChannelRate(int32_t sampleRate, int32_t rateDivisor) {
    return rateDivisor > 0 ? sampleRate / rateDivisor : sampleRate;
}

int64_t RecordSampleBytes(const RunRecords& s, int32_t frameTime) {
    const int32_t entries = std::min<int32_t>(s.source.channelCount, kChannelEntries);
    int64_t bytes = 0;
    for (int32_t j = 0; j < entries; ++j) {
        const ChannelSetting& ch = s.pattern.channels[j];
        if (ch.enabled > 0) bytes += 2 * int64_t{ChannelRate(s.source.sampleRate, ch.rateDivisor)} * frameTime;
    }
    return bytes;
}

bool RecordFits(const RunRecords& s, int32_t frameTime) {
    return RecordSampleBytes(s, frameTime) <= kMaxRecordBytes - kRecordAnnotationAllowance;
}

bool RateDivisorFits(int32_t sampleRate, int32_t rateDivisor) {
    const int32_t divisor = rateDivisor > 0 ? rateDivisor : 1;
    return sampleRate > 0 && sampleRate % divisor == 0 && sampleRate / divisor >= 1;
}

int32_t RunChannelsOf(const SourceInfo& source, const MontagePattern& pattern, uint8_t* channels) {
    const int32_t entries = std::min<int32_t>(source.channelCount, kChannelEntries);
    int32_t count = 0;
    for (int32_t j = 0; j < entries; ++j)
        if (pattern.channels[j].enabled > 0) channels[count++] = uint8_t(j);
    return count;
}

int32_t CollectRunChannels(const RunRecords& s) {
    s.conv.runChannelCount = RunChannelsOf(s.source, s.pattern, s.conv.runChannels);
    return s.conv.runChannelCount;
}

namespace {

// The checks before anything is allocated or created; kHeaderWritten when
// the run may go on. Collects the run's channels on the way.
HeaderRefusal CheckRunStart(const RunRecords& s) {
    ConversionFields& c = s.conv;
    if (c.conversionState == kConvNoOutput) return kHeaderNoOutput;
    if (c.conversionState == kConvConverting) return kHeaderRunning;
    if (CollectRunChannels(s) == 0) return kHeaderNoChannel;
    c.enabledChannelCount = c.runChannelCount;
    const int32_t frameTime = s.settings.FrameTime;
    if (frameTime < kFrameTimeMin || frameTime > kFrameTimeMax) return kHeaderBadFrameTime;
    if (!RunRatesFit(s)) return kHeaderBadRate;
    // A record readers refuse is never written: the start is refused before
    // any file exists.
    if (!RecordFits(s, frameTime)) return kHeaderRecordTooLarge;
    return kHeaderWritten;
}

// A writer that failed: the handle (when made) and the buffer are released
// and the run is marked as a failed write.
RecHandle FailWriting(ConversionFields& c, RecHandle h, HeaderRefusal reason, HeaderRefusal* why) {
    if (h) RecRelease(h);
    c.blockBuffer = BlockFree(c.blockBuffer);
    c.writeFailed = 1;
    return Refuse(reason, why);
}

}  // namespace

RecHandle WritePsgHeader(const RunRecords& s, HeaderRefusal* why, const NightCheckResult* notes) {
    ConversionFields& c = s.conv;
    c.framesDone = 0;
    c.readPosition = 0;
    c.writeFailed = 0;
    c.fileFinished = 0;
    c.silentBlocks = 0;
    c.heldValid = 0;
    c.checkNotesLeftOut = 0;
    const HeaderRefusal refusal = CheckRunStart(s);
    if (refusal != kHeaderWritten) return Refuse(refusal, why);

    // The buffer comes first so that a run that could not convert anything
    // never creates (and truncates) the output file.
    BlockPlan plan;
    c.blockBuffer = BlockFree(c.blockBuffer);
    if (!PlanBlocks(s, &plan)) return Refuse(kHeaderNoMemory, why);
    if (plan.bufferBytes > 0) {
        c.blockBuffer = BlockAlloc(plan.bufferBytes);
        if (!c.blockBuffer) return Refuse(kHeaderNoMemory, why);
    }

    RecHandle h = RecNew(FieldString(c.stagingPath[0] ? c.stagingPath : c.outputPath).c_str(), 4, 4);
    if (!h) return FailWriting(c, nullptr, kHeaderWriterFailed, why);
    WriteModeKeys(h);
    if (!(c.compareOnly ? RecCompareFile(h) : RecCreateFile(h))) return FailWriting(c, h, kHeaderCreateFailed, why);
    if (!WriteHeaderParts(h, s, plan, notes)) return FailWriting(c, h, kHeaderWriteFailed, why);
    c.framesPerBlock = plan.framesPerBlock;
    c.samplesPerBlock = plan.samplesPerBlock;
    c.totalFrames = RecGetHeaderValue(h, 0, REC_HEADER_TOTAL_FRAMES);
    if (why) *why = kHeaderWritten;
    return h;
}
