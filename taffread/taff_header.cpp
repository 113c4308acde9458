// Parsing of the TAFFmat header and the decision of the channel count and
// length from the header and the data file's size; see taff_header.h.
#include "taffread/taff_header.h"

#include <cmath>
#include <cstddef>

namespace taff {
namespace {

// One line split at its first space (or tab): keyword and trimmed value.
struct Entry {
    std::string keyword;
    std::string value;
};

Entry SplitEntry(const std::string& line) {
    Entry entry;
    const size_t space = line.find_first_of(" \t");
    if (space == std::string::npos) {
        entry.keyword = line;
    } else {
        entry.keyword = line.substr(0, space);
        entry.value = TrimSpaces(line.substr(space + 1));
    }
    return entry;
}

// Applies one entry of the common part. False when a known keyword's value
// cannot be read; unknown keywords are ignored.
bool ApplyEntry(const Entry& e, Header* h, bool* sawNumSeries) {
    const std::string& k = e.keyword;
    if (EqualsNoCase(k, "NUM_SERIES")) {
        if (*sawNumSeries) return true;
        *sawNumSeries = true;
        return ParseInteger(e.value, &h->numSeries);
    }
    if (EqualsNoCase(k, "RATE")) {
        if (h->hasRate) return true;
        h->hasRate = true;
        return ParseNumber(e.value, &h->rate);
    }
    if (EqualsNoCase(k, "SERIES")) {
        if (h->series.empty()) h->series = SplitList(e.value);
        return true;
    }
    if (EqualsNoCase(k, "SLOPE")) {
        if (h->slope.empty()) h->slope = SplitList(e.value);
        return true;
    }
    if (EqualsNoCase(k, "Y_OFFSET")) {
        if (h->yOffset.empty()) h->yOffset = SplitList(e.value);
        return true;
    }
    if (EqualsNoCase(k, "VERT_UNITS")) {
        if (h->vertUnits.empty()) h->vertUnits = SplitList(e.value);
        return true;
    }
    if (EqualsNoCase(k, "DATE")) {
        if (h->hasDate) return true;
        h->hasDate = true;
        return ParseDate(e.value, &h->date);
    }
    if (EqualsNoCase(k, "TIME")) {
        if (h->hasTime) return true;
        h->hasTime = true;
        return ParseTime(e.value, &h->time);
    }
    if (EqualsNoCase(k, "NUM_SAMPS")) {
        if (h->numSamps >= 0) return true;
        return ParseInteger(e.value, &h->numSamps) && h->numSamps >= 0;
    }
    if (EqualsNoCase(k, "FILE_TYPE")) {
        if (EqualsNoCase(e.value, "INTEGER")) h->sampleType = SampleType::Integer16;
        else if (EqualsNoCase(e.value, "LONG")) h->sampleType = SampleType::Long24;
        else return false;
        return true;
    }
    if (EqualsNoCase(k, "STORAGE_MODE")) {
        if (EqualsNoCase(e.value, "INTERLACED")) h->storage = Storage::Interlaced;
        else if (EqualsNoCase(e.value, "SEQUENTIAL")) h->storage = Storage::Sequential;
        else return false;
        return true;
    }
    return true;
}

bool ValuesAreSane(const Header& h) {
    if (h.numSeries < 1 || h.numSeries > kMaxChannels) return false;
    if (h.series.empty() || !h.hasRate || !h.hasDate || !h.hasTime) return false;
    if (!(h.rate >= 0.5 && h.rate < kMaxRate + 0.5)) return false;
    if (h.numSamps > kMaxDeclaredScans) return false;
    return true;
}

// How well `channels` explains the data: 2 = exactly NUM_SAMPS scans (or,
// without NUM_SAMPS, a whole number of scans), 1 = a whole number of fewer
// scans (a recording cut off), 0 = neither.
int DataFit(const Header& h, int64_t channels, int64_t dataBytes) {
    const int64_t scanBytes = channels * (h.sampleType == SampleType::Long24 ? 4 : 2);
    if (dataBytes < scanBytes || dataBytes % scanBytes != 0) return 0;
    if (h.numSamps < 0) return 2;
    const int64_t scans = dataBytes / scanBytes;
    if (scans == h.numSamps) return 2;
    return scans < h.numSamps ? 1 : 0;
}

// How many of the per-channel lists have `channels` items.
int ListVotes(const Header& h, int64_t channels) {
    int votes = 0;
    for (const auto* list : {&h.series, &h.slope, &h.yOffset, &h.vertUnits}) {
        if (static_cast<int64_t>(list->size()) == channels) ++votes;
    }
    return votes;
}

// The channel count, or 0 when nothing is consistent.
int64_t ChooseChannelCount(const Header& h, int64_t dataBytes) {
    const int64_t declared = h.numSeries;
    const int64_t listed = static_cast<int64_t>(h.series.size());
    if (declared == listed) return declared;
    if (listed > kMaxChannels) return DataFit(h, declared, dataBytes) > 0 ? declared : 0;
    const int fitDeclared = DataFit(h, declared, dataBytes);
    const int fitListed = DataFit(h, listed, dataBytes);
    if (fitDeclared != fitListed) return fitDeclared > fitListed ? declared : listed;
    if (fitDeclared == 0) return 0;
    const int votesDeclared = ListVotes(h, declared) + 1;  // NUM_SERIES itself
    const int votesListed = ListVotes(h, listed);
    if (votesDeclared == votesListed) return 0;
    return votesDeclared > votesListed ? declared : listed;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool ParseHeader(const std::string& text, Header* header) {
    Header h;
    bool sawNumSeries = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        const std::string line = TrimSpaces(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.find('\0') != std::string::npos) return false;
        if (line.empty()) continue;
        const Entry entry = SplitEntry(line);
        if (EqualsNoCase(entry.keyword, "DATA")) break;
        if (!ApplyEntry(entry, &h, &sawNumSeries)) return false;
    }
    if (!ValuesAreSane(h)) return false;
    *header = h;
    return true;
}

bool DecideLayout(const Header& h, int64_t dataBytes, Layout* layout) {
    if (dataBytes <= 0) return false;
    const int64_t channels = ChooseChannelCount(h, dataBytes);
    if (channels < 1 || channels > kMaxChannels) return false;
    Layout result;
    result.channels = static_cast<int>(channels);
    result.sampleBytes = h.sampleType == SampleType::Long24 ? 4 : 2;
    result.sequential = h.storage == Storage::Sequential;
    const int64_t scanBytes = channels * result.sampleBytes;
    const int64_t wholeScans = dataBytes / scanBytes;
    const int64_t declared = h.numSamps >= 0 ? h.numSamps : wholeScans;
    int64_t scans = wholeScans < declared ? wholeScans : declared;
    if (result.sequential) {
        // Scan i is whole when the last channel's sample i is in the file.
        result.channelStride = declared;
        const int64_t samplesInFile = dataBytes / result.sampleBytes;
        const int64_t lastChannelStart = (channels - 1) * declared;
        scans = samplesInFile - lastChannelStart;
        if (scans > declared) scans = declared;
    }
    if (scans <= 0) return false;
    result.scans = scans > INT32_MAX ? INT32_MAX : static_cast<int32_t>(scans);
    const int64_t announced = h.numSamps >= 0 ? h.numSamps : scans;
    result.declaredScans = announced > INT32_MAX ? INT32_MAX : static_cast<int32_t>(announced);
    *layout = result;
    return true;
}

int64_t SampleOffset(const Layout& layout, int channel, int64_t scan) {
    const int64_t index = layout.sequential
                              ? static_cast<int64_t>(channel) * layout.channelStride + scan
                              : scan * layout.channels + channel;
    return index * layout.sampleBytes;
}

int32_t RoundedRate(const Header& header) {
    return static_cast<int32_t>(std::floor(header.rate + 0.5));
}

std::string ChannelName(const Header& header, int channel) {
    const std::string fallback = "CH" + std::to_string(channel + 1);
    if (channel < 0 || static_cast<size_t>(channel) >= header.series.size()) return fallback;
    const std::string& item = header.series[static_cast<size_t>(channel)];
    // "CHn_" prefix: C, H (any case), one or more digits, an underscore.
    size_t pos = 0;
    if (item.size() >= 4 && (item[0] == 'C' || item[0] == 'c') && (item[1] == 'H' || item[1] == 'h')) {
        pos = 2;
        while (pos < item.size() && IsDigit(item[pos])) ++pos;
        if (pos > 2 && pos < item.size() && item[pos] == '_') {
            const std::string name = TrimSpaces(item.substr(pos + 1));
            return name.empty() ? item.substr(0, pos) : name;
        }
    }
    return item.empty() ? fallback : item;
}

}  // namespace taff
