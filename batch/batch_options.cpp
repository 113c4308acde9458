// The command line of taff2psg; see batch_options.h.
#include "batch/batch_options.h"

#include <CLI/CLI.hpp>

#include <cstdio>

#include "batch/output_tree.h"
#include "engine/app_settings.h"
#include "engine/identity_rules.h"
#include "engine/night_check.h"
#include "engine/source_fields.h"
#include "engine/version.h"
#include "recfile/edf_header.h"
#include "textkit/sjis_text.h"

namespace {

const char kDescription[] =
    "taff2psg: converts TAFFmat recordings (*.HDR) into PSG files (*.DAT) with a montage\n"
    "pattern of the settings file, one output per recording, several at once.";

const char kFooter[] =
    "Inputs are header files, folders holding them, or \"-\" for a list of inputs on standard\n"
    "input. Each output is named after its recording (NIGHT1.HDR gives NIGHT1.DAT) and written\n"
    "under a temporary name, renamed only when complete.\n"
    "With folder inputs (or --base) outputs keep the recordings' folders below --out.\n"
    "With --check or --check-only each night is also judged channel by channel (NAME.check.json,\n"
    "NAME.check.html beside the output); with Annotations=1 in section NIGHTCHECK of the settings\n"
    "file, --check also writes the warn and fail findings into each PSG file as annotations\n"
    "(\"Check: C3-A2 flat\"), checking the night before converting it.\n"
    "Exit status: 0 every recording converted (or skipped as done), 1 some failed (or a night's\n"
    "check verdict reached --check-fail-level), 2 usage error,\n"
    "128 + the signal after a stop (130 after Ctrl-C).";

void AddInputOptions(CLI::App& app, BatchOptions& o) {
    app.add_option("recordings", o.inputs, "header files (*.HDR), folders, or - for a list on standard input");
    app.add_option("--list", o.listFile, "file naming one input per line (- for standard input)");
    app.add_flag("-r,--recursive", o.recursive, "search folders and their subfolders");
}

void AddMontageOptions(CLI::App& app, BatchOptions& o) {
    app.add_option("--settings", o.settingsFile, "settings file (COND/MORLEX.INI): SYSTEM and the patterns");
    app.add_option("--pattern", o.pattern, "montage pattern 1..8 of the settings file (default 1)")
        ->check(CLI::Range(1, 8));
    app.add_option("--frame-time", o.frameTime, "seconds per frame (default: SYSTEM FrameTime, else 1)")
        ->check(CLI::Range(1, 60));
    app.add_flag("--all-channels", o.allChannels,
                 "convert every channel of each recording, whatever the pattern switches on");
    app.add_option("--patient", o.patientFile,
                   "file with a PATIENT section (PATIENT.INF); NAME.INF beside a recording wins; "
                   "with several recordings only together with --same-patient");
    app.add_flag("--same-patient", o.samePatient, "the --patient file is the person of every recording given");
    app.add_option("--comment", o.comment, "recording comment (up to 31 characters)");
    app.add_option("--start", o.start, "corrected start \"YYYY-MM-DD HH:MM:SS\" (a single recording only)");
}

void AddOutputOptions(CLI::App& app, BatchOptions& o) {
    app.add_option("-o,--out", o.outDir, "folder the PSG files are written to")->required();
    app.add_flag("--overwrite", o.overwrite, "replace existing outputs");
    app.add_flag("-n,--dry-run", o.dryRun, "list what would be written; write nothing");
    app.add_flag("-q,--quiet", o.quiet, "no progress and no summary; failures still reported");
    app.add_flag("--accept-gaps", o.acceptGaps,
                 "keep an output whose unreadable blocks hold the last sample, marked Data missing (still reported)");
    app.add_flag("--accept-short", o.acceptShort,
                 "convert a recording whose data file is shorter than its header announces (still reported)");
    app.add_option("-j,--jobs", o.jobs, "recordings converted at once (default: the CPUs the process may use)")
        ->check(CLI::Range(1, 256));
}

void AddArchiveOptions(CLI::App& app, BatchOptions& o) {
    app.add_option("--base", o.base,
                   "outputs of inputs below this folder keep their folders below --out (as folder inputs do)");
    app.add_option("--ext", o.ext, "output extension (default .DAT, as the window program; .edf for EDF tools)");
    app.add_flag("--skip-existing", o.skipExisting,
                 "an output that exists, is whole and was made with these settings counts as done; an unfinished "
                 "one is converted again, one of other settings fails unless --overwrite");
    app.add_option("--manifest", o.manifest, "append one JSON line per recording to this file");
    app.add_flag("--verify", o.verify, "read every output back and compare it with its recording and montage");
    app.add_flag("--clean", o.clean, "remove unfinished outputs (*.part) that killed runs left under --out");
    app.add_flag("--no-flush", o.noFlush, "do not flush outputs to disk before renaming them (not safe on power loss)");
    app.add_flag("--archive-report", o.archiveReport,
                 "write archive.html and archive.csv beside the manifest (--manifest, else OUT/manifest.jsonl): "
                 "the nights of the output tree by verdict, recorder, month and patient");
}

void AddIdentityOptions(CLI::App& app, BatchOptions& o) {
    CLI::Option* deidentify = app.add_flag(
        "--deidentify", o.deidentify,
        "de-identified copy for research: no name, birth date, staff, medication or comments "
        "(the settings file's Identity=1 asks for it too)");
    CLI::Option* full = app.add_flag("--full-identity", o.fullIdentity,
                                     "the full identity, even when the settings file asks for the de-identified copy");
    full->excludes(deidentify);
    std::vector<CLI::Option*> copyOptions;
    copyOptions.push_back(
        app.add_option("--study-code", o.studyCode, "code written in place of the patient ID (up to 19 characters)")
            ->check(CLI::Validator(
                [](std::string& v) { return v.size() < kStudyCodeSize ? std::string() : "longer than 19 characters"; },
                "TEXT")));
    copyOptions.push_back(app.add_flag("--keep-age", o.keepAge, "keep the age in whole years"));
    copyOptions.push_back(app.add_flag("--keep-sex", o.keepSex, "keep the sex"));
    copyOptions.push_back(
        app.add_flag("--shift-date", o.replaceDate, "move the start date to 1985-01-01, keeping the time of day"));
    for (CLI::Option* option : copyOptions) full->excludes(option);
}

void AddCheckOptions(CLI::App& app, BatchOptions& o) {
    app.add_flag("--check", o.check,
                 "check each night while converting it: NAME.check.json and NAME.check.html beside the output; "
                 "with NIGHTCHECK Annotations=1 in the settings file its findings also go into the PSG file");
    app.add_flag("--check-only", o.checkOnly, "check each night without writing PSG files (triage of an archive)");
    app.add_option("--check-rule", o.checkRule,
                   "the night verdict's rule set, e.g. \"EEG, SpO2, airflow >= 4 h\" "
                   "(default: NIGHTCHECK Rule of the settings file, else that)");
    app.add_option("--check-fail-level", o.checkFailLevel,
                   "a night verdict at this level makes the exit status 1: warn, fail (default) or never")
        ->check(CLI::IsMember({"warn", "fail", "never"}));
    app.add_option("--report-lang", o.reportLang,
                   "the language of NAME.check.html: ja (Japanese) or en (English) "
                   "(default: NIGHTCHECK ReportLanguage of the settings file, else ja)")
        ->check(CLI::IsMember({"ja", "en"}));
    app.add_option("--check-threads", o.checkThreads,
                   "threads each night's check measures on, 1-4 (default: the CPUs the process may use, shared "
                   "among the recordings converted at once); the findings are the same for any number")
        ->check(CLI::Range(1, 4));
}

// --help and --version answer on standard output and end with 0.
bool IsHelp(const CLI::ParseError& e) {
    return dynamic_cast<const CLI::CallForHelp*>(&e) || dynamic_cast<const CLI::CallForAllHelp*>(&e) ||
           dynamic_cast<const CLI::CallForVersion*>(&e);
}

}  // namespace

int ParseBatchOptions(int argc, char** argv, BatchOptions& o, std::ostream& out, std::ostream& err) {
    CLI::App app{kDescription, "taff2psg"};
    app.footer(kFooter);
    app.set_version_flag("--version", std::string("taff2psg ") + CONVERTER_VERSION_TEXT + " (" CONVERTER_NAME ")",
                         "print the version and exit");
    AddInputOptions(app, o);
    AddMontageOptions(app, o);
    AddOutputOptions(app, o);
    AddArchiveOptions(app, o);
    AddIdentityOptions(app, o);
    AddCheckOptions(app, o);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (IsHelp(e)) return app.exit(e, out, err);
        app.exit(e, out, err);
        return kExitUsage;
    }
    std::string extension;
    if (!o.ext.empty() && !OutputExtension(o.ext, extension)) {
        err << "taff2psg: --ext \"" << o.ext << "\" is not a file extension\n";
        return kExitUsage;
    }
    if (o.inputs.empty() && o.listFile.empty() && !o.clean && !o.archiveReport) {
        err << "taff2psg: no recording given (header files, folders, - or --list)\n"
            << "Run with --help for more information.\n";
        return kExitUsage;
    }
    if (o.check && o.checkOnly) {
        err << "taff2psg: --check converts and checks, --check-only only checks: give one of them\n";
        return kExitUsage;
    }
    uint32_t kinds = 0;
    double hours = 0;
    if (!o.checkRule.empty() && !ParseCheckRuleSet(CheckRuleSet{o.checkRule}, &kinds, &hours)) {
        err << "taff2psg: --check-rule \"" << o.checkRule
            << "\" is not a rule set (kinds of signal, then >= hours: \"EEG, SpO2, airflow >= 4 h\")\n";
        return kExitUsage;
    }
    int fields[6];
    if (!o.start.empty() && !ParseStartTime(o.start, fields)) {
        err << "taff2psg: --start \"" << o.start << "\" is not a start time YYYY-MM-DD HH:MM:SS on a date that exists, "
            << kRecFirstYear << ".." << kRecLastYear << "\n";
        return kExitUsage;
    }
    return -1;
}

bool ParseStartTime(const std::string& text, int f[6]) {
    char sep = 0;
    char tail = 0;
    f[5] = 0;
    const int n = sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%c", &f[0], &f[1], &f[2], &sep, &f[3], &f[4],
                         &f[5], &tail);
    if (n != 6 && n != 7) return false;
    if (sep != ' ' && sep != 'T') return false;
    for (int i = 0; i < 6; ++i)
        if (!StartFieldAccepts(StartField(kStartYear + i), f[i])) return false;
    return StartDateFits(f[0], f[1], f[2]);
}

bool StartDateFits(int year, int month, int day) {
    return year >= kRecFirstYear && year <= kRecLastYear && RecIsDate(year, month, day);
}

bool ApplyIdentityOptions(const BatchOptions& o, AppSettings& settings, std::string* error) {
    IdentityOptions& id = settings.identity;
    const bool copyOptions = !o.studyCode.empty() || o.keepAge || o.keepSex || o.replaceDate;
    if (o.fullIdentity) {
        id = IdentityOptions{};
        return true;
    }
    if (o.deidentify) {
        id = IdentityOptions{};
        id.mode = kIdentityResearch;
    } else if (!IsResearchCopy(id)) {
        if (!copyOptions) return true;
        *error = "--study-code, --keep-age, --keep-sex and --shift-date need the de-identified copy "
                 "(--deidentify, or Identity=1 in the settings file)";
        return false;
    }
    if (o.keepAge) id.keepAge = 1;
    if (o.keepSex) id.keepSex = 1;
    if (o.replaceDate) id.replaceStartDate = 1;
    if (o.deidentify || !o.studyCode.empty()) CopyText(id.studyCode, sizeof id.studyCode, o.studyCode.c_str());
    return true;
}

std::string IdentitySummary(const BatchOptions& o, const AppSettings& settings) {
    const IdentityOptions& id = settings.identity;
    if (!IsResearchCopy(id)) {
        if (o.fullIdentity) return "identity: full (--full-identity)";
        return "identity: full";
    }
    std::string text = "identity: de-identified copy (study code ";
    const std::string code(id.studyCode, FieldTextLength(id.studyCode, kStudyCodeSize));
    text += code.empty() ? "none" : code;
    std::string kept;
    if (id.keepAge) kept += "age";
    if (id.keepSex) kept += kept.empty() ? "sex" : ", sex";
    if (!kept.empty()) text += "; kept: " + kept;
    if (id.replaceStartDate) text += "; start moved to 1985-01-01";
    text += ")";
    if (!o.deidentify) text += ", from the settings file";
    return text;
}
