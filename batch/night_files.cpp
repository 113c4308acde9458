// The files of one night; see night_files.h.
#include "batch/night_files.h"

#include "engine/check_report.h"
#include "engine/identity_rules.h"
#include "engine/patient_info.h"
#include "engine/recorder_identity.h"
#include "filekit/filekit.h"
#include "filekit/sha256.h"
#include "recfile/rec_text.h"
#include "taffread/taff_file.h"
#include "taffread/taff_header.h"

namespace {

const size_t kLargestCheckFile = size_t(64) << 20;

std::string FromSjis(const std::string& text) { return RecSjisToUtf8(text); }

}  // namespace

void NightIdentity(const JobContext& ctx, const std::string& header, JobResult& result) {
    const IdentityOptions& identity = ctx.setup.settings.identity;
    PatientInfo patient{};
    std::string ignored;
    if (IsResearchCopy(identity)) result.patientId = identity.studyCode;
    else if (PatientFor(ctx.setup, header, patient, &ignored)) result.patientId = patient.id;
    std::string text;
    taff::Header parsed;
    if (!taff::ReadSmallFile(header, 1 << 20, &text)) return;
    result.recorder = ParseRecorderIdentity(text);
    if (!taff::ParseHeader(text, &parsed)) return;
    int32_t start[6] = {parsed.date.year, parsed.date.month, parsed.date.day,
                        parsed.time.hour, parsed.time.minute, parsed.time.second};
    if (ctx.setup.hasStart)
        for (int n = 0; n < 6; ++n) start[n] = ctx.setup.start[n];
    ApplyStartIdentity(start, identity);
    for (int n = 0; n < 6; ++n) result.start[n] = start[n];
}

bool ReadCheckFile(const std::string& path, JsonValue& check) {
    std::string text;
    if (!taff::ReadSmallFile(path, kLargestCheckFile, &text)) return false;
    return ParseJson(text, check) && check.kind == JsonValue::Object && !check["verdict"].Text().empty();
}

std::string CheckMismatch(const std::string& output, const std::string& settingsHash, const std::string& rule,
                          JsonValue& check, std::string& outputSha256) {
    const std::string json = CheckJsonPathFor(output), report = CheckReportPathFor(output);
    if (!PathExists(json)) return "its check file was missing";
    if (!ReadCheckFile(json, check)) return "its check file was damaged";
    if (check["output_sha256"].kind != JsonValue::String) return "its check was made without its PSG file";
    if (check["settings_sha256"].Text() != settingsHash) return "its check was made with other settings";
    if (!rule.empty() && FromSjis(rule) != check["rule"].Text()) return "its check was made with another rule set";
    std::string reportHash;
    if (!PathExists(report) || !Sha256OfFile(report, reportHash)) return "its report was missing";
    if (reportHash != check["report_sha256"].Text()) return "its report differed from its check file";
    const double bytes = check["output_bytes"].NumberOr(-1);
    if (bytes < 0 || int64_t(bytes) != FileBytes(output)) return "its check belonged to another PSG file";
    if (outputSha256.empty() && !Sha256OfFile(output, outputSha256)) return "the PSG file could not be read";
    if (outputSha256 != check["output_sha256"].Text()) return "its check belonged to another PSG file";
    return "";
}

void TakeCheckFrom(const JsonValue& check, const std::string& output, JobResult& result) {
    result.checked = true;
    result.checkVerdict = check["verdict"].Text();
    result.checkRule = check["rule"].Text();
    for (int& n : result.checkFindings) n = 0;
    for (const JsonValue& f : check["findings"].items) {
        const std::string& level = f["level"].Text();
        ++result.checkFindings[level == "fail" ? 2 : level == "warn" ? 1 : 0];
    }
    result.checkJson = CheckJsonPathFor(output);
    result.checkReport = CheckReportPathFor(output);
}

int RemoveCheckFiles(const std::string& output) {
    for (const std::string& file : {CheckJsonPathFor(output), CheckReportPathFor(output)}) {
        const int error = PathExists(file) ? RemoveFile(file) : 0;
        if (error != 0) return error;
    }
    return 0;
}
