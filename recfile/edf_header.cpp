// Builds the EDF+C header from the values handed to the PSG writer: the
// patient and recording identification subfields, start date and time,
// and per signal its label, unit, physical range, filters and transducer.
#include "recfile/edf_header.h"

#include "recfile/rec_text.h"
#include "recfile/rec_types.h"

namespace {

const char* const kMonths[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                 "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// Appends `text` cut or space-padded to exactly `width` bytes; any byte
// outside printable ASCII becomes a space.
void PutField(std::string& out, const std::string& text, size_t width) {
    for (size_t i = 0; i < width; ++i) {
        char c = i < text.size() ? text[i] : ' ';
        unsigned char b = static_cast<unsigned char>(c);
        out += (b >= 32 && b <= 126) ? c : ' ';
    }
}

std::string TwoDigits(int value) {
    std::string text = RecFormatInt(value % 100);
    return text.size() < 2 ? "0" + text : text;
}


// "dd-MMM-yyyy" as EDF+ writes dates in identification subfields.
std::string EdfPlusDate(int year, int month, int day) {
    std::string yyyy = RecFormatInt(year);
    while (yyyy.size() < 4) yyyy.insert(0, 1, '0');
    return TwoDigits(day) + "-" + kMonths[month - 1] + "-" + yyyy;
}

// A subfield of the identification fields: printable ASCII with spaces
// replaced by '_', or "X" when empty or not ASCII.
std::string Subfield(const std::string& sjis) {
    std::string text = RecTrim(sjis);
    if (text.empty() || !RecIsPrintableAscii(text)) return "X";
    return RecSpacesToUnderscores(text);
}

std::string PatientText(const RecWriter& w, int key) {
    auto it = w.patient.find(key);
    return it == w.patient.end() ? std::string() : it->second;
}

// Birth date from the patient block's "yyyy.mm.dd" text; "X" when it is not
// a real date.
std::string BirthDate(const std::string& text) {
    std::string t = RecTrim(text);
    int64_t y = 0, m = 0, d = 0;
    if (t.size() != 10 || t[4] != '.' || t[7] != '.') return "X";
    if (!RecParseInt(t.substr(0, 4), y) || !RecParseInt(t.substr(5, 2), m) ||
        !RecParseInt(t.substr(8, 2), d) || y < 1)
        return "X";
    if (!RecIsDate(static_cast<int>(y), static_cast<int>(m), static_cast<int>(d))) return "X";
    return EdfPlusDate(static_cast<int>(y), static_cast<int>(m), static_cast<int>(d));
}

std::string Sex(const std::string& text) {
    std::string t = RecTrim(text);
    if (t == "M" || t == "m") return "M";
    if (t == "F" || t == "f") return "F";
    return "X";
}

// Width of the patient and the recording identification fields.
const size_t kIdentificationWidth = 80;

// `subfield` cut to `room` characters, at least one (a subfield is ASCII).
std::string CutSubfield(const std::string& subfield, size_t room) {
    return subfield.substr(0, room > 0 ? room : 1);
}

// "code sex birthdate name", exactly four subfields within the 80
// characters of the field: the code keeps what it can while leaving the
// name one character, the name takes the rest. A cut never drops a subfield.
std::string PatientIdentification(const RecWriter& w) {
    const std::string sex = Sex(PatientText(w, REC_PATIENT_SEX));
    const std::string birth = BirthDate(PatientText(w, REC_PATIENT_BIRTH_DATE));
    const size_t fixed = sex.size() + birth.size() + 3;  // and three separators
    const std::string code = CutSubfield(Subfield(PatientText(w, REC_PATIENT_ID)), kIdentificationWidth - fixed - 1);
    const std::string name =
        CutSubfield(Subfield(PatientText(w, REC_PATIENT_NAME)), kIdentificationWidth - fixed - code.size());
    return code + " " + sex + " " + birth + " " + name;
}

// "Startdate dd-MMM-yyyy X technician X", exactly five subfields within the
// 80 characters of the field: the technician is cut to the room left.
std::string RecordingIdentification(const RecWriter& w, const RecStart& s) {
    const std::string date = s.dateKnown ? EdfPlusDate(s.year, s.month, s.day) : "X";
    const std::string head = "Startdate " + date + " X ", tail = " X";
    const std::string technician = CutSubfield(Subfield(PatientText(w, REC_PATIENT_TECHNICIAN)),
                                               kIdentificationWidth - head.size() - tail.size());
    return head + technician + tail;
}

// Label: type text and channel label ("EEG C3-A2"); the source channel
// number stands in for a label that is empty or not printable ASCII.
std::string SignalLabel(const RecChannel& c) {
    std::string type = RecEdfTypeText(c.value[REC_CHANNEL_SIGNAL_TYPE]);
    std::string label = RecTrim(c.label);
    if (label.empty() || !RecIsPrintableAscii(label))
        label = "Ch" + RecFormatInt(c.value[REC_CHANNEL_SOURCE_NUMBER]);
    if (type.empty() || label == type || label.compare(0, type.size() + 1, type + " ") == 0)
        return label;
    return type + " " + label;
}

std::string Unit(const RecChannel& c) {
    std::string unit = RecTrim(c.unit);
    return RecIsPrintableAscii(unit) ? unit : std::string();
}

// Physical minimum and maximum: the calibration at digital -32768 and 32767,
// or the digital values when there is no usable calibration (false). `low`
// and `high` are the header's texts, `lowValue` and `highValue` the numbers
// they state.
bool CalibratedRange(int32_t calEU, int32_t calVU, int32_t offsetAD, int32_t offsetCAL, std::string& low,
                     std::string& high, double& lowValue, double& highValue) {
    low = "-32768";
    high = "32767";
    lowValue = -32768.0;
    highValue = 32767.0;
    double vu = calVU;
    if (vu == 0) return false;
    double eu = calEU;
    double ad = offsetAD;
    double cal = offsetCAL;
    std::string a, b;
    double av = 0, bv = 0;
    if (!RecFormatFitting((-32768.0 - ad) * eu / vu + cal, 8, a, &av) ||
        !RecFormatFitting((32767.0 - ad) * eu / vu + cal, 8, b, &bv) || a == b)
        return false;
    low = a;
    high = b;
    lowValue = av;
    highValue = bv;
    return true;
}

void PhysicalRange(const RecChannel& c, std::string& low, std::string& high) {
    double lowValue, highValue;
    CalibratedRange(c.value[REC_CHANNEL_CAL_EU], c.value[REC_CHANNEL_CAL_VU], c.value[REC_CHANNEL_OFFSET_AD],
                    c.value[REC_CHANNEL_OFFSET_CAL], low, high, lowValue, highValue);
}

// "HP:0.5Hz LP:100Hz N:50Hz".
std::string Prefiltering(const RecChannel& c, int32_t hum) {
    int32_t low = c.value[REC_CHANNEL_LOW_FILTER];
    int32_t high = c.value[REC_CHANNEL_HIGH_FILTER];
    std::string text = "HP:" + (low == 0 ? std::string("DC") : RecFormatScaled(low, 3) + "Hz");
    if (high != 0) text += " LP:" + RecFormatInt(high) + "Hz";
    if (hum != 0) text += " N:" + RecFormatInt(hum) + "Hz";
    return text;
}

// Channel-table values EDF has no field for.
std::string Transducer(const RecChannel& c) {
    return "src=" + RecFormatInt(c.value[REC_CHANNEL_SOURCE_NUMBER]) +
           " type=" + RecFormatInt(c.value[REC_CHANNEL_SIGNAL_TYPE]) +
           " sens=" + RecFormatInt(c.value[REC_CHANNEL_SENSITIVITY]) +
           " tc=" + RecFormatInt(c.value[REC_CHANNEL_TIME_CONSTANT]) +
           " flags=" + RecFormatInt(c.value[REC_CHANNEL_FLAGS]);
}

// One signal's fields, each list holding that field for every signal.
struct SignalFields {
    std::string label, transducer, unit, physMin, physMax, digMin, digMax, prefilter, samples,
        reserved;
};

void AddChannelFields(SignalFields& f, const RecChannel& c, int32_t hum) {
    std::string low, high;
    PhysicalRange(c, low, high);
    PutField(f.label, SignalLabel(c), 16);
    PutField(f.transducer, Transducer(c), 80);
    PutField(f.unit, Unit(c), 8);
    PutField(f.physMin, low, 8);
    PutField(f.physMax, high, 8);
    PutField(f.digMin, "-32768", 8);
    PutField(f.digMax, "32767", 8);
    PutField(f.prefilter, Prefiltering(c, hum), 80);
    PutField(f.samples, RecFormatInt(c.samplesPerRecord), 8);
    PutField(f.reserved, "", 32);
}

void AddAnnotationFields(SignalFields& f, int32_t annotationBytes) {
    PutField(f.label, "EDF Annotations", 16);
    PutField(f.transducer, "", 80);
    PutField(f.unit, "", 8);
    PutField(f.physMin, "-1", 8);
    PutField(f.physMax, "1", 8);
    PutField(f.digMin, "-32768", 8);
    PutField(f.digMax, "32767", 8);
    PutField(f.prefilter, "", 80);
    PutField(f.samples, RecFormatInt(annotationBytes / 2), 8);
    PutField(f.reserved, "", 32);
}

std::string MainHeader(const RecWriter& w) {
    RecStart s = RecResolveStart(w);
    size_t signals = w.channels.size() + 1;
    std::string out;
    PutField(out, "0", 8);
    PutField(out, PatientIdentification(w), 80);
    PutField(out, RecordingIdentification(w, s), 80);
    PutField(out, TwoDigits(s.day) + "." + TwoDigits(s.month) + "." + TwoDigits(s.year), 8);
    PutField(out, TwoDigits(s.hour) + "." + TwoDigits(s.minute) + "." + TwoDigits(s.second), 8);
    PutField(out, RecFormatInt(static_cast<int64_t>(256 * (signals + 1))), 8);
    PutField(out, "EDF+C", 44);
    PutField(out, RecRecordCountField(-1), kRecRecordCountWidth);
    PutField(out, RecFormatInt(w.header[REC_HEADER_FRAME_SECONDS]), 8);
    PutField(out, RecFormatInt(static_cast<int64_t>(signals)), 4);
    return out;
}

}  // namespace

RecStart RecResolveStart(const RecWriter& w) {
    const int32_t* h = w.header;
    RecStart s = {h[REC_HEADER_YEAR],     h[REC_HEADER_YEAR + 1], h[REC_HEADER_YEAR + 2],
                  h[REC_HEADER_YEAR + 3], h[REC_HEADER_YEAR + 4], h[REC_HEADER_YEAR + 5],
                  true,                   false};
    if (s.year < kRecFirstYear || s.year > kRecLastYear || !RecIsDate(s.year, s.month, s.day)) {
        s.year = kRecFirstYear;
        s.month = 1;
        s.day = 1;
        s.dateKnown = false;
        s.altered = true;
    }
    if (s.hour < 0 || s.hour > 23 || s.minute < 0 || s.minute > 59 || s.second < 0 ||
        s.second > 59) {
        s.hour = s.minute = s.second = 0;
        s.altered = true;
    }
    return s;
}

int RecDaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return (month == 2 && leap) ? 29 : kDays[month - 1];
}

bool RecIsDate(int year, int month, int day) {
    return month >= 1 && month <= 12 && day >= 1 && day <= RecDaysInMonth(year, month);
}

std::string RecRecordCountField(int64_t count) {
    std::string out;
    PutField(out, RecFormatInt(count), kRecRecordCountWidth);
    return out;
}

std::string RecBuildHeader(const RecWriter& w) {
    SignalFields f;
    for (const RecChannel& c : w.channels) AddChannelFields(f, c, w.header[REC_HEADER_HUM_FILTER]);
    AddAnnotationFields(f, w.annotationBytes);
    return MainHeader(w) + f.label + f.transducer + f.unit + f.physMin + f.physMax + f.digMin +
           f.digMax + f.prefilter + f.samples + f.reserved;
}

int RecPhysicalRange(int32_t calEU, int32_t calVU, int32_t offsetAD, int32_t offsetCAL, double* physMin,
                     double* physMax) {
    std::string low, high;
    double lowValue, highValue;
    const bool calibrated = CalibratedRange(calEU, calVU, offsetAD, offsetCAL, low, high, lowValue, highValue);
    if (physMin) *physMin = lowValue;
    if (physMax) *physMax = highValue;
    return calibrated ? 1 : 0;
}
