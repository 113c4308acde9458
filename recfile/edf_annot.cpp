// Builds the annotation texts of the first data record and the
// time-stamped annotation lists (TALs) of every record.
#include "recfile/edf_annot.h"

#include "recfile/edf_header.h"
#include "recfile/rec_text.h"

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

size_t TalBytes(const std::string& text) { return 3 + text.size() + 2; }  // "+0" 0x14 text 0x14 0x00

}  // namespace

std::vector<std::string> RecOnsetAnnotations(const RecWriter& w) {
    std::vector<std::string> out;
    AddPatient(out, w);
    AddText(out, "Recording comment", w.comment);
    AddStart(out, w);
    for (const RecChannel& c : w.channels) AddChannel(out, c);
    for (const auto& table : w.levels) AddLevels(out, table.first, table.second);
    return out;
}

int32_t RecAnnotationBytes(const std::vector<std::string>& texts, int64_t lastOnset) {
    size_t first = 5;  // "+0" 0x14 0x14 0x00
    for (const std::string& t : texts) first += TalBytes(t);
    size_t later = 1 + RecFormatInt(lastOnset).size() + 3;
    size_t bytes = first > later ? first : later;
    return static_cast<int32_t>((bytes + 1) / 2 * 2);
}

void RecFillAnnotations(uint8_t* dst, size_t bytes, int64_t onset,
                        const std::vector<std::string>* texts) {
    std::string tal = "+" + RecFormatInt(onset) + "\x14\x14";
    tal += '\0';
    if (texts) {
        for (const std::string& t : *texts) {
            tal += "+0\x14" + t + "\x14";
            tal += '\0';
        }
    }
    size_t n = tal.size() < bytes ? tal.size() : bytes;
    std::memcpy(dst, tal.data(), n);
    std::memset(dst + n, 0, bytes - n);
}
