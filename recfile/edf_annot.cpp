// Builds the annotation texts of the first data record and the
// time-stamped annotation lists (TALs) of every record.
#include "recfile/edf_annot.h"

#include "recfile/edf_header.h"
#include "recfile/rec_text.h"

#include <algorithm>
#include <cstring>

namespace {

// Adds "name: value" with `value` converted from Shift-JIS; nothing when
// the value is empty.
void AddText(std::vector<std::string>& out, const char* name, const std::string& sjis) {
    std::string value = RecSjisToUtf8(sjis);
    if (!value.empty()) out.push_back(RecCutUtf8(std::string(name) + ": " + value, kRecMaxAnnotationText));
}

std::string PatientText(const RecWriter& w, int key) {
    auto it = w.patient.find(key);
    return it == w.patient.end() ? std::string() : it->second;
}

// Height (tenths of a centimetre) and weight (grams) as the patient block
// gives them, shown in cm and kg; other text is kept as it is.
std::string Measure(const std::string& text, int decimals, const char* unit) {
    int64_t value = 0;
    if (!RecParseInt(text, value)) return text;
    return RecFormatScaled(value, decimals) + " " + unit;
}

void AddPatient(std::vector<std::string>& out, const RecWriter& w) {
    static const struct { int key; const char* name; } kFields[] = {
        {REC_PATIENT_ID, "Patient ID"}, {REC_PATIENT_NAME, "Patient name"},
        {REC_PATIENT_KANA, "Patient kana"}, {REC_PATIENT_AGE, "Age"},
        {REC_PATIENT_HOSPITAL, "Facility"}, {REC_PATIENT_DEPARTMENT, "Department"},
        {REC_PATIENT_REQ_DOCTOR, "Requesting doctor"}, {REC_PATIENT_TECHNICIAN, "Technician"},
        {REC_PATIENT_READING_DOCTOR, "Reading doctor"}, {REC_PATIENT_MEDICATION, "Medication"}};
    for (const auto& f : kFields) AddText(out, f.name, PatientText(w, f.key));
    AddText(out, "Height", Measure(PatientText(w, REC_PATIENT_HEIGHT), 1, "cm"));
    AddText(out, "Weight", Measure(PatientText(w, REC_PATIENT_WEIGHT), 3, "kg"));
    for (int n = 0; n < 5; ++n) {
        std::string name = "Comment " + RecFormatInt(n + 1);
        AddText(out, name.c_str(), PatientText(w, REC_PATIENT_COMMENT1 + n));
    }
}

// The start as handed in, when the file had to show another one.
void AddStart(std::vector<std::string>& out, const RecWriter& w) {
    if (!RecResolveStart(w).altered) return;
    std::string text;
    for (int i = 0; i < 6; ++i) {
        text += RecFormatInt(w.header[REC_HEADER_YEAR + i]);
        text += i < 2 ? "-" : i == 2 ? " " : i < 5 ? ":" : "";
    }
    out.push_back("Recording start as given: " + text);
}

// "Ch3: label=...; unit=...; calEU=..; calVU=..; offsetCAL=..; offsetAD=.."
void AddChannel(std::vector<std::string>& out, const RecChannel& c) {
    std::string text = "Ch" + RecFormatInt(c.value[REC_CHANNEL_SOURCE_NUMBER]) + ":";
    std::string label = RecSjisToUtf8(c.label), unit = RecSjisToUtf8(c.unit);
    if (!label.empty()) text += " label=" + label + ";";
    if (!unit.empty()) text += " unit=" + unit + ";";
    text += " calEU=" + RecFormatInt(c.value[REC_CHANNEL_CAL_EU]) +
            "; calVU=" + RecFormatInt(c.value[REC_CHANNEL_CAL_VU]) +
            "; offsetCAL=" + RecFormatInt(c.value[REC_CHANNEL_OFFSET_CAL]) +
            "; offsetAD=" + RecFormatInt(c.value[REC_CHANNEL_OFFSET_AD]);
    out.push_back(RecCutUtf8(text, kRecMaxAnnotationText));
}

// "Ch9 position levels: 3", then "Ch9 position level 1: centre=..; width=..; label=.."
void AddLevels(std::vector<std::string>& out, int row, const RecLevelTable& t) {
    std::string prefix = "Ch" + RecFormatInt(row) + " position level";
    out.push_back(prefix + "s: " + RecFormatInt(t.count));
    for (int32_t l = 0; l < t.count; ++l) {
        RecLevel level = static_cast<size_t>(l) < t.levels.size() ? t.levels[l] : RecLevel();
        std::string text = prefix + " " + RecFormatInt(l + 1) +
                           ": centre=" + RecFormatInt(level.centre) +
                           "; width=" + RecFormatInt(level.width);
        std::string label = RecSjisToUtf8(level.label);
        if (!label.empty()) text += "; label=" + label;
        out.push_back(RecCutUtf8(text, kRecMaxAnnotationText));
    }
}

// Writes the decimal digits of `value` (>= 0) at `dst`; returns how many.
size_t PutDigits(uint8_t* dst, int64_t value) {
    uint8_t digits[20];
    size_t n = 0;
    do {
        digits[n++] = static_cast<uint8_t>('0' + value % 10);
        value /= 10;
    } while (value > 0 && n < sizeof digits);
    for (size_t i = 0; i < n; ++i) dst[i] = digits[n - 1 - i];
    return n;
}

size_t DigitCount(int64_t value) {
    size_t n = 1;
    while (value >= 10) value /= 10, ++n;
    return n;
}

}  // namespace

std::vector<std::string> RecOnsetAnnotations(const RecWriter& w) {
    std::vector<std::string> out;
    AddText(out, "Source recording", w.sourceFile);
    AddText(out, "Converter", w.converter);
    AddPatient(out, w);
    AddText(out, "Recording comment", w.comment);
    AddStart(out, w);
    for (const RecChannel& c : w.channels) AddChannel(out, c);
    for (const auto& table : w.levels) AddLevels(out, table.first, table.second);
    return out;
}

size_t RecTimeKeepingBytes(int64_t onset) { return 1 + DigitCount(onset < 0 ? 0 : onset) + 3; }

size_t RecOnsetTextBytes(const std::string& text) { return 3 + text.size() + 2; }

int64_t RecRecordsForTexts(const std::vector<std::string>& texts, int32_t bytes, int32_t frameSeconds) {
    const size_t room = bytes > 0 ? static_cast<size_t>(bytes) : 0;
    int64_t records = 0;
    for (size_t next = 0; next < texts.size(); ++records) {
        size_t used = RecTimeKeepingBytes(records * frameSeconds);
        const size_t before = next;
        while (next < texts.size() && used + RecOnsetTextBytes(texts[next]) <= room)
            used += RecOnsetTextBytes(texts[next++]);
        if (next == before) return -1;  // this text never fits
    }
    return records;
}

int32_t RecAnnotationBytes(const std::vector<std::string>& texts, int32_t frameSeconds, int32_t records) {
    const int64_t limit = records > 1 ? records : 1;
    size_t low = RecTimeKeepingBytes((limit - 1) * static_cast<int64_t>(frameSeconds));
    size_t all = RecTimeKeepingBytes(0);
    for (const std::string& t : texts) {
        low = std::max(low, RecTimeKeepingBytes(0) + RecOnsetTextBytes(t));
        all += RecOnsetTextBytes(t);
    }
    // Even sizes only. One record holding everything always suffices; the
    // records needed only fall as the size grows, so halve the range between.
    size_t lo = (low + 1) / 2, hi = std::max(lo, (all + 1) / 2);
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        const int64_t needed = RecRecordsForTexts(texts, static_cast<int32_t>(2 * mid), frameSeconds);
        if (needed >= 0 && needed <= limit) hi = mid;
        else lo = mid + 1;
    }
    return static_cast<int32_t>(2 * lo);
}

const char kRecDataMissingText[] = "Data missing";
const char kRecRecordingEndsText[] = "Recording ends";

std::string RecUnitsText(int64_t units) { return RecFormatScaled(units < 0 ? 0 : units, 7); }

std::string RecTimedAnnotation(int64_t onsetSamples, int64_t durationSamples, int32_t rate, const std::string& text) {
    if (rate <= 0) return RecTimedAnnotationUnits(0, 0, text);
    return RecTimedAnnotationUnits((std::max<int64_t>(onsetSamples, 0) * 10000000 + rate / 2) / rate,
                                   (std::max<int64_t>(durationSamples, 0) * 10000000 + rate / 2) / rate, text);
}

std::string RecTimedAnnotationUnits(int64_t onsetUnits, int64_t durationUnits, const std::string& text) {
    std::string tal = "+" + RecUnitsText(onsetUnits);
    tal += '\x15';
    tal += RecUnitsText(durationUnits);
    tal += '\x14';
    tal += text;
    tal += '\x14';
    tal += '\0';
    return tal;
}

size_t RecTimedBytes(int64_t maxSeconds, const std::string& text) {
    const size_t number = DigitCount(maxSeconds < 0 ? 0 : maxSeconds) + 8;  // digits, '.', 7 decimals
    return 1 + number + 1 + number + 1 + text.size() + 2;
}

void RecFillAnnotations(uint8_t* dst, size_t bytes, size_t timedRoom, int64_t onset,
                        const std::vector<std::string>* texts, size_t* next, std::vector<std::string>* timed,
                        const RecAddedQueue& added) {
    const size_t addedEnd = timedRoom < bytes ? bytes - timedRoom : 0;
    const size_t textBytes = added.room < addedEnd ? addedEnd - added.room : 0;
    size_t used = 0;
    if (RecTimeKeepingBytes(onset) <= bytes) {
        dst[used++] = '+';
        used += PutDigits(dst + used, onset < 0 ? 0 : onset);
        dst[used++] = 0x14;
        dst[used++] = 0x14;
        dst[used++] = 0;
    }
    while (texts && next && *next < texts->size() &&
           used + RecOnsetTextBytes((*texts)[*next]) <= textBytes) {
        const std::string& t = (*texts)[(*next)++];
        dst[used++] = '+';
        dst[used++] = '0';
        dst[used++] = 0x14;
        if (!t.empty()) std::memcpy(dst + used, t.data(), t.size());
        used += t.size();
        dst[used++] = 0x14;
        dst[used++] = 0;
    }
    while (added.tals && added.next && *added.next < added.tals->size() &&
           used + (*added.tals)[*added.next].size() <= addedEnd) {
        const std::string& tal = (*added.tals)[(*added.next)++];
        std::memcpy(dst + used, tal.data(), tal.size());
        used += tal.size();
    }
    while (timed && !timed->empty() && used + timed->front().size() <= bytes) {
        std::memcpy(dst + used, timed->front().data(), timed->front().size());
        used += timed->front().size();
        timed->erase(timed->begin());
    }
    std::memset(dst + used, 0, bytes - used);
}
