// The archive report: what a lab's whole archive of converted nights looks
// like, from the manifest of its output tree and the check files beside
// the PSG files. `taff2psg --archive-report --out DIR` writes, beside the
// manifest, archive.html (one self-contained page: counts by verdict, every
// night in a table sortable by any column and filterable by verdict, the
// channels that fail or warn most often, counts by recorder, month and
// patient, the nights never checked or whose check is stale; printable) and
// archive.csv (one row per night). Only the manifest and the check files
// are read, never the PSG files, so it runs at the pace of the check files.
#pragma once

#include <string>
#include <vector>

#include "batch/batch_options.h"

// Where a night of the archive stands; the order is the report's.
enum class NightStatus { Pass, Warn, Fail, NotChecked, StaleCheck, NotDone, Count };

struct ArchiveNight {
    std::string input, output, result, reason;   // from the recording's last manifest line (UTF-8)
    std::string patientId, start, recorder;       // start "YYYY-MM-DDTHH:MM:SS", "" when unknown
    double hours = -1;                            // length of the night; -1 unknown
    NightStatus status = NightStatus::NotDone;
    std::string why;                              // why a check is stale
    std::vector<std::string> failChannels, warnChannels;
    std::string report;                           // the night's own report ("": none)
};

// One channel's count over the archive: nights in which it failed, warned.
struct ChannelCount {
    std::string label;
    int fail = 0, warn = 0;
};

// One row of the counts by recorder, month or patient.
struct GroupCount {
    std::string key;
    int nights = 0;
    int status[int(NightStatus::Count)] = {};
};

struct ArchiveSummary {
    std::vector<ArchiveNight> nights;             // in the manifest's order of first lines
    int status[int(NightStatus::Count)] = {};
    std::vector<ChannelCount> channels;           // most failing and warning first
    std::vector<GroupCount> byRecorder, byMonth, byPatient;
    int damagedLines = 0;                         // manifest lines that are not manifest lines
};

// Reads the manifest's text (the last line of each recording counts) and
// the check files its lines name. Check files are read by their path in
// the manifest.
ArchiveSummary ReadArchive(const std::string& manifestText);

// Counts by channel, recorder, month and patient from summary.nights.
void CountArchive(ArchiveSummary& summary);

// The CSV text (UTF-8 with a byte order mark, CR LF line ends, one row per
// night); and the page, whose links to each night's report are relative to
// `folder` (where the page is written), its texts Japanese or `english`.
std::string ArchiveCsv(const ArchiveSummary& summary, const std::string& folder);
std::string ArchiveHtml(const ArchiveSummary& summary, const std::string& folder, const std::string& title,
                        bool english);

// --archive-report: reads the manifest (--manifest, else DIR/manifest.jsonl
// of --out) and writes archive.html and archive.csv beside it. The exit
// status: 0 written, 1 when the manifest cannot be read or a file cannot be
// written.
int WriteArchiveReport(const BatchOptions& options);
