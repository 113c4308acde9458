// The manifest of a batch; see manifest.h.
#include "batch/manifest.h"

#include <cerrno>
#include <cstdio>
#include <set>

#include "batch/json_value.h"
#include "engine/version.h"
#include "filekit/filekit.h"
#include "filekit/sha256.h"
#include "recfile/rec_text.h"
#include "taffread/taff_file.h"
#include "textkit/sjis_text.h"

namespace {


std::string FileHash(const std::string& path) {
    std::string hex;
    if (path.empty() || !Sha256OfFile(path, hex)) return "null";
    return "\"" + hex + "\"";
}

// The bytes of a file hashed into `sha` with its name's role; "none" when
// not given.
void AddFileTo(Sha256& sha, const char* role, const std::string& path) {
    std::string hex = "none";
    if (!path.empty() && !Sha256OfFile(path, hex)) hex = "unreadable";
    const std::string text = std::string(role) + "=" + hex + "\n";
    sha.Add(text.data(), text.size());
}

std::string PatientSidecarOf(const std::string& header) {
    for (const std::string& file : FilesOfStem(header))
        if (HasExtension(FileNameOf(file), "INF")) return file;
    return "";
}

}  // namespace

namespace {

// `raw` as the manifest names it: UTF-8, bytes that are not taken as Shift-JIS.
std::string Utf8Name(const std::string& raw) { return NamesAreUtf8(raw) ? raw : RecSjisToUtf8(raw); }

// The date of day `days` since 1970-01-01 (proleptic Gregorian).
void CivilDate(int64_t days, int64_t& year, int& month, int& day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t ofEra = days - era * 146097;
    const int64_t yearOfEra = (ofEra - ofEra / 1460 + ofEra / 36524 - ofEra / 146096) / 365;
    const int64_t ofYear = ofEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t m = (5 * ofYear + 2) / 153;
    day = int(ofYear - (153 * m + 2) / 5 + 1);
    month = int(m < 10 ? m + 3 : m - 9);
    year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

// The size and time of `path` match those recorded.
bool Unchanged(const std::string& path, int64_t bytes, const std::string& modified) {
    return !modified.empty() && bytes >= 0 && FileBytes(path) == bytes && ModifiedText(path) == modified;
}

}  // namespace

std::string JsonString(const std::string& raw) { return JsonQuoted(Utf8Name(raw)); }

std::string ModifiedText(const std::string& path) {
    int64_t ns = 0;
    if (path.empty() || !FileModified(path, &ns)) return "";
    const int64_t second = ns >= 0 ? ns / 1000000000 : (ns - 999999999) / 1000000000;
    const int64_t fraction = ns - second * 1000000000;
    const int64_t days = second >= 0 ? second / 86400 : (second - 86399) / 86400;
    const int64_t inDay = second - days * 86400;
    int64_t year = 0;
    int month = 0, day = 0;
    CivilDate(days, year, month, day);
    char text[96];
    snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02d.%09lldZ", (long long)year, month, day,
             int(inDay / 3600), int(inDay / 60 % 60), int(inDay % 60), (long long)fraction);
    return text;
}

namespace {

// The input of a manifest line as it is written there (quoted, escaped):
// the lines start with it. "" for a line that does not.
std::string QuotedInput(const std::string& text, size_t at, size_t end) {
    static const char kStart[] = "{\"input\":\"";
    const size_t start = sizeof kStart - 2;     // the opening quote
    if (text.compare(at, start + 1, kStart) != 0) return "";
    for (size_t i = at + start + 1; i < end; ++i) {
        if (text[i] == '\\') ++i;
        else if (text[i] == '"') return text.substr(at + start, i + 1 - (at + start));
    }
    return "";
}

}  // namespace

KnownHashes ReadKnownHashes(const std::string& path, const std::vector<std::string>& headers) {
    KnownHashes known;
    std::string text;
    if (path.empty() || headers.empty() || ReadWholeFile(path, &text) != 0) return known;
    // Only the lines of the run's recordings are read whole.
    std::set<std::string> wanted;
    for (const std::string& header : headers) wanted.insert(JsonString(header));
    JsonValue line;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();    // a torn last line fails to parse
        const bool ours = wanted.count(QuotedInput(text, at, end)) > 0;
        const bool parsed = ours && ParseJson(text.substr(at, end - at), line) && line.kind == JsonValue::Object;
        at = end + 1;
        if (!parsed || line["input"].kind != JsonValue::String) continue;
        KnownFiles& files = known[line["input"].Text()];
        files = KnownFiles();
        files.output = line["output"].Text();
        files.dataSha256 = line["data_sha256"].Text();
        files.outputSha256 = line["output_sha256"].Text();
        files.dataBytes = int64_t(line["data_bytes"].NumberOr(-1));
        files.outputBytes = int64_t(line["bytes"].NumberOr(-1));
        files.dataModified = line["data_modified"].Text();
        files.outputModified = line["output_modified"].Text();
    }
    return known;
}

std::string KnownDataHash(const KnownHashes& known, const std::string& header) {
    const auto line = known.find(Utf8Name(header));
    if (line == known.end() || line->second.dataSha256.empty()) return "";
    const KnownFiles& f = line->second;
    return Unchanged(DataFileOf(header), f.dataBytes, f.dataModified) ? f.dataSha256 : "";
}

std::string KnownOutputHash(const KnownHashes& known, const std::string& header, const std::string& output) {
    const auto line = known.find(Utf8Name(header));
    if (line == known.end() || line->second.outputSha256.empty()) return "";
    const KnownFiles& f = line->second;
    if (f.output != Utf8Name(output)) return "";
    return Unchanged(output, f.outputBytes, f.outputModified) ? f.outputSha256 : "";
}

std::string SettingsHash(const BatchOptions& o) {
    Sha256 sha;
    AddFileTo(sha, "settings", o.settingsFile);
    AddFileTo(sha, "patient", o.patientFile);
    const std::string rest = "pattern=" + std::to_string(o.pattern > 0 ? o.pattern : 1) +
                             "\nframe=" + std::to_string(o.frameTime) + "\nall=" + (o.allChannels ? "1" : "0") +
                             "\ncomment=" + o.comment + "\nstart=" + o.start + "\n";
    sha.Add(rest.data(), rest.size());
    // The de-identified copy's choices, only when asked (other hashes stay as they were).
    if (o.deidentify) {
        const std::string identity = "deidentify=" + o.studyCode + (o.keepAge ? ";age" : "") +
                                     (o.keepSex ? ";sex" : "") + (o.replaceDate ? ";shift" : "") + "\n";
        sha.Add(identity.data(), identity.size());
    } else if (o.fullIdentity || !o.studyCode.empty() || o.keepAge || o.keepSex || o.replaceDate) {
        // Over the settings file's choice (the file itself is hashed above).
        const std::string identity = std::string(o.fullIdentity ? "full-identity" : "identity=") + o.studyCode +
                                     (o.keepAge ? ";age" : "") + (o.keepSex ? ";sex" : "") +
                                     (o.replaceDate ? ";shift" : "") + "\n";
        sha.Add(identity.data(), identity.size());
    }
    return sha.HexDigest();
}

std::string DataFileOf(const std::string& header) { return taff::FindDataFile(header); }

namespace {

// The night check of the recording, when one was made: its verdict, rule
// set, findings by level and its files.
std::string CheckObject(const JobResult& r) {
    if (!r.checked) return "";
    return ",\"check\":{\"verdict\":\"" + r.checkVerdict + "\",\"rule\":" + JsonString(r.checkRule) +
           ",\"findings\":{\"info\":" + std::to_string(r.checkFindings[0]) +
           ",\"warn\":" + std::to_string(r.checkFindings[1]) + ",\"fail\":" + std::to_string(r.checkFindings[2]) +
           "},\"file\":" + JsonString(r.checkJson) + ",\"report\":" + JsonString(r.checkReport) +
           (r.checkRemade ? ",\"remade\":true" : "") + "}";
}

// The night's identity as its output carries it: patient ID (or study
// code), start, and the recorder; null where the header tells nothing.
std::string IdentityFields(const JobResult& r) {
    const auto textOrNull = [](const std::string& text) { return text.empty() ? std::string("null") : JsonString(text); };
    std::string start = "null";
    if (r.start[0] > 0) {
        char text[40];
        snprintf(text, sizeof text, "\"%04d-%02d-%02dT%02d:%02d:%02d\"", int(r.start[0]), int(r.start[1]),
                 int(r.start[2]), int(r.start[3]), int(r.start[4]), int(r.start[5]));
        start = text;
    }
    const RecorderIdentity& d = r.recorder;
    char seconds[32] = "null";
    if (r.seconds >= 0) snprintf(seconds, sizeof seconds, "%.0f", r.seconds);
    return std::string(",\"seconds\":") + seconds + ",\"patient_id\":" + textOrNull(r.patientId) + ",\"start\":" + start + ",\"recorder\":{\"device\":" +
           textOrNull(d.device) + ",\"slot\":" + textOrNull(d.slot) + ",\"serial\":" + textOrNull(d.serial) +
           ",\"id_no\":" + textOrNull(d.idNo) + "}";
}

}  // namespace

const char* ResultWord(const JobResult& r) {
    if (r.skipped) return "skipped";
    if (r.converted) return "converted";
    if (r.checkOnly && r.checked) return "checked";
    return r.interrupted ? "interrupted" : "failed";
}

std::string RecordingSettingsHash(const std::string& runHash, const std::string& header) {
    const std::string sidecar = PatientSidecarOf(header);
    if (sidecar.empty()) return runHash;
    // The recording's own patient file decides its patient.
    Sha256 sha;
    sha.Add(runHash.data(), runHash.size());
    AddFileTo(sha, "sidecar", sidecar);
    return sha.HexDigest();
}

namespace {

// The data file's hash: as the run read it (while the file kept the size
// and time it had then), as the last line recorded it for the unchanged
// file, or read now.
std::string DataHashOf(const ManifestRun& run, const JobResult& r, const std::string& data) {
    if (!r.dataSha256.empty() && Unchanged(data, r.dataBytes, r.dataModified)) return "\"" + r.dataSha256 + "\"";
    const std::string known = KnownDataHash(run.known, r.header);
    return known.empty() ? FileHash(data) : "\"" + known + "\"";
}

// The output's hash: as the run wrote or read it, as the last line
// recorded it for the unchanged file, or read now.
std::string OutputHashOf(const ManifestRun& run, const JobResult& r) {
    if (!r.outputSha256.empty()) return "\"" + r.outputSha256 + "\"";
    const std::string known = KnownOutputHash(run.known, r.header, r.output);
    return known.empty() ? FileHash(r.output) : "\"" + known + "\"";
}

std::string TextOrNull(const std::string& text) { return text.empty() ? "null" : "\"" + text + "\""; }

}  // namespace

std::string ManifestLine(const ManifestRun& run, const JobResult& r) {
    const bool done = r.converted && PathExists(r.output);
    const std::string settings = RecordingSettingsHash(run.settingsHash, r.header);
    const std::string data = DataFileOf(r.header);
    // Each file's size and time before its hash is taken, so a file changed
    // meanwhile is hashed again on the next run.
    const int64_t dataBytes = data.empty() ? -1 : FileBytes(data);
    const std::string dataModified = ModifiedText(data), outputModified = done ? ModifiedText(r.output) : "";
    std::string line = "{\"input\":" + JsonString(r.header) + ",\"output\":" + JsonString(r.output) +
                       ",\"result\":\"" + ResultWord(r) + "\",\"reason\":" + JsonString(r.reason) +
                       ",\"channels\":" + std::to_string(r.channels) + ",\"records\":" + std::to_string(r.records) +
                       ",\"bytes\":" + (done ? std::to_string(FileBytes(r.output)) : std::string("null")) +
                       ",\"data_sha256\":" + DataHashOf(run, r, data) +
                       ",\"output_sha256\":" + (done ? OutputHashOf(run, r) : std::string("null")) +
                       ",\"converter_version\":\"" CONVERTER_VERSION_TEXT "\",\"settings_sha256\":\"" + settings +
                       "\"" + IdentityFields(r) +
                       ",\"data_bytes\":" + (dataBytes >= 0 ? std::to_string(dataBytes) : std::string("null")) +
                       ",\"data_modified\":" + TextOrNull(dataModified) +
                       ",\"output_modified\":" + TextOrNull(outputModified) + CheckObject(r) + "}\n";
    return line;
}
