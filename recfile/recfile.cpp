// The PSG writer's entry points. Each call checks the handle and the stage
// of the run with one guard and ignores calls made out of order; the work
// itself lies in edf_header, edf_annot and edf_records.
#include "recfile/recfile.h"

#include "recfile/edf_annot.h"
#include "recfile/edf_header.h"
#include "recfile/edf_records.h"
#include "recfile/rec_text.h"
#include "recfile/rec_types.h"
#include "recfile/rec_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace {

// The writer behind `h` when it is a handle whose stage lies in
// [first, last]; null otherwise, so the caller does nothing.
RecWriter* Guard(RecHandle h, RecPhase first, RecPhase last) {
    if (!h || h->phase < first || h->phase > last) return nullptr;
    return h;
}

RecWriter* Guard(RecHandle h, RecPhase phase) { return Guard(h, phase, phase); }

RecChannel* ChannelAt(RecWriter* w, int channel) {
    if (!w || channel < 0 || static_cast<size_t>(channel) >= w->channels.size()) return nullptr;
    return &w->channels[static_cast<size_t>(channel)];
}

// Output samples per record of `c`: FrameTime x channel rate, at least 1 and
// at most the source samples per record (an output rate cannot exceed the source).
int32_t OutputSamples(const RecChannel& c, int32_t frameSeconds, int64_t sourcePerRecord) {
    int64_t n = static_cast<int64_t>(frameSeconds) * c.value[REC_CHANNEL_RATE];
    return static_cast<int32_t>(std::max<int64_t>(1, std::min(n, std::max<int64_t>(1, sourcePerRecord))));
}

// Makes room in every record for one "Data missing" and, when the
// recording ends before the last record does, the "Recording ends" of that
// record: at the true end of the data, lasting the rest of the record.
void KeepTimedRoom(RecWriter& w) {
    const int64_t fileSeconds = int64_t{w.totalFrames} * w.header[REC_HEADER_FRAME_SECONDS];
    const int64_t length = w.header[REC_HEADER_LENGTH_SAMPLES];
    const int64_t padding = w.totalFrames * w.sourcePerRecord - length;
    w.endAnnotation.clear();
    w.pendingTimed.clear();
    size_t room = RecTimedBytes(fileSeconds, kRecDataMissingText);
    if (padding > 0 && length > 0) {
        w.endAnnotation = RecTimedAnnotation(length, padding, w.header[REC_HEADER_SAMPLE_RATE], kRecRecordingEndsText);
        room += RecTimedBytes(fileSeconds, kRecRecordingEndsText);
    }
    room = (room + 1) / 2 * 2;
    w.timedBytes = static_cast<int32_t>(room);
    w.annotationBytes += w.timedBytes;
}

// Bytes of the channels' samples in one data record.
int64_t SampleBytes(const RecWriter& w) {
    int64_t bytes = 0;
    for (const RecChannel& c : w.channels) bytes += 2 * int64_t{c.samplesPerRecord};
    return bytes;
}

// Makes room in every record for the annotations added before the data:
// ceil(added / records) of the longest of them, so that every one is
// written within the file's records. A record never grows beyond the
// 10 MiB readers accept: when the samples leave less room, fewer go into
// each record and the last ones added are left out (and counted).
void KeepAddedRoom(RecWriter& w) {
    w.addedWritten = 0;
    w.addedBytes = 0;
    w.addedLeftOut = 0;
    if (w.addedTimed.empty()) return;
    size_t longest = 0;
    for (const std::string& tal : w.addedTimed) longest = std::max(longest, tal.size());
    const int64_t records = std::max<int32_t>(w.totalFrames, 1);
    const int64_t count = static_cast<int64_t>(w.addedTimed.size());
    int64_t perRecord = (count + records - 1) / records;
    const int64_t free = (kRecMaxRecordBytes - SampleBytes(w) - w.annotationBytes) / 2 * 2;
    perRecord = std::min<int64_t>(perRecord, free > 0 ? free / static_cast<int64_t>(longest) : 0);
    const int64_t kept = std::min(count, perRecord * records);
    w.addedLeftOut = static_cast<int32_t>(count - kept);
    w.addedTimed.resize(static_cast<size_t>(kept));
    w.addedBytes = static_cast<int32_t>((perRecord * static_cast<int64_t>(longest) + 1) / 2 * 2);
    w.annotationBytes += w.addedBytes;
}

// Fixes the file layout from the values handed in; false when they cannot
// make a valid file (frame time outside 1..3600 s, too many channels, a
// data record larger than readers accept).
bool FixLayout(RecWriter& w) {
    int32_t seconds = w.header[REC_HEADER_FRAME_SECONDS];
    int32_t rate = w.header[REC_HEADER_SAMPLE_RATE];
    if (w.setupInvalid || seconds < 1 || seconds > 3600) return false;
    w.sourcePerRecord = rate > 0 ? static_cast<int64_t>(rate) * seconds : 0;
    if (w.sourcePerRecord > kRecMaxSourcePerRecord) return false;
    for (RecChannel& c : w.channels) c.samplesPerRecord = OutputSamples(c, seconds, w.sourcePerRecord);
    w.totalFrames = RecComputeTotalFrames(w);
    w.onsetTexts = RecOnsetAnnotations(w);
    w.onsetTextsWritten = 0;
    w.annotationBytes = RecAnnotationBytes(w.onsetTexts, seconds, w.totalFrames);
    KeepTimedRoom(w);
    if (SampleBytes(w) + w.annotationBytes > kRecMaxRecordBytes) return false;
    KeepAddedRoom(w);
    RecPlaceSignals(w);
    return static_cast<int64_t>(w.recordBytes) <= kRecMaxRecordBytes;
}

}  // namespace

int32_t RecComputeTotalFrames(const RecWriter& w) {
    int64_t perFrame = static_cast<int64_t>(w.header[REC_HEADER_SAMPLE_RATE]) *
                       w.header[REC_HEADER_FRAME_SECONDS];
    int64_t length = w.header[REC_HEADER_LENGTH_SAMPLES];
    if (w.header[REC_HEADER_SAMPLE_RATE] <= 0 || w.header[REC_HEADER_FRAME_SECONDS] <= 0 || length <= 0)
        return 0;
    return static_cast<int32_t>(std::min<int64_t>((length + perFrame - 1) / perFrame, kRecMaxRecords));
}

RecHandle RecNew(const char* path, int, int) {
    if (!path) return nullptr;
    RecWriter* w = new (std::nothrow) RecWriter;
    if (w) w->path = path;
    return w;
}

int RecCompareFile(RecHandle h) {
    RecWriter* w = Guard(h, RecPhase::Created);
    if (!w || !w->file.OpenToCompare(w->path)) return 0;
    w->phase = RecPhase::FileOpen;
    return 1;
}

int64_t RecDifferenceAt(RecHandle h) { return h ? h->file.DifferenceAt() : -1; }

void RecSetMode(RecHandle, int, int) {
    // The mode keys carry nothing the EDF+ file needs.
}

int RecCreateFile(RecHandle h) {
    RecWriter* w = Guard(h, RecPhase::Created);
    if (!w || !w->file.Create(w->path)) return 0;
    w->phase = RecPhase::FileOpen;
    return 1;
}

void RecBeginHeader(RecHandle h) {
    if (RecWriter* w = Guard(h, RecPhase::FileOpen)) w->phase = RecPhase::Header;
}

void RecSetHeaderValue(RecHandle h, int, int key, int32_t value) {
    RecWriter* w = Guard(h, RecPhase::Header);
    if (w && key > 0 && key < kRecHeaderKeys && key != REC_HEADER_TOTAL_FRAMES) w->header[key] = value;
}

void RecSetHeaderText(RecHandle h, int, int key, const char* text) {
    RecWriter* w = Guard(h, RecPhase::Header);
    if (!w) return;
    if (key == REC_HEADER_TEXT_COMMENT) w->comment = RecCutSjis(text, kRecCommentBytes);
    if (key == REC_HEADER_TEXT_SOURCE_FILE) w->sourceFile = RecCutSjis(text, kRecProvenanceBytes);
    if (key == REC_HEADER_TEXT_CONVERTER) w->converter = RecCutSjis(text, kRecProvenanceBytes);
}

void RecEndHeader(RecHandle h) {
    RecWriter* w = Guard(h, RecPhase::Header);
    if (!w) return;
    int32_t count = w->header[REC_HEADER_CHANNELS];
    if (count < 0 || count > kRecMaxChannels) {
        w->setupInvalid = true;
        count = 0;
    }
    w->channels.assign(static_cast<size_t>(count), RecChannel());
    w->phase = RecPhase::Patient;
}

int32_t RecGetHeaderValue(RecHandle h, int, int key) {
    RecWriter* w = Guard(h, RecPhase::Header, RecPhase::Finished);
    if (!w || key <= 0 || key >= kRecHeaderKeys) return 0;
    return key == REC_HEADER_TOTAL_FRAMES ? RecComputeTotalFrames(*w) : w->header[key];
}

uint16_t RecPutPatientText(RecHandle h, int, uint16_t offset, int width, int key, const char* text) {
    RecWriter* w = Guard(h, RecPhase::Patient);
    if (!w) return 0;
    if (width <= 0) return offset;
    w->patient[key] = RecCutSjis(text, width);
    // The chain of offsets runs in 16 bits; unsigned sums wrap there
    // instead of overflowing for a width near the integer limit.
    return static_cast<uint16_t>(static_cast<uint32_t>(offset) + static_cast<uint32_t>(width));
}

void RecSetPatientValue(RecHandle, int, int, int32_t) {
    // The patient block's length: the file keeps the texts, not the block.
}

void RecSetPatientLayout(RecHandle, int, int, int, int) {
    // Layout constants of the patient block: nothing in the file depends on them.
}

void RecEndPatient(RecHandle h) {
    if (RecWriter* w = Guard(h, RecPhase::Patient)) w->phase = RecPhase::Tables;
}

void RecPutLevel(RecHandle h, int, int kind, int channelNumber, int index, int32_t value1,
                 int32_t value2, const char* text) {
    RecWriter* w = Guard(h, RecPhase::Tables);
    if (!w || channelNumber < 1 || channelNumber > kRecMaxChannelNumber) return;
    RecLevelTable& t = w->levels[channelNumber];
    if (t.ended) return;
    if (kind == REC_LEVEL_COUNT) {
        t.count = std::max(0, std::min<int32_t>(value1, kRecMaxLevels));
    } else if (kind == REC_LEVEL_ENTRY && index >= 0 && index < kRecMaxLevels) {
        if (t.levels.size() <= static_cast<size_t>(index)) t.levels.resize(static_cast<size_t>(index) + 1);
        RecLevel& level = t.levels[static_cast<size_t>(index)];
        level.centre = value1;
        level.width = value2;
        level.label = RecCutSjis(text, kRecLevelLabelBytes);
    }
}

void RecEndLevels(RecHandle h, int channelNumber) {
    RecWriter* w = Guard(h, RecPhase::Tables);
    if (!w) return;
    auto it = w->levels.find(channelNumber);
    if (it != w->levels.end()) it->second.ended = true;
}

int RecAddAnnotation(RecHandle h, double onsetSeconds, double durationSeconds, const char* text) {
    RecWriter* w = Guard(h, RecPhase::Patient, RecPhase::Tables);
    if (!w || !text || w->addedTimed.size() >= kRecMaxAddedAnnotations) return 0;
    const int64_t length = w->header[REC_HEADER_LENGTH_SAMPLES];
    const int32_t rate = w->header[REC_HEADER_SAMPLE_RATE];
    if (length <= 0 || rate <= 0) return 0;
    // The recording's end in 100 ns units, as "Recording ends" states it.
    const int64_t endUnits = (length * 10000000 + rate / 2) / rate;
    const double endSeconds = static_cast<double>(endUnits) / 1e7;
    // Not-a-number fails every comparison and is refused with the rest.
    if (!(onsetSeconds >= 0 && durationSeconds >= 0 && onsetSeconds <= endSeconds && durationSeconds <= endSeconds))
        return 0;
    // The end rounded as one number, so that a stretch ending at the
    // recording's end ends exactly there.
    const int64_t onset = std::llround(onsetSeconds * 1e7), end = std::llround((onsetSeconds + durationSeconds) * 1e7);
    if (end > endUnits || end < onset) return 0;
    const std::string utf8 = RecSjisToUtf8(text);
    if (utf8.empty() || utf8.size() > kRecMaxAnnotationText) return 0;
    w->addedTimed.push_back(RecTimedAnnotationUnits(onset, end - onset, utf8));
    return 1;
}

int32_t RecAnnotationsLeftOut(RecHandle h) {
    RecWriter* w = Guard(h, RecPhase::Data, RecPhase::Finished);
    return w ? w->addedLeftOut : 0;
}

void RecSetChannelText(RecHandle h, int, int key, int channel, const char* text) {
    RecChannel* c = ChannelAt(Guard(h, RecPhase::Tables), channel);
    if (c && key == REC_CHANNEL_LABEL) c->label = RecCutSjis(text, kRecLabelBytes);
    if (c && key == REC_CHANNEL_UNIT) c->unit = RecCutSjis(text, kRecUnitBytes);
}

void RecSetChannelValue(RecHandle h, int, int key, int channel, int32_t value) {
    RecChannel* c = ChannelAt(Guard(h, RecPhase::Tables), channel);
    if (c && key > 0 && key < kRecChannelKeys) c->value[key] = value;
}

int RecWriteChannels(RecHandle h) {
    RecWriter* w = Guard(h, RecPhase::Tables);
    if (!w) return 0;
    w->phase = RecPhase::Data;
    if (!FixLayout(*w)) {
        w->setupInvalid = true;
        return 0;
    }
    std::string header = RecBuildHeader(*w);
    return w->file.Write(header.data(), header.size()) && w->file.Flush();
}

void RecSetBlockSize(RecHandle h, uint16_t secondsPerBlock) {
    if (RecWriter* w = Guard(h, RecPhase::Data)) w->blockSeconds = secondsPerBlock;
}

int RecWriteBlock(RecHandle h, int, uint16_t frames, int channel, int strideBytes, const int16_t* first) {
    RecWriter* w = Guard(h, RecPhase::Data);
    RecChannel* c = ChannelAt(w, channel);
    if (!c || !first || frames == 0 || strideBytes <= 0 || w->setupInvalid) return 0;
    int32_t seconds = w->header[REC_HEADER_FRAME_SECONDS];
    int maxFrames = std::max<int>(kRecMinBlockFrames, w->blockSeconds / seconds);
    if (frames > maxFrames) return 0;  // bounds the memory a block may take
    if (!RecReserveBlock(*w, frames)) return 0;
    RecTakeFrames(*c, w->sourcePerRecord, frames, first, strideBytes, w->blockRecords.data() + c->recordOffset,
                  w->recordBytes);
    c->framesInBlock = frames;
    return 1;
}

int RecFlushBlock(RecHandle h, uint16_t frames) {
    RecWriter* w = Guard(h, RecPhase::Data);
    if (!w) return 0;
    int32_t handed = w->channels.empty() ? frames : 0;
    for (RecChannel& c : w->channels) handed = std::max(handed, c.framesInBlock);
    int32_t records = std::min<int32_t>({frames, handed, w->totalFrames - w->recordsWritten});
    bool ok = !w->setupInvalid && !w->file.Failed();
    if (ok && records > 0) ok = RecWriteRecords(*w, records) && w->file.Flush();
    for (RecChannel& c : w->channels) c.framesInBlock = 0;
    return ok ? 1 : 0;
}

int RecMarkMissing(RecHandle h, int32_t firstSample, int32_t samples) {
    RecWriter* w = Guard(h, RecPhase::Data);
    if (!w || w->setupInvalid || firstSample < 0 || samples <= 0) return 0;
    const int64_t end = std::min<int64_t>(int64_t{firstSample} + samples, w->header[REC_HEADER_LENGTH_SAMPLES]);
    if (end <= firstSample) return 0;
    w->pendingTimed.push_back(RecTimedAnnotation(firstSample, end - firstSample, w->header[REC_HEADER_SAMPLE_RATE],
                                                 kRecDataMissingText));
    return 1;
}

int RecFinish(RecHandle h) {
    RecWriter* w = Guard(h, RecPhase::Data);
    if (!w) return 0;
    w->phase = RecPhase::Finished;
    // A file without a data record is no recording (readers refuse it):
    // the run is not finished.
    if (w->recordsWritten == 0) w->setupInvalid = true;
    bool ok = !w->setupInvalid && !w->file.Failed();
    // A run with a failed write or without a record keeps the "unknown"
    // count, so no reader takes the file for a complete one.
    if (ok) {
        std::string count = RecRecordCountField(w->recordsWritten);
        ok = w->file.WriteAt(kRecRecordCountOffset, count.data(), count.size());
    }
    return (w->file.Close() && ok) ? 1 : 0;
}

RecHandle RecRelease(RecHandle h) {
    delete h;  // closes the file when RecFinish did not
    return nullptr;
}

int RecHasFailed(RecHandle h) {
    // Without a writer nothing vouches for the file.
    if (!h) return 1;
    return (h->file.Failed() || h->setupInvalid) ? 1 : 0;
}

uint16_t RecTypeName(uint16_t type, char* dest, int destSize) {
    const char* name = RecSignalTypeName(type);
    if (dest && destSize > 0) {
        size_t n = name ? std::min(std::strlen(name), static_cast<size_t>(destSize) - 1) : 0;
        if (n) std::memcpy(dest, name, n);
        dest[n] = '\0';
    }
    return name ? 1 : 0;
}
