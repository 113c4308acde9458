// What the night check leaves on disk: NAME.check.json (the result, for
// programs; its fields are described in docs/night-check.md) and a report a
// lab files (one self-contained HTML page that prints on A4: the recording,
// the patient ID or study code, the rule set, a table of channels and a
// picture of the whole night). Both carry no more identity than the PSG
// file: the caller passes the ID the file holds.
#pragma once

#include <cstdint>
#include <string>

#include "engine/check_texts.h"
#include "engine/night_check.h"
#include "engine/recorder_identity.h"

struct CheckReportInfo {
    std::string recording;      // the recording's header file
    std::string output;         // the PSG file written ("" when none was written)
    std::string patientId;      // as the PSG file carries it (the study code of a de-identified copy)
    int32_t start[6] = {0, 0, 0, 0, 0, 0};  // year, month, day, hour, minute, second of the recording's start
    std::string converter;      // the converter's name and version
    RecorderIdentity recorder;  // the recorder, from the recording's header
    // What ties the check to its night (the batch fills them; empty or -1:
    // not known, written as null): the PSG file's size and SHA-256, the
    // settings hash that made it, and the SHA-256 of the report written
    // before the check file.
    int64_t outputBytes = -1;
    std::string outputSha256, settingsSha256, reportSha256;
    // The archive or folder the recording was found in: the report names the
    // recording by its path below it ("": by its whole path).
    std::string root;
    bool firstStartPatient = false; // the ID is the first-start patient's: the report marks it
    ReportLanguage language = ReportLanguage::Japanese;
};

// What the report names of a run: the recording, the output, the patient
// ID and the start as the PSG file carries them. A de-identified copy
// carries the study code, its moved start and not the recording's name.
struct AppSettings;
struct PatientInfo;
CheckReportInfo MakeCheckReportInfo(const AppSettings& settings, const SourceInfo& source, const PatientInfo& patient,
                                    const std::string& recording, const std::string& output);

// `utf8` with the characters HTML gives a meaning (< > & ") written as
// their entities: a text of the night put into a report's page.
std::string HtmlText(const std::string& utf8);

// The check file's text (UTF-8 JSON, one object, ending in a newline).
std::string CheckJsonText(const NightCheckResult& result, const CheckReportInfo& info);

// The report's text (UTF-8 HTML, no outside resource) in info.language:
// the night's facts, a picture of the night, a row per channel and every
// finding under its channel (a long list folds on the screen, printed whole).
std::string CheckReportHtml(const NightCheckResult& result, const CheckReportInfo& info);

// The names beside a PSG file: NIGHT1.DAT gives NIGHT1.check.json and
// NIGHT1.check.html (the extension replaced, the folder kept).
std::string CheckJsonPathFor(const std::string& output);
std::string CheckReportPathFor(const std::string& output);
