// Reading a PSG file's header back; see edf_read.h.
#include "recfile/edf_read.h"

#include <cstdlib>

#include "recfile/edf_header.h"

namespace {

// A field's text without the blanks that pad it.
std::string Field(const char* bytes, size_t width) {
    std::string text(bytes, width);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

std::string Field(const char* header, RecField f) { return Field(header + f.offset, size_t(f.width)); }

// A whole decimal number filling the field (blanks after it); false for
// anything else.
bool Number(const std::string& text, int64_t& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long long v = strtoll(text.c_str(), &end, 10);
    if (!end || *end != '\0') return false;
    value = v;
    return true;
}

bool Fail(std::string* why, const char* text) {
    if (why) *why = text;
    return false;
}

}  // namespace

int64_t PsgLayout::RecordBytes() const {
    int64_t bytes = 0;
    for (const Signal& s : signals) bytes += 2 * s.samplesPerRecord;
    return bytes;
}

bool ReadPsgLayout(FILE* file, PsgLayout& h, std::string* why) {
    char main[256];
    if (fread(main, 1, sizeof main, file) != sizeof main) return Fail(why, "shorter than a PSG header");
    h.version = Field(main, kRecVersionField);
    h.startDate = Field(main, kRecStartDateField);
    h.startTime = Field(main, kRecStartTimeField);
    h.reserved = Field(main, kRecReservedField).substr(0, 5);
    int64_t count = 0;
    if (!Number(Field(main, kRecHeaderBytesField), h.headerBytes) ||
        !Number(Field(main, kRecRecordCountField), h.records) ||
        !Number(Field(main, kRecRecordSecondsField), h.recordSeconds) ||
        !Number(Field(main, kRecSignalCountField), count) || count < 1 || count > 4096 ||
        h.headerBytes != 256 * (count + 1))
        return Fail(why, "not a readable PSG header");
    const size_t n = size_t(count);
    h.signals.assign(n, PsgLayout::Signal());
    std::vector<char> bytes;
    for (int field = 0; field < kRecSignalFields; ++field) {
        const size_t width = size_t(kRecSignalFieldWidths[field]);
        bytes.resize(n * width);
        if (fread(bytes.data(), 1, bytes.size(), file) != bytes.size())
            return Fail(why, "not a readable PSG header (signal fields)");
        for (size_t i = 0; i < n; ++i) {
            const std::string text = Field(bytes.data() + i * width, width);
            PsgLayout::Signal& s = h.signals[i];
            bool ok = true;
            if (field == kRecSignalLabel) s.label = text;
            else if (field == kRecSignalTransducer) s.transducer = text;
            else if (field == kRecSignalDigMin) ok = Number(text, s.digitalMin);
            else if (field == kRecSignalDigMax) ok = Number(text, s.digitalMax);
            else if (field == kRecSignalSamples) ok = Number(text, s.samplesPerRecord);
            if (!ok) return Fail(why, "not a readable PSG header (signal fields)");
        }
    }
    for (const PsgLayout::Signal& s : h.signals)
        if (s.samplesPerRecord < 1 || s.samplesPerRecord > (int64_t(1) << 24))
            return Fail(why, "not a readable PSG header (samples per record)");
    return true;
}

bool ReadPsgFileLayout(const std::string& path, PsgLayout& h) {
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return false;
    const bool read = ReadPsgLayout(file, h, nullptr);
    fclose(file);
    return read;
}

bool PsgFileIsWhole(const std::string& path) {
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return false;
    PsgLayout h;
    const bool read = ReadPsgLayout(file, h, nullptr);
    const bool end = fseek(file, 0, SEEK_END) == 0;
    const long long bytes = end ? (long long)ftello(file) : -1;
    fclose(file);
    return read && h.records > 0 && bytes == h.headerBytes + h.records * h.RecordBytes();
}
