// Rate reduction of the channels' samples and assembly of EDF data records.
#include "recfile/edf_records.h"

#include "recfile/edf_annot.h"

#include <cstring>

namespace {

int16_t SourceSample(const int16_t* first, int strideBytes, int64_t index) {
    int16_t v;
    std::memcpy(&v, reinterpret_cast<const unsigned char*>(first) + index * strideBytes, sizeof v);
    return v;
}

// Mean of `count` samples summing to `sum`, rounded to nearest, halves away from zero.
int16_t RoundedMean(int64_t sum, int64_t count) {
    int64_t half = count / 2;
    return static_cast<int16_t>(sum >= 0 ? (sum + half) / count : -((-sum + half) / count));
}

// Output sample of the group [lo, hi) of source samples starting at `base`.
int16_t GroupValue(const int16_t* first, int strideBytes, int64_t base, int64_t lo, int64_t hi,
                   bool takeFirst) {
    if (takeFirst || hi - lo <= 1) return SourceSample(first, strideBytes, base + lo);
    int64_t sum = 0;
    for (int64_t i = lo; i < hi; ++i) sum += SourceSample(first, strideBytes, base + i);
    return RoundedMean(sum, hi - lo);
}

void PutSample(uint8_t*& p, int16_t v) {
    uint16_t u = static_cast<uint16_t>(v);
    *p++ = static_cast<uint8_t>(u & 0xFF);  // EDF samples are little-endian
    *p++ = static_cast<uint8_t>(u >> 8);
}

}  // namespace

void RecTakeFrames(RecChannel& c, int64_t sourcePerRecord, int frames, const int16_t* first,
                   int strideBytes) {
    const int64_t n = c.samplesPerRecord, s = sourcePerRecord;
    c.block.assign(static_cast<size_t>(frames) * static_cast<size_t>(n), 0);
    c.framesInBlock = frames;
    if (s <= 0) return;
    bool takeFirst = c.value[REC_CHANNEL_SIGNAL_TYPE] == REC_TYPE_POSITION;
    int16_t* out = c.block.data();
    for (int f = 0; f < frames; ++f) {
        int64_t base = f * s;
        for (int64_t k = 0; k < n; ++k)
            *out++ = GroupValue(first, strideBytes, base, k * s / n, (k + 1) * s / n, takeFirst);
    }
}

size_t RecRecordBytes(const RecWriter& w) {
    size_t bytes = static_cast<size_t>(w.annotationBytes);
    for (const RecChannel& c : w.channels) bytes += 2 * static_cast<size_t>(c.samplesPerRecord);
    return bytes;
}

bool RecWriteRecords(RecWriter& w, int32_t records) {
    w.record.resize(RecRecordBytes(w));
    for (int32_t r = 0; r < records; ++r) {
        uint8_t* p = w.record.data();
        for (const RecChannel& c : w.channels) {
            size_t n = static_cast<size_t>(c.samplesPerRecord);
            const int16_t* src = r < c.framesInBlock ? c.block.data() + r * n : nullptr;
            for (size_t k = 0; k < n; ++k) PutSample(p, src ? src[k] : 0);
        }
        int64_t onset = static_cast<int64_t>(w.recordsWritten) * w.header[REC_HEADER_FRAME_SECONDS];
        RecFillAnnotations(p, static_cast<size_t>(w.annotationBytes), onset,
                           w.recordsWritten == 0 ? &w.onsetTexts : nullptr);
        if (!w.file.Write(w.record.data(), w.record.size())) return false;
        ++w.recordsWritten;
    }
    return true;
}
