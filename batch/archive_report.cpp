// The archive report; see archive_report.h.
#include "batch/archive_report.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>

#include "batch/json_value.h"
#include "batch/night_files.h"
#include "engine/check_report.h"
#include "engine/version.h"
#include "filekit/filekit.h"
#include "taffread/taff_file.h"

namespace {

namespace fs = std::filesystem;

const size_t kStatuses = size_t(NightStatus::Count);
const size_t kChannelsListed = 20;     // the channels failing or warning most often
const size_t kLargestManifest = size_t(1) << 31;

// The report's texts for people, in one table.
struct Texts {
    const char* status[kStatuses];
    const char* title;
    const char* byVerdict;
    const char* nights;
    const char* allNights;
    const char* show;
    const char* shown;
    const char* columns[9];     // recording .. report
    const char* open;
    const char* topChannels;
    const char* channelColumns[3];
    const char* byRecorder;
    const char* byMonth;
    const char* byPatient;
    const char* unknown;
    const char* groupNights;
    const char* toLookAt;
    const char* toLookAtColumns[3];
    const char* noneToLookAt;
    const char* damaged;
    const char* written;
    const char* hoursUnit;
    const char* groupColumns[3];    // recorder, month, patient
    const char* whys[5];            // kWhys, for people
};

const Texts kJapanese = {
    {u8"合格", u8"要注意", u8"不合格", u8"未チェック", u8"チェック不一致", u8"未変換"},
    u8"夜間チェック アーカイブ報告",
    u8"判定別の夜数",
    u8"夜",
    u8"全ての夜",
    u8"表示する判定:",
    u8"表示中の夜:",
    {u8"記録", u8"患者ID", u8"開始", u8"長さ", u8"記録器", u8"判定", u8"不合格のチャンネル", u8"要注意のチャンネル", u8"報告"},
    u8"開く",
    u8"不合格・要注意の多いチャンネル",
    {u8"チャンネル", u8"不合格の夜", u8"要注意の夜"},
    u8"記録器別",
    u8"月別",
    u8"患者別",
    u8"不明",
    u8"夜数",
    u8"チェックされていない夜・チェックが合わない夜",
    {u8"記録", u8"状態", u8"理由"},
    u8"ありません",
    u8"マニフェストの壊れた行(無視しました)",
    u8"作成",
    " h",
    {u8"記録器", u8"月", u8"患者ID"},
    {u8"チェックファイルがありません", u8"チェックファイルが壊れています", u8"PSGファイルなしで作られたチェックです",
     u8"別のPSGファイルのチェックです", u8"チェックなしで変換されました"},
};

const Texts kEnglish = {
    {"pass", "warn", "fail", "not checked", "check stale", "not converted"},
    "Night check: archive report",
    "Nights by verdict",
    "nights",
    "Every night",
    "Show:",
    "Nights shown:",
    {"Recording", "Patient ID", "Start", "Length", "Recorder", "Verdict", "Failing channels", "Warning channels",
     "Report"},
    "open",
    "Channels failing or warning most often",
    {"Channel", "Nights failed", "Nights warned"},
    "By recorder",
    "By month",
    "By patient",
    "unknown",
    "Nights",
    "Nights never checked or whose check is stale",
    {"Recording", "State", "Why"},
    "none",
    "Damaged manifest lines (left out)",
    "Written",
    " h",
    {"Recorder", "Month", "Patient ID"},
    {"its check file is missing", "its check file is damaged", "its check was made without its PSG file",
     "its check belongs to another PSG file", "converted without the check"},
};

// Why a night's check is missing or stale, as the CSV gives it.
const char* const kWhys[5] = {"its check file is missing", "its check file is damaged",
                              "its check was made without its PSG file", "its check belongs to another PSG file",
                              "converted without the check"};

std::string WhyForPeople(const std::string& why, const Texts& t) {
    for (size_t i = 0; i < 5; ++i)
        if (why == kWhys[i]) return t.whys[i];
    return why;
}

const char* const kStatusWords[kStatuses] = {"pass", "warn", "fail", "not checked", "check stale", "not done"};
const char* const kStatusColours[kStatuses] = {"#3f9e5a", "#f0b429", "#d64545", "#7a7a7a", "#9b59b6", "#444"};

std::string Html(const std::string& text) { return HtmlText(text); }

std::string Csv(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string Joined(const std::vector<std::string>& items, const char* between) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : between) + item;
    return text;
}

std::string HoursText(double hours) {
    if (hours < 0) return "";
    char text[32];
    snprintf(text, sizeof text, "%.2f", hours);
    return text;
}

std::string RecorderOf(const JsonValue& recorder) {
    std::string text = recorder["device"].Text();
    const auto add = [&text](const char* what, const std::string& value) {
        if (!value.empty()) text += (text.empty() ? "" : " ") + std::string(what) + value;
    };
    add("slot ", recorder["slot"].Text());
    add("serial ", recorder["serial"].Text());
    add("ID ", recorder["id_no"].Text());
    return text;
}

NightStatus StatusOfVerdict(const std::string& verdict) {
    return verdict == "pass" ? NightStatus::Pass : verdict == "warn" ? NightStatus::Warn : NightStatus::Fail;
}

// The night of one manifest line, its check file read when the line names one.
ArchiveNight NightOf(const JsonValue& line) {
    ArchiveNight n;
    n.input = line["input"].Text();
    n.output = line["output"].Text();
    n.result = line["result"].Text();
    n.reason = line["reason"].Text();
    n.patientId = line["patient_id"].Text();
    n.start = line["start"].Text();
    n.recorder = RecorderOf(line["recorder"]);
    n.hours = line["seconds"].NumberOr(-3600) / 3600;
    const bool done = n.result == "converted" || n.result == "skipped" || n.result == "checked";
    if (!done) return n;
    const JsonValue& check = line["check"];
    if (check.kind != JsonValue::Object) {
        n.status = NightStatus::NotChecked;
        n.why = kWhys[4];
        return n;
    }
    n.status = NightStatus::StaleCheck;
    JsonValue file;
    if (!PathExists(check["file"].Text())) {
        n.why = kWhys[0];
        return n;
    }
    if (!ReadCheckFile(check["file"].Text(), file)) {
        n.why = kWhys[1];
        return n;
    }
    // The check file names the PSG file it judged; the manifest the PSG
    // file that was there: both must be one (a --check-only check names none).
    const std::string& judged = file["output_sha256"].Text();
    const std::string& placed = line["output_sha256"].Text();
    if (n.result != "checked" && (judged.empty() || judged != placed)) {
        n.why = judged.empty() ? kWhys[2] : kWhys[3];
        return n;
    }
    n.status = StatusOfVerdict(file["verdict"].Text());
    if (n.patientId.empty()) n.patientId = file["patient_id"].Text();
    if (n.start.empty()) n.start = file["start"].Text();
    if (n.recorder.empty()) n.recorder = RecorderOf(file["recorder"]);
    n.hours = file["hours"].NumberOr(n.hours);
    for (const JsonValue& channel : file["channels"].items) {
        const std::string& verdict = channel["verdict"].Text();
        if (verdict == "fail") n.failChannels.push_back(channel["label"].Text());
        if (verdict == "warn") n.warnChannels.push_back(channel["label"].Text());
    }
    n.report = check["report"].Text();
    return n;
}

void AddTo(std::map<std::string, GroupCount>& groups, const std::string& key, NightStatus status) {
    GroupCount& g = groups[key];
    g.key = key;
    ++g.nights;
    ++g.status[int(status)];
}

std::vector<GroupCount> Sorted(const std::map<std::string, GroupCount>& groups) {
    std::vector<GroupCount> list;
    for (const auto& g : groups) list.push_back(g.second);
    return list;
}

std::string LinkFrom(const std::string& folder, const std::string& path) {
    if (path.empty()) return "";
    std::error_code ignored;
    const fs::path from = fs::absolute(fs::path(folder), ignored).lexically_normal();
    const fs::path to = fs::absolute(fs::path(path), ignored).lexically_normal();
    const fs::path relative = to.lexically_relative(from);
    return (relative.empty() ? to : relative).generic_string();
}

// A link's path with the characters a URL cannot hold as they are escaped.
std::string UrlPath(const std::string& path) {
    std::string out;
    for (unsigned char c : path) {
        if (c == '%' || c == '#' || c == '?' || c == ' ' || c == '"' || c < 0x20) {
            char escaped[4];
            snprintf(escaped, sizeof escaped, "%%%02X", c);
            out += escaped;
        } else {
            out += char(c);
        }
    }
    return out;
}

std::string StatusBadge(NightStatus s, const Texts& t) {
    return "<span class=\"v\" style=\"background:" + std::string(kStatusColours[int(s)]) + "\">" +
           t.status[int(s)] + "</span>";
}

std::string GroupTable(const char* heading, const char* column, const std::vector<GroupCount>& groups,
                       const Texts& t) {
    std::string h = "<h2>" + std::string(heading) + "</h2>\n<table class=\"sortable\"><thead><tr><th>" + column +
                    "</th><th>" + t.groupNights + "</th>";
    for (size_t s = 0; s < kStatuses; ++s) h += "<th>" + std::string(t.status[s]) + "</th>";
    h += "</tr></thead><tbody>\n";
    for (const GroupCount& g : groups) {
        h += "<tr><td>" + Html(g.key.empty() ? t.unknown : g.key) + "</td><td data-n=\"" + std::to_string(g.nights) +
             "\">" + std::to_string(g.nights) + "</td>";
        for (size_t s = 0; s < kStatuses; ++s)
            h += "<td data-n=\"" + std::to_string(g.status[s]) + "\">" + std::to_string(g.status[s]) + "</td>";
        h += "</tr>\n";
    }
    return h + "</tbody></table>\n";
}

const char kStyle[] =
    "@page { size: A4 landscape; margin: 10mm; }\n"
    "body { font-family: sans-serif; font-size: 9pt; color: #222; margin: 8pt; }\n"
    "h1 { font-size: 15pt; margin: 0 0 6pt; } h2 { font-size: 12pt; margin: 14pt 0 4pt; }\n"
    "table { border-collapse: collapse; margin-bottom: 6pt; }\n"
    "th, td { border-bottom: 1px solid #ccc; padding: 2pt 5pt; text-align: left; vertical-align: top; }\n"
    "th { background: #eee; } .sortable th { cursor: pointer; user-select: none; }\n"
    ".sortable th[data-dir=asc]::after { content: ' \\25B2'; } .sortable th[data-dir=desc]::after { content: ' \\25BC'; }\n"
    "td[data-n] { text-align: right; }\n"
    ".v { font-weight: bold; color: #fff; padding: 0 4pt; border-radius: 3pt; white-space: nowrap; "
    "-webkit-print-color-adjust: exact; print-color-adjust: exact; }\n"
    ".counts td { font-size: 11pt; padding: 3pt 10pt; }\n"
    ".controls { margin: 4pt 0; } .controls label { margin-right: 10pt; white-space: nowrap; }\n"
    "thead { display: table-header-group; } tr { page-break-inside: avoid; }\n"
    "@media print { .controls { display: none; } a { color: inherit; text-decoration: none; } }\n";

// Sorting by a click on a column's heading (numbers by data-n), and the
// verdict filter of the nights' table.
const char kScript[] =
    "document.querySelectorAll('table.sortable').forEach(function (table) {\n"
    "  table.querySelectorAll('th').forEach(function (th, column) {\n"
    "    th.addEventListener('click', function () {\n"
    "      var up = th.getAttribute('data-dir') !== 'asc';\n"
    "      table.querySelectorAll('th').forEach(function (o) { o.removeAttribute('data-dir'); });\n"
    "      th.setAttribute('data-dir', up ? 'asc' : 'desc');\n"
    "      var body = table.tBodies[0], rows = Array.prototype.slice.call(body.rows);\n"
    "      rows.sort(function (a, b) {\n"
    "        var x = a.cells[column], y = b.cells[column];\n"
    "        var nx = x.getAttribute('data-n'), ny = y.getAttribute('data-n'), r;\n"
    "        if (nx !== null && ny !== null) r = parseFloat(nx) - parseFloat(ny);\n"
    "        else r = x.textContent.localeCompare(y.textContent, document.documentElement.lang);\n"
    "        return up ? r : -r;\n"
    "      });\n"
    "      rows.forEach(function (row) { body.appendChild(row); });\n"
    "    });\n"
    "  });\n"
    "});\n"
    "function filterNights() {\n"
    "  var shown = {}, count = 0;\n"
    "  document.querySelectorAll('.controls input').forEach(function (box) { shown[box.value] = box.checked; });\n"
    "  document.querySelectorAll('#nights tbody tr').forEach(function (row) {\n"
    "    var on = shown[row.getAttribute('data-s')];\n"
    "    row.style.display = on ? '' : 'none';\n"
    "    if (on) count++;\n"
    "  });\n"
    "  document.getElementById('shown').textContent = count;\n"
    "}\n"
    "document.querySelectorAll('.controls input').forEach(function (box) {\n"
    "  box.addEventListener('change', filterNights);\n"
    "});\n";

}  // namespace

ArchiveSummary ReadArchive(const std::string& text) {
    ArchiveSummary summary;
    std::map<std::string, size_t> index;    // input -> its place in `lines`
    std::vector<JsonValue> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        JsonValue value;
        if (!ParseJson(line, value) || value["input"].kind != JsonValue::String) {
            ++summary.damagedLines;
            continue;
        }
        // The last line of a recording counts, in the place of its first.
        const auto found = index.emplace(value["input"].Text(), lines.size());
        if (found.second) lines.push_back(std::move(value));
        else lines[found.first->second] = std::move(value);
    }
    for (const JsonValue& line : lines) summary.nights.push_back(NightOf(line));
    CountArchive(summary);
    return summary;
}

void CountArchive(ArchiveSummary& summary) {
    std::map<std::string, ChannelCount> channels;
    std::map<std::string, GroupCount> recorders, months, patients;
    std::fill(summary.status, summary.status + kStatuses, 0);
    for (const ArchiveNight& n : summary.nights) {
        ++summary.status[int(n.status)];
        for (const std::string& label : n.failChannels) ++channels[label].fail;
        for (const std::string& label : n.warnChannels) ++channels[label].warn;
        AddTo(recorders, n.recorder, n.status);
        AddTo(months, n.start.size() >= 7 ? n.start.substr(0, 7) : "", n.status);
        AddTo(patients, n.patientId, n.status);
    }
    summary.channels.clear();
    for (auto& c : channels) {
        c.second.label = c.first;
        summary.channels.push_back(c.second);
    }
    std::stable_sort(summary.channels.begin(), summary.channels.end(), [](const ChannelCount& a, const ChannelCount& b) {
        return a.fail != b.fail ? a.fail > b.fail : a.warn > b.warn;
    });
    summary.byRecorder = Sorted(recorders);
    summary.byMonth = Sorted(months);
    summary.byPatient = Sorted(patients);
}

std::string ArchiveCsv(const ArchiveSummary& summary, const std::string& folder) {
    std::string csv = "\xEF\xBB\xBF"
                      "recording,output,patient_id,start,hours,recorder,result,status,fail_channels,warn_channels,"
                      "report,reason\r\n";
    for (const ArchiveNight& n : summary.nights) {
        csv += Csv(n.input) + "," + Csv(n.output) + "," + Csv(n.patientId) + "," + Csv(n.start) + "," +
               HoursText(n.hours) + "," + Csv(n.recorder) + "," + Csv(n.result) + "," + kStatusWords[int(n.status)] +
               "," + Csv(Joined(n.failChannels, "; ")) + "," + Csv(Joined(n.warnChannels, "; ")) + "," +
               Csv(LinkFrom(folder, n.report)) + "," + Csv(n.why.empty() ? n.reason : n.why) + "\r\n";
    }
    return csv;
}

std::string ArchiveHtml(const ArchiveSummary& s, const std::string& folder, const std::string& title, bool english) {
    const Texts& t = english ? kEnglish : kJapanese;
    std::string h = std::string("<!DOCTYPE html>\n<html lang=\"") + (english ? "en" : "ja") +
                    "\"><head><meta charset=\"utf-8\">\n<title>" + std::string(t.title) +
                    ": " + Html(title) + "</title>\n<style>\n" + kStyle + "</style></head><body>\n";
    h += "<h1>" + std::string(t.title) + "</h1>\n<p>" + Html(title) + "</p>\n";
    // The counts by verdict.
    h += "<h2>" + std::string(t.byVerdict) + "</h2>\n<table class=\"counts\"><tr>";
    for (size_t st = 0; st < kStatuses; ++st)
        h += "<td>" + StatusBadge(NightStatus(st), t) + " <b id=\"count-" + kStatusWords[st] + "\">" +
             std::to_string(s.status[st]) + "</b> " + t.nights + "</td>";
    h += "</tr></table>\n";
    if (s.damagedLines > 0) h += "<p>" + std::string(t.damaged) + ": " + std::to_string(s.damagedLines) + "</p>\n";
    // Every night, filterable by verdict.
    h += "<h2>" + std::string(t.allNights) + "</h2>\n<div class=\"controls\">" + t.show + " ";
    for (size_t st = 0; st < kStatuses; ++st)
        h += "<label><input type=\"checkbox\" value=\"" + std::to_string(st) + "\" checked> " + t.status[st] +
             "</label>";
    h += " " + std::string(t.shown) + " <b id=\"shown\">" + std::to_string(s.nights.size()) + "</b></div>\n";
    h += "<table id=\"nights\" class=\"sortable\"><thead><tr>";
    for (const char* column : t.columns) h += "<th>" + std::string(column) + "</th>";
    h += "</tr></thead><tbody>\n";
    for (const ArchiveNight& n : s.nights) {
        const std::string link = LinkFrom(folder, n.report);
        h += "<tr data-s=\"" + std::to_string(int(n.status)) + "\"><td>" + Html(n.input) + "</td><td>" +
             Html(n.patientId) + "</td><td>" + Html(n.start.size() >= 16 ? n.start.substr(0, 16).replace(10, 1, " ")
                                                                        : n.start) +
             "</td><td data-n=\"" + (n.hours < 0 ? std::string("-1") : HoursText(n.hours)) + "\">" + HoursText(n.hours) +
             "</td><td>" + Html(n.recorder) + "</td><td data-n=\"" + std::to_string(int(n.status)) + "\">" +
             StatusBadge(n.status, t) + "</td><td>" + Html(Joined(n.failChannels, ", ")) + "</td><td>" +
             Html(Joined(n.warnChannels, ", ")) + "</td><td>" +
             (link.empty() ? std::string() : "<a href=\"" + Html(UrlPath(link)) + "\">" + t.open + "</a>") +
             "</td></tr>\n";
    }
    h += "</tbody></table>\n";
    // The channels failing or warning most often.
    h += "<h2>" + std::string(t.topChannels) + "</h2>\n<table class=\"sortable\"><thead><tr>";
    for (const char* column : t.channelColumns) h += "<th>" + std::string(column) + "</th>";
    h += "</tr></thead><tbody>\n";
    for (size_t i = 0; i < s.channels.size() && i < kChannelsListed; ++i) {
        const ChannelCount& c = s.channels[i];
        h += "<tr><td>" + Html(c.label) + "</td><td data-n=\"" + std::to_string(c.fail) + "\">" +
             std::to_string(c.fail) + "</td><td data-n=\"" + std::to_string(c.warn) + "\">" + std::to_string(c.warn) +
             "</td></tr>\n";
    }
    h += "</tbody></table>\n";
    h += GroupTable(t.byRecorder, t.groupColumns[0], s.byRecorder, t);
    h += GroupTable(t.byMonth, t.groupColumns[1], s.byMonth, t);
    h += GroupTable(t.byPatient, t.groupColumns[2], s.byPatient, t);
    // The nights whose check is missing or does not belong to them.
    h += "<h2>" + std::string(t.toLookAt) + "</h2>\n";
    std::string rows;
    for (const ArchiveNight& n : s.nights) {
        if (n.status != NightStatus::NotChecked && n.status != NightStatus::StaleCheck) continue;
        rows += "<tr><td>" + Html(n.input) + "</td><td>" + StatusBadge(n.status, t) + "</td><td>" + Html(WhyForPeople(n.why, t)) +
                "</td></tr>\n";
    }
    if (rows.empty()) {
        h += "<p>" + std::string(t.noneToLookAt) + "</p>\n";
    } else {
        h += "<table class=\"sortable\"><thead><tr>";
        for (const char* column : t.toLookAtColumns) h += "<th>" + std::string(column) + "</th>";
        h += "</tr></thead><tbody>\n" + rows + "</tbody></table>\n";
    }
    char when[32] = "";
    const time_t now = time(nullptr);
    struct tm local {};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    strftime(when, sizeof when, "%Y-%m-%d %H:%M", &local);
    h += "<p style=\"font-size:8pt;color:#666\">" + std::string(t.written) + " " + when + " &mdash; " CONVERTER_NAME
         " " CONVERTER_VERSION_TEXT "</p>\n<script>\n" + kScript + "</script>\n</body></html>\n";
    return h;
}

int WriteArchiveReport(const BatchOptions& o) {
    const std::string manifest = o.manifest.empty() ? JoinPath(o.outDir, "manifest.jsonl") : o.manifest;
    std::string text;
    if (!taff::ReadSmallFile(manifest, kLargestManifest, &text)) {
        fprintf(stderr, "taff2psg: the manifest %s cannot be read: %s\n", manifest.c_str(),
                errno ? strerror(errno) : "too large");
        return kExitSomeFailed;
    }
    const ArchiveSummary summary = ReadArchive(text);
    const std::string folder = FolderOf(manifest).empty() ? "." : FolderOf(manifest);
    const std::string html = JoinPath(folder, "archive.html"), csv = JoinPath(folder, "archive.csv");
    int error = WriteFileBeside(csv, ArchiveCsv(summary, folder), true);
    if (error == 0) error = WriteFileBeside(html, ArchiveHtml(summary, folder, manifest, o.reportLang == "en"), true);
    if (error != 0) {
        fprintf(stderr, "taff2psg: the archive report cannot be written beside %s: %s\n", manifest.c_str(),
                strerror(error));
        return kExitSomeFailed;
    }
    if (!o.quiet) {
        printf("archive report: %s, %s\n%zu night(s):", html.c_str(), csv.c_str(), summary.nights.size());
        for (size_t st = 0; st < kStatuses; ++st) printf("%s %d %s", st ? "," : "", summary.status[st], kStatusWords[st]);
        printf("\n");
    }
    return kExitConverted;
}
