// The night check's files; see check_report.h.
#include "engine/check_report.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "engine/app_settings.h"
#include "engine/check_texts.h"
#include "engine/identity_rules.h"
#include "engine/patient_info.h"
#include "engine/settings_load.h"
#include "engine/version.h"
#include "recfile/rec_text.h"
#include "textkit/sjis_text.h"

namespace {

std::string Html(const std::string& utf8) { return HtmlText(utf8); }


// Labels and the patient ID are Shift-JIS texts of the settings; paths are
// Shift-JIS in the Windows build and usually UTF-8 natively.
std::string FromSjis(const std::string& text) { return RecSjisToUtf8(text); }
std::string FromPath(const std::string& path) {
#ifdef _WIN32
    return RecSjisToUtf8(path);
#else
    return IsUtf8Text(path) ? path : RecSjisToUtf8(path);
#endif
}

std::string Json(const std::string& utf8) { return JsonQuoted(utf8); }
std::string JsonOrNull(const std::string& sjis) { return sjis.empty() ? "null" : Json(FromSjis(sjis)); }

std::string Number(double v, const char* format) {
    if (!std::isfinite(v)) return "null";
    char text[48];
    snprintf(text, sizeof text, format, v);
    return text;
}

std::string StartText(const CheckReportInfo& info) {
    char text[40];
    snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", int(info.start[0]), int(info.start[1]),
             int(info.start[2]), int(info.start[3]), int(info.start[4]), int(info.start[5]));
    return text;
}

// The clock time `seconds` after the start, "hh:mm".
std::string ClockAt(const CheckReportInfo& info, double seconds) {
    const int64_t of = int64_t{info.start[3]} * 3600 + int64_t{info.start[4]} * 60 + info.start[5] + int64_t(seconds);
    const int64_t t = ((of % 86400) + 86400) % 86400;
    char text[16];
    snprintf(text, sizeof text, "%02d:%02d", int(t / 3600), int(t / 60 % 60));
    return text;
}

std::string Unchecked(uint32_t mask) {
    std::string list;
    for (int k = 0; k < int(CheckKind::Count); ++k)
        if ((mask >> k) & 1u) list += (list.empty() ? "\"" : ",\"") + std::string(CheckKindName(CheckKind(k))) + "\"";
    return "[" + list + "]";
}

std::string StripExtension(const std::string& path) { return path.substr(0, PathStemLength(path.c_str())); }

// The colour of a level in the report and its picture.
const char* LevelColour(CheckLevel level) {
    switch (level) {
        case CheckLevel::Info: return "#6b8fd6";
        case CheckLevel::Warn: return "#f0b429";
        case CheckLevel::Fail: return "#d64545";
    }
    return "#999";
}

const char* VerdictColour(CheckVerdict v) {
    return v == CheckVerdict::Fail ? "#d64545" : v == CheckVerdict::Warn ? "#f0b429" : "#3f9e5a";
}

// The whole night as a picture: one row per channel, time across, judged
// time green and each finding drawn in its level's colour (fail over warn
// over info).
std::string NightPicture(const NightCheckResult& result, const CheckReportInfo& info) {
    const double width = 640, labelWidth = 110, rowHeight = 14, top = 6;
    const double hours = result.hours > 0 ? result.hours : 1.0 / 60;
    const double plot = width - labelWidth - 24;   // room for the last clock mark
    const double height = top + rowHeight * double(result.channels.size()) + 22;
    std::string svg;
    char line[512];
    snprintf(line, sizeof line,
             "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 %.0f %.0f\" width=\"100%%\" "
             "font-family=\"sans-serif\" font-size=\"9\">\n",
             width, height);
    svg += line;
    for (size_t r = 0; r < result.channels.size(); ++r) {
        const ChannelSummary& ch = result.channels[r];
        const double y = top + rowHeight * double(r);
        snprintf(line, sizeof line, "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">", labelWidth - 4, y + 10);
        svg += line + Html(FromSjis(ch.label)) + "</text>\n";
        snprintf(line, sizeof line, "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"#cfe8d5\"/>\n",
                 labelWidth, y + 2, plot * std::min(1.0, ch.hours / hours), rowHeight - 4);
        svg += line;
        for (int level = 0; level <= 2; ++level) {
            for (const CheckFinding& f : result.findings) {
                if (f.trace != ch.trace || int(f.level) != level) continue;
                const double x0 = labelWidth + plot * (f.startSeconds / 3600.0) / hours;
                const double w = std::max(1.0, plot * ((f.endSeconds - f.startSeconds) / 3600.0) / hours);
                snprintf(line, sizeof line, "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"%s\"/>\n",
                         x0, y + 2, w, rowHeight - 4, LevelColour(f.level));
                svg += line;
            }
        }
    }
    // The clock along the bottom: about eight marks.
    const double axis = top + rowHeight * double(result.channels.size()) + 2;
    snprintf(line, sizeof line, "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#555\"/>\n", labelWidth,
             axis, labelWidth + plot, axis);
    svg += line;
    const double totalSeconds = hours * 3600;
    double step = 60;
    for (double s : {60.0, 300.0, 600.0, 1800.0, 3600.0, 7200.0})
        if (totalSeconds / s <= 10) {
            step = s;
            break;
        }
    for (double s = 0; s <= totalSeconds + 1e-6; s += step) {
        const double x = labelWidth + plot * s / totalSeconds;
        snprintf(line, sizeof line,
                 "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#555\"/>"
                 "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">",
                 x, axis, x, axis + 3, x, axis + 12);
        svg += line + ClockAt(info, s) + "</text>\n";
    }
    return svg + "</svg>\n";
}

// A channel's findings up to this many are listed open; more fold under
// the channel on the screen (and print whole).
const size_t kFindingsUnfolded = 8;

// Hours to one decimal, without unit.
std::string HoursNumber(double hours) {
    char text[32];
    snprintf(text, sizeof text, "%.1f", std::isfinite(hours) ? hours : 0.0);
    return text;
}

}  // namespace

std::string HtmlText(const std::string& utf8) {
    std::string out;
    for (char c : utf8) {
        switch (c) {
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '&': out += "&amp;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}


CheckReportInfo MakeCheckReportInfo(const AppSettings& settings, const SourceInfo& source, const PatientInfo& patient,
                                    const std::string& recording, const std::string& output) {
    CheckReportInfo info;
    const bool research = IsResearchCopy(settings.identity);
    info.recording = research ? std::string() : recording;
    info.output = output;
    info.patientId = research ? settings.identity.studyCode : patient.id;
    info.firstStartPatient = !research && IsFirstStartPatient(patient);
    int32_t start[6] = {source.startYear, source.startMonth, source.startDay,
                        source.startHour, source.startMinute, source.startSecond};
    ApplyStartIdentity(start, settings.identity);
    for (int i = 0; i < 6; ++i) info.start[i] = start[i];
    info.converter = std::string(CONVERTER_NAME) + " " + CONVERTER_VERSION_TEXT;
    info.recorder = ReadRecorderIdentity(recording);
    return info;
}

std::string CheckJsonText(const NightCheckResult& r, const CheckReportInfo& info) {
    std::string j = "{\n";
    j += "  \"recording\": " + (info.recording.empty() ? std::string("null") : Json(FromPath(info.recording))) + ",\n";
    j += "  \"output\": " + (info.output.empty() ? std::string("null") : Json(FromPath(info.output))) + ",\n";
    j += "  \"patient_id\": " + Json(FromSjis(info.patientId)) + ",\n";
    j += "  \"start\": \"" + StartText(info) + "\",\n";
    j += "  \"converter\": " + Json(info.converter) + ",\n";
    j += "  \"recorder\": {\"device\": " + JsonOrNull(info.recorder.device) +
         ", \"slot\": " + JsonOrNull(info.recorder.slot) + ", \"serial\": " + JsonOrNull(info.recorder.serial) +
         ", \"id_no\": " + JsonOrNull(info.recorder.idNo) + "},\n";
    j += "  \"output_bytes\": " + (info.outputBytes < 0 ? std::string("null") : std::to_string(info.outputBytes)) +
         ",\n  \"output_sha256\": " + JsonOrNull(info.outputSha256) +
         ",\n  \"settings_sha256\": " + JsonOrNull(info.settingsSha256) +
         ",\n  \"report_sha256\": " + JsonOrNull(info.reportSha256) + ",\n";
    j += "  \"complete\": " + std::string(r.complete ? "true" : "false") + ",\n";
    j += "  \"hours\": " + Number(r.hours, "%.4f") + ",\n";
    j += "  \"verdict\": \"" + std::string(CheckVerdictName(r.verdict)) + "\",\n";
    j += "  \"rule\": " + Json(FromSjis(r.rule)) + ",\n";
    j += "  \"rule_outcome\": " + Json(r.ruleOutcome) + ",\n";
    j += "  \"mains_hz\": " + (r.mainsHz ? std::to_string(r.mainsHz) : std::string("null")) + ",\n";
    j += "  \"mains_from\": " +
         std::string(r.mainsHz == 0 ? "null" : r.mainsFromNight ? "\"night\"" : "\"recording\"") + ",\n";
    j += "  \"channels\": [";
    for (size_t i = 0; i < r.channels.size(); ++i) {
        const ChannelSummary& c = r.channels[i];
        j += std::string(i ? "," : "") + "\n    {\"label\": " + Json(FromSjis(c.label)) + ", \"kind\": " +
             Json(c.kind ? c.kind : "") + ", \"verdict\": \"" + CheckVerdictName(c.verdict) +
             "\", \"usable_hours\": " + Number(c.usableHours, "%.4f") + ", \"hours\": " + Number(c.hours, "%.4f") +
             ", \"not_checkable\": " + Unchecked(c.notCheckable) + ", \"not_judged\": " + Unchecked(c.notJudged) +
             "}";
    }
    j += r.channels.empty() ? "],\n" : "\n  ],\n";
    j += "  \"findings\": [";
    for (size_t i = 0; i < r.findings.size(); ++i) {
        const CheckFinding& f = r.findings[i];
        j += std::string(i ? "," : "") + "\n    {\"channel\": " + Json(FromSjis(f.label)) + ", \"check\": \"" +
             CheckKindName(f.kind) + "\", \"level\": \"" + CheckLevelName(f.level) +
             "\", \"start_s\": " + Number(f.startSeconds, "%.1f") + ", \"end_s\": " + Number(f.endSeconds, "%.1f") +
             ", \"value\": " + Number(f.value, "%.6g") +
             ", \"unit\": " + Json(f.unit ? f.unit : "") + ", \"note\": " + Json(f.note ? f.note : "") +
             (f.other[0] ? ", \"other\": " + Json(FromSjis(f.other)) : std::string()) + "}";
    }
    j += r.findings.empty() ? "]\n" : "\n  ]\n";
    return j + "}\n";
}

std::string CheckReportHtml(const NightCheckResult& r, const CheckReportInfo& info) {
    const ReportLanguage lang = info.language;
    auto word = [lang](ReportWord w) { return std::string(ReportWordOf(w, lang)); };
    auto clock = [&info](double seconds) {
        return NightClockText(info.start[3], info.start[4], info.start[5], seconds);
    };
    const std::string& named = info.recording.empty() ? info.output : info.recording;
    const std::string name = FromPath(FileNameOf(named));
    std::string h;
    h += "<!DOCTYPE html>\n<html lang=\"" + word(ReportWord::Language) + "\"><head><meta charset=\"utf-8\">\n<title>" +
         word(ReportWord::Title) + ": " + Html(name) +
         "</title>\n<style>\n"
         "@page { size: A4; margin: 14mm; }\n"
         "body { font-family: sans-serif; font-size: 10pt; color: #222; max-width: 180mm; margin: 0 auto; }\n"
         "h1 { font-size: 15pt; margin: 0 0 4pt; }\n"
         "h2 { font-size: 12pt; }\n"
         "h3 { font-size: 10pt; margin: 8pt 0 2pt; }\n"
         "table { border-collapse: collapse; width: 100%; }\n"
         "th, td { border-bottom: 1px solid #ccc; padding: 2pt 4pt; text-align: left; vertical-align: top; }\n"
         "th { background: #eee; }\n"
         "td.n { text-align: right; }\n"
         ".v { font-weight: bold; color: #fff; padding: 1pt 5pt; border-radius: 3pt; "
         "-webkit-print-color-adjust: exact; print-color-adjust: exact; }\n"
         ".facts td { border: none; padding: 1pt 8pt 1pt 0; }\n"
         ".facts td:last-child { word-break: break-all; }\n"
         ".mark { color: #b3261e; font-weight: bold; }\n"
         "ul { margin: 0; padding-left: 12pt; } li { margin: 0; }\n"
         "svg rect { -webkit-print-color-adjust: exact; print-color-adjust: exact; }\n"
         "tr, li { page-break-inside: avoid; }\n"
         ".key span { display: inline-block; width: 10pt; height: 8pt; margin: 0 2pt 0 8pt; }\n"
         // A long list folds on the screen and prints whole.
         ".whole { display: none; }\n"
         "@media print { details { display: none; } .whole { display: block; } }\n"
         "</style></head><body>\n";
    h += "<h1>" + word(ReportWord::Title) + "</h1>\n<table class=\"facts\">\n";
    if (!named.empty()) {
        const std::string shown = FromPath(info.recording.empty() ? info.output : PathBelow(info.recording, info.root));
        h += "<tr><td>" + word(info.recording.empty() ? ReportWord::Output : ReportWord::Recording) + "</td><td>" +
             Html(shown) + "</td></tr>\n";
    }
    h += "<tr><td>" + word(ReportWord::PatientId) + "</td><td>" + Html(FromSjis(info.patientId)) +
         (info.firstStartPatient ? " <span class=\"mark\">" + word(ReportWord::FirstStartId) + "</span>" : "") +
         "</td></tr>\n";
    h += "<tr><td>" + word(ReportWord::Start) + "</td><td>" + StartText(info).replace(10, 1, " ") + "</td></tr>\n";
    h += "<tr><td>" + word(ReportWord::LengthJudged) + "</td><td>" + HoursText(r.hours, lang) +
         (r.complete ? "" : " " + word(ReportWord::StoppedEarly)) + "</td></tr>\n";
    const std::string outcome = RuleOutcomeText(r, lang, false);
    h += "<tr><td>" + word(ReportWord::RuleSet) + "</td><td>" + Html(FromSjis(r.rule)) +
         (outcome.empty() ? "" : "<br>" + Html(outcome)) + "</td></tr>\n";
    h += "<tr><td>" + word(ReportWord::NightVerdict) + "</td><td><span class=\"v\" style=\"background:" +
         std::string(VerdictColour(r.verdict)) + "\">" + CheckVerdictWord(r.verdict, lang) + "</span></td></tr>\n";
    if (r.mainsHz)
        h += "<tr><td>" + word(ReportWord::Mains) + "</td><td>" + std::to_string(r.mainsHz) + " Hz (" +
             word(r.mainsFromNight ? ReportWord::MainsFromNight : ReportWord::MainsFromRecording) + ")</td></tr>\n";
    h += "</table>\n<h2>" + word(ReportWord::TheNight) + "</h2>\n" + NightPicture(r, info);
    h += "<div class=\"key\"><span style=\"background:#cfe8d5\"></span>" + word(ReportWord::Judged);
    for (CheckLevel level : {CheckLevel::Info, CheckLevel::Warn, CheckLevel::Fail})
        h += " <span style=\"background:" + std::string(LevelColour(level)) + "\"></span>" + CheckLevelText(level, lang);
    h += "</div>\n";

    // The channels: verdict, usable time, how many findings.
    h += "<h2>" + word(ReportWord::Channels) + "</h2>\n<table>\n<tr><th>" + word(ReportWord::Channel) + "</th><th>" +
         word(ReportWord::Kind) + "</th><th>" + word(ReportWord::Verdict) + "</th><th>" + word(ReportWord::Usable) +
         "</th><th>" + word(ReportWord::FindingCount) + "</th></tr>\n";
    for (const ChannelSummary& c : r.channels) {
        size_t count = 0;
        for (const CheckFinding& f : r.findings) count += f.trace == c.trace ? 1 : 0;
        std::string notes;
        if (c.notCheckable) {
            std::string list;
            for (int k = 0; k < int(CheckKind::Count); ++k)
                if ((c.notCheckable >> k) & 1u)
                    list += (list.empty() ? "" : word(ReportWord::ListSeparator)) + CheckKindText(CheckKind(k), lang);
            notes = "<br><small>" + word(ReportWord::NotCheckable) + ": " + list + "</small>";
        }
        h += "<tr><td>" + Html(FromSjis(c.label)) + "</td><td>" + Html(SignalKindText(c.kind, lang)) +
             "</td><td><span class=\"v\" style=\"background:" + VerdictColour(c.verdict) + "\">" +
             CheckVerdictWord(c.verdict, lang) + "</span></td><td>" + HoursNumber(c.usableHours) + " / " +
             HoursText(c.hours, lang) + "</td><td class=\"n\">" + std::to_string(count) + notes + "</td></tr>\n";
    }
    h += "</table>\n";

    // Every finding, under its channel, to the second.
    h += "<h2>" + word(ReportWord::Findings) + "</h2>\n";
    if (r.findings.empty()) h += "<p>" + word(ReportWord::NoFindings) + "</p>\n";
    for (const ChannelSummary& c : r.channels) {
        std::string items;
        size_t count = 0;
        for (const CheckFinding& f : r.findings) {
            if (f.trace != c.trace) continue;
            ++count;
            std::string note = ValueNamesNote(f.kind, r.mainsHz) ? "" : FindingNoteText(f.note, lang);
            if (f.other[0]) note += " (" + FromSjis(f.other) + ")";
            items += "<li><b style=\"color:" + std::string(LevelColour(f.level)) + "\">" + CheckLevelText(f.level, lang) +
                     "</b> " + CheckKindText(f.kind, lang) + " " + clock(f.startSeconds) + "-" + clock(f.endSeconds) +
                     " " + Html(FindingValueText(f.kind, f.value, f.unit, r.mainsHz)) +
                     (note.empty() ? "" : " " + Html(note)) + "</li>\n";
        }
        if (count == 0) continue;
        h += "<h3>" + Html(FromSjis(c.label)) + "</h3>\n";
        if (count <= kFindingsUnfolded) {
            h += "<ul>\n" + items + "</ul>\n";
            continue;
        }
        char summary[96];
        snprintf(summary, sizeof summary, ReportWordOf(ReportWord::FindingsOf, lang), int(count));
        h += "<details><summary>" + std::string(summary) + "</summary>\n<ul>\n" + items +
             "</ul>\n</details>\n<ul class=\"whole\">\n" + items + "</ul>\n";
    }
    h += "<p style=\"font-size:8pt;color:#666\">" + Html(info.converter) +
         (info.output.empty() ? std::string() : " &mdash; " + Html(FromPath(info.output))) + "</p>\n</body></html>\n";
    return h;
}

std::string CheckJsonPathFor(const std::string& output) { return StripExtension(output) + ".check.json"; }
std::string CheckReportPathFor(const std::string& output) { return StripExtension(output) + ".check.html"; }
