// Reading a PSG file back and comparing it with its recording; see
// psg_verify.h.
#include "batch/psg_verify.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "engine/identity_rules.h"
#include "engine/psg_header.h"
#include "recfile/edf_header.h"
#include "recfile/recfile.h"
#include "filekit/filekit.h"
#include "taffread/taffread.h"

namespace {


bool ReadExactly(FILE* file, void* dest, size_t size) { return fread(dest, 1, size, file) == size; }

bool Fail(std::string* why, const std::string& text) {
    if (why) *why = text;
    return false;
}

bool LittleEndianHost() {
    const uint16_t one = 1;
    unsigned char first = 0;
    memcpy(&first, &one, 1);
    return first == 1;
}

int16_t SampleAt(const unsigned char* p) { return int16_t(uint16_t(p[0] | (p[1] << 8))); }

// Rounded mean, halves away from zero.
int16_t RoundedMean(int64_t sum, int64_t count) {
    const int64_t magnitude = (sum < 0 ? -sum : sum) + count / 2;
    const int64_t q = magnitude / count;
    return int16_t(sum < 0 ? -q : q);
}

// The run channels of the montage: switched-on entries among the
// recording's channels, in entry order.
std::vector<int> MontageChannels(const JobRecords& r) {
    std::vector<int> channels;
    for (int j = 0; j < kChannelEntries && j < r.source.channelCount; ++j)
        if (r.pattern.channels[j].enabled > 0) channels.push_back(j);
    return channels;
}

std::string TwoDigits(int value) {
    char text[8];
    snprintf(text, sizeof text, "%02d", value % 100);
    return text;
}

bool CheckHeader(const JobRecords& r, const PsgLayout& h, const std::vector<int>& channels, int64_t fileBytes,
                 std::string* why) {
    const int64_t frame = r.settings.FrameTime;
    const int64_t perRecord = frame * r.source.sampleRate;
    const int64_t records = (int64_t(r.source.lengthSamples) + perRecord - 1) / perRecord;
    if (h.version != "0" || h.reserved != "EDF+C") return Fail(why, "not an EDF+C file");
    if (h.signals.size() != channels.size() + 1) return Fail(why, "header names another number of signals");
    if (h.recordSeconds != frame) return Fail(why, "header gives another record duration");
    if (h.records != records) return Fail(why, "header gives another number of records");
    if (fileBytes != h.headerBytes + h.records * h.RecordBytes()) return Fail(why, "file size differs from its header");
    if (h.signals.back().label != "EDF Annotations") return Fail(why, "no annotation signal last");
    const SourceInfo& s = r.source;
    // The start as written: a de-identified copy may have its date moved.
    int32_t start[6] = {s.startYear, s.startMonth, s.startDay, s.startHour, s.startMinute, s.startSecond};
    ApplyStartIdentity(start, r.settings.identity);
    if (start[0] >= kRecFirstYear && start[0] <= kRecLastYear) {
        if (h.startDate != TwoDigits(start[2]) + "." + TwoDigits(start[1]) + "." + TwoDigits(start[0]))
            return Fail(why, "header start date differs from the recording's");
        if (h.startTime != TwoDigits(start[3]) + "." + TwoDigits(start[4]) + "." + TwoDigits(start[5]))
            return Fail(why, "header start time differs from the recording's");
    }
    for (size_t o = 0; o < channels.size(); ++o) {
        const PsgLayout::Signal& g = h.signals[o];
        const int j = channels[o];
        const std::string name = "signal " + std::to_string(o + 1);
        if (g.transducer.compare(0, 4 + std::to_string(j + 1).size() + 1, "src=" + std::to_string(j + 1) + " ") != 0)
            return Fail(why, name + " is not source channel " + std::to_string(j + 1));
        if (g.samplesPerRecord != frame * ChannelRate(s.sampleRate, r.pattern.channels[j].rateDivisor))
            return Fail(why, name + " has another rate than its montage gives");
        if (g.digitalMin != -32768 || g.digitalMax != 32767) return Fail(why, name + " has another digital range");
    }
    return true;
}

// Compares one record's samples of every run channel with the source.
bool CheckRecord(const JobRecords& r, const PsgLayout& h, const std::vector<int>& channels, int64_t record,
                 const unsigned char* bytes, std::vector<int16_t>& source, std::string* why) {
    const int64_t perRecord = int64_t(r.settings.FrameTime) * r.source.sampleRate;
    const int32_t read =
        TaffReadChannelBlock(r.source.sourceHandle, int32_t(record * perRecord), int32_t(perRecord), source.data());
    if (read <= 0) return Fail(why, "the recording cannot be read again at record " + std::to_string(record + 1));
    // After the recording's end the file repeats each channel's last sample.
    for (int j = 0; read < perRecord && j < r.source.channelCount; ++j) {
        int16_t* run = source.data() + size_t(j) * size_t(perRecord);
        for (int64_t i = read; i < perRecord; ++i) run[i] = run[read - 1];
    }
    size_t offset = 0;
    for (size_t signal = 0; signal < channels.size(); ++signal) {
        const int16_t* run = source.data() + size_t(channels[signal]) * size_t(perRecord);
        const int64_t n = h.signals[signal].samplesPerRecord;
        const bool keepsFirst = r.pattern.channels[channels[signal]].signalType == REC_TYPE_POSITION;
        // Output rates divide the source rate (the header refuses others),
        // so output sample k stands for source samples [k*groupSize,
        // (k+1)*groupSize): their rounded mean, or the first for body position.
        const int64_t groupSize = perRecord / n;
        if (groupSize * n != perRecord)
            return Fail(why, "signal " + std::to_string(signal + 1) + " has no whole rate");
        // At the source rate the file holds the samples as they are: one
        // comparison of the run (little-endian hosts), sample by sample only
        // to name a difference.
        const bool whole = groupSize == 1 && LittleEndianHost() && memcmp(run, bytes + offset, size_t(2 * n)) == 0;
        for (int64_t k = 0; k < n && !whole; ++k) {
            const int16_t* samples = run + k * groupSize;
            int16_t expected = samples[0];
            if (!keepsFirst && groupSize > 1) {
                int64_t sum = 0;
                for (int64_t i = 0; i < groupSize; ++i) sum += samples[i];
                expected = RoundedMean(sum, groupSize);
            }
            if (SampleAt(bytes + offset + size_t(2 * k)) != expected)
                return Fail(why, "sample " + std::to_string(record * n + k) + " of signal " +
                                     std::to_string(signal + 1) + " differs from the recording");
        }
        offset += size_t(2 * n);
    }
    return true;
}

// Seconds of a TAL's onset or duration text ("+892.9", "7.1"); -1 when the
// text is not a decimal number.
double TalSeconds(const std::string& text) {
    if (text.empty()) return -1;
    char* end = nullptr;
    const double v = strtod(text.c_str(), &end);
    return end && *end == '\0' ? v : -1;
}

// The last record's annotations must mark where the recording ends when it
// ends before the record does: "Recording ends" at the end of the data,
// lasting the rest of the record; and never when the data fill the record.
bool CheckEnd(const JobRecords& r, const PsgLayout& h, const unsigned char* record, std::string* why) {
    const int64_t annotationAt = h.RecordBytes() - 2 * h.signals.back().samplesPerRecord;
    const std::string annotations(reinterpret_cast<const char*>(record) + annotationAt,
                                  size_t(2 * h.signals.back().samplesPerRecord));
    const std::string text = std::string("\x14Recording ends\x14");
    const size_t at = annotations.find(text);
    const int64_t padding = h.records * h.recordSeconds * r.source.sampleRate - r.source.lengthSamples;
    if (padding <= 0) return at == std::string::npos ? true : Fail(why, "a \"Recording ends\" where the data fill the file");
    if (at == std::string::npos) return Fail(why, "no \"Recording ends\" in the last record");
    const size_t start = annotations.rfind('+', at);
    const size_t split = annotations.find('\x15', start == std::string::npos ? 0 : start);
    if (start == std::string::npos || split == std::string::npos || split > at)
        return Fail(why, "\"Recording ends\" has no onset and duration");
    const double onset = TalSeconds(annotations.substr(start + 1, split - start - 1));
    const double duration = TalSeconds(annotations.substr(split + 1, at - split - 1));
    const double rate = r.source.sampleRate;
    if (std::fabs(onset - r.source.lengthSamples / rate) > 1e-6 || std::fabs(duration - padding / rate) > 1e-6)
        return Fail(why, "\"Recording ends\" is not at the end of the recording's data");
    return true;
}

}  // namespace

std::string SettingsNote(const std::string& hash) { return "settings sha256 " + hash; }

std::string SettingsHashOf(const std::string& path) {
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return "";
    PsgLayout h;
    std::string texts;
    if (ReadPsgLayout(file, h, nullptr) && h.signals.back().label == "EDF Annotations") {
        // The provenance texts are onset-0 annotations of the first records.
        const size_t annotation = size_t(2 * h.signals.back().samplesPerRecord);
        std::vector<char> record(size_t(h.RecordBytes()));
        for (int64_t i = 0; i < 8 && (h.records < 0 || i < h.records); ++i) {
            if (fread(record.data(), 1, record.size(), file) != record.size()) break;
            texts.append(record.data() + record.size() - annotation, annotation);
        }
    }
    fclose(file);
    const std::string lead = SettingsNote("");
    const size_t at = texts.find(lead);
    if (at == std::string::npos || at + lead.size() + 64 > texts.size()) return "";
    const std::string hash = texts.substr(at + lead.size(), 64);
    for (char c : hash)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return "";
    return hash;
}

bool VerifyPsgFile(const JobRecords& r, const std::string& path, std::string* why) {
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return Fail(why, "cannot be read back");
    PsgLayout h;
    bool ok = ReadPsgLayout(file, h, why);
    const std::vector<int> channels = MontageChannels(r);
    ok = ok && r.source.sampleRate > 0 && r.settings.FrameTime > 0 &&
         CheckHeader(r, h, channels, FileBytes(path), why);
    if (ok) {
        const int64_t perRecord = int64_t(r.settings.FrameTime) * r.source.sampleRate;
        std::vector<int16_t> source(size_t(r.source.channelCount + 1) * size_t(perRecord) + 32);
        std::vector<unsigned char> record(size_t(h.RecordBytes()));
        for (int64_t i = 0; ok && i < h.records; ++i) {
            ok = ReadExactly(file, record.data(), record.size());
            if (!ok) Fail(why, "record " + std::to_string(i + 1) + " cannot be read back");
            ok = ok && CheckRecord(r, h, channels, i, record.data(), source, why);
            ok = ok && (i + 1 < h.records || CheckEnd(r, h, record.data(), why));
        }
    }
    fclose(file);
    return ok;
}
