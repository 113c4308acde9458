// Rate reduction of the channels' samples into the block's data records,
// and the records' annotations and writing.
#include "recfile/edf_records.h"

#include "recfile/edf_annot.h"

#include <cstring>
#include <new>
#include <stdexcept>

#include "textkit/byte_order.h"

namespace {

int16_t SourceSample(const unsigned char* at) {
    int16_t v;
    std::memcpy(&v, at, sizeof v);
    return v;
}

// EDF samples are little-endian.
void PutSample(uint8_t* p, int16_t v) {
    if (kLittleEndianHost) {
        std::memcpy(p, &v, sizeof v);
    } else {
        const uint16_t u = static_cast<uint16_t>(v);
        p[0] = static_cast<uint8_t>(u & 0xFF);
        p[1] = static_cast<uint8_t>(u >> 8);
    }
}

// Divisor 1: the frame's `count` samples, unchanged.
void CopyFrame(const unsigned char* src, size_t stride, int64_t count, uint8_t* out) {
    if (kLittleEndianHost && stride == sizeof(int16_t)) {
        std::memcpy(out, src, static_cast<size_t>(count) * sizeof(int16_t));
        return;
    }
    for (int64_t k = 0; k < count; ++k, src += stride, out += 2) PutSample(out, SourceSample(src));
}

// The groups of a frame: output sample k takes source samples
// [floor(k*S/N), floor((k+1)*S/N)), so every group holds S/N or S/N + 1
// samples and the bounds advance without a division: the remainder of
// k*S/N grows by S mod N per group and a group is one longer whenever it
// passes N.
struct Groups {
    int64_t size;        // S / N
    int64_t remainder;   // S mod N
    int64_t outputs;     // N
    RecGroupDivisor shorter, longer;  // for groups of S/N and S/N + 1 samples
};

// Groups that all hold S/N samples (N divides S): the sum of each group in
// 32 bits (a group of up to 65535 samples cannot overflow it) and its
// rounded mean by the group's reciprocal, which such a group always has.
// `Size` > 0 fixes the group size at compile time (the usual divisors), so
// that the sum is unrolled; 0 takes it from `g`.
template <int Size>
void ReduceEvenGroups(const unsigned char* src, size_t stride, const Groups& g, uint8_t* out) {
    const int64_t size = Size > 0 ? Size : g.size;
    const uint64_t reciprocal = g.shorter.reciprocal, half = static_cast<uint64_t>(size / 2);
    const size_t step = static_cast<size_t>(size) * stride;
    for (int64_t k = 0; k < g.outputs; ++k, src += step, out += 2) {
        int32_t sum = 0;
        for (int64_t i = 0; i < size; ++i) sum += SourceSample(src + static_cast<size_t>(i) * stride);
        const int32_t sign = sum < 0 ? -1 : 0;
        const uint64_t magnitude = static_cast<uint32_t>((sum ^ sign) - sign) + half;
        const int32_t mean = static_cast<int32_t>((magnitude * reciprocal) >> kRecReciprocalShift);
        PutSample(out, static_cast<int16_t>((mean ^ sign) - sign));
    }
}

void ReduceFrame(const unsigned char* src, size_t stride, const Groups& g, bool takeFirst, uint8_t* out) {
    if (!takeFirst && g.remainder == 0 && g.size <= 65535) {
        switch (g.size) {
            case 2: ReduceEvenGroups<2>(src, stride, g, out); return;
            case 4: ReduceEvenGroups<4>(src, stride, g, out); return;
            case 5: ReduceEvenGroups<5>(src, stride, g, out); return;
            case 10: ReduceEvenGroups<10>(src, stride, g, out); return;
            default: ReduceEvenGroups<0>(src, stride, g, out); return;
        }
    }
    int64_t carried = 0;
    for (int64_t k = 0; k < g.outputs; ++k, out += 2) {
        carried += g.remainder;
        const bool longer = carried >= g.outputs;
        if (longer) carried -= g.outputs;
        const int64_t count = g.size + (longer ? 1 : 0);
        if (takeFirst || count == 1) {
            PutSample(out, SourceSample(src));
        } else {
            int64_t sum = 0;
            for (int64_t i = 0; i < count; ++i) sum += SourceSample(src + static_cast<size_t>(i) * stride);
            PutSample(out, RecRoundedMean(sum, longer ? g.longer : g.shorter));
        }
        src += static_cast<size_t>(count) * stride;
    }
}

}  // namespace

RecGroupDivisor RecMakeGroupDivisor(int64_t count) {
    RecGroupDivisor d;
    d.count = count > 0 ? count : 1;
    if (d.count <= kRecMaxReciprocalCount) {
        const uint64_t scale = uint64_t{1} << kRecReciprocalShift;
        const uint64_t c = static_cast<uint64_t>(d.count);
        d.reciprocal = (scale + c - 1) / c;
    }
    return d;
}

void RecTakeFrames(const RecChannel& c, int64_t sourcePerRecord, int frames, const int16_t* first,
                   int strideBytes, uint8_t* dst, size_t recordBytes) {
    RecReduceFrames(sourcePerRecord, c.samplesPerRecord, c.value[REC_CHANNEL_SIGNAL_TYPE], frames, first,
                    strideBytes, dst, recordBytes);
}

void RecReduceFrames(int64_t sourcePerFrame, int64_t outputPerFrame, int32_t signalType, int frames,
                     const int16_t* first, int strideBytes, uint8_t* dst, size_t frameBytes) {
    const int64_t n = outputPerFrame, s = sourcePerFrame;
    const size_t stride = static_cast<size_t>(strideBytes);
    const unsigned char* src = reinterpret_cast<const unsigned char*>(first);
    const size_t frameStep = static_cast<size_t>(s) * stride;
    if (s <= 0 || n <= 0 || n > s) {
        for (int f = 0; f < frames; ++f) std::memset(dst + f * frameBytes, 0, static_cast<size_t>(n > 0 ? n : 0) * 2);
        return;
    }
    if (n == s) {
        for (int f = 0; f < frames; ++f, src += frameStep, dst += frameBytes) CopyFrame(src, stride, n, dst);
        return;
    }
    Groups g;
    g.size = s / n;
    g.remainder = s % n;
    g.outputs = n;
    g.shorter = RecMakeGroupDivisor(g.size);
    g.longer = RecMakeGroupDivisor(g.size + 1);
    const bool takeFirst = signalType == REC_TYPE_POSITION;
    for (int f = 0; f < frames; ++f, src += frameStep, dst += frameBytes) ReduceFrame(src, stride, g, takeFirst, dst);
}

void RecPlaceSignals(RecWriter& w) {
    size_t offset = 0;
    for (RecChannel& c : w.channels) {
        c.recordOffset = offset;
        offset += 2 * static_cast<size_t>(c.samplesPerRecord);
    }
    w.recordBytes = offset + static_cast<size_t>(w.annotationBytes);
}

size_t RecRecordBytes(const RecWriter& w) { return w.recordBytes; }

bool RecReserveBlock(RecWriter& w, int frames) {
    const size_t bytes = static_cast<size_t>(frames > 0 ? frames : 0) * w.recordBytes;
    if (w.blockRecords.size() >= bytes) return true;
    try {
        w.blockRecords.resize(bytes);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

bool RecWriteRecords(RecWriter& w, int32_t records) {
    if (records <= 0) return true;
    if (!RecReserveBlock(w, records)) {
        w.file.MarkFailed();  // records that cannot be written leave the file incomplete
        return false;
    }
    const size_t annotationAt = w.recordBytes - static_cast<size_t>(w.annotationBytes);
    const int32_t seconds = w.header[REC_HEADER_FRAME_SECONDS];
    RecAddedQueue added;
    added.tals = &w.addedTimed;
    added.next = &w.addedWritten;
    added.room = static_cast<size_t>(w.addedBytes);
    for (int32_t r = 0; r < records; ++r) {
        uint8_t* record = w.blockRecords.data() + static_cast<size_t>(r) * w.recordBytes;
        for (const RecChannel& c : w.channels)
            if (r >= c.framesInBlock) std::memset(record + c.recordOffset, 0, 2 * static_cast<size_t>(c.samplesPerRecord));
        const int64_t onset = static_cast<int64_t>(w.recordsWritten + r) * seconds;
        if (w.recordsWritten + r == w.totalFrames - 1 && !w.endAnnotation.empty())
            w.pendingTimed.push_back(w.endAnnotation);
        RecFillAnnotations(record + annotationAt, static_cast<size_t>(w.annotationBytes),
                           static_cast<size_t>(w.timedBytes), onset, &w.onsetTexts, &w.onsetTextsWritten,
                           &w.pendingTimed, added);
    }
    if (!w.file.Write(w.blockRecords.data(), static_cast<size_t>(records) * w.recordBytes)) return false;
    w.recordsWritten += records;
    return true;
}
