// The manifest of a batch; see manifest.h.
#include "batch/manifest.h"

#include <cerrno>
#include <cstdio>

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

std::string JsonString(const std::string& raw) {
    const std::string text = NamesAreUtf8(raw) ? raw : RecSjisToUtf8(raw);
    return JsonQuoted(text);
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

std::string ManifestLine(const ManifestRun& run, const JobResult& r) {
    const bool done = r.converted && PathExists(r.output);
    const std::string settings = RecordingSettingsHash(run.settingsHash, r.header);
    std::string line = "{\"input\":" + JsonString(r.header) + ",\"output\":" + JsonString(r.output) +
                       ",\"result\":\"" + ResultWord(r) + "\",\"reason\":" + JsonString(r.reason) +
                       ",\"channels\":" + std::to_string(r.channels) + ",\"records\":" + std::to_string(r.records) +
                       ",\"bytes\":" + (done ? std::to_string(FileBytes(r.output)) : std::string("null")) +
                       ",\"data_sha256\":" + FileHash(DataFileOf(r.header)) +
                       ",\"output_sha256\":" +
                       (!done ? std::string("null") : r.outputSha256.empty() ? FileHash(r.output)
                                                                             : "\"" + r.outputSha256 + "\"") +
                       ",\"converter_version\":\"" CONVERTER_VERSION_TEXT "\",\"settings_sha256\":\"" + settings +
                       "\"" + IdentityFields(r) + CheckObject(r) + "}\n";
    return line;
}
