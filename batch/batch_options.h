// The command line of the batch converter taff2psg, read with CLI11 into a
// plain record; a usage error is answered with the usage text and exit 2.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

struct BatchOptions {
    std::vector<std::string> inputs;    // header files, folders, "-" (list on standard input)
    std::string listFile;               // a file naming one input per line ("-": standard input)
    bool recursive = false;             // search folders and their subfolders
    std::string settingsFile;           // settings file with SYSTEM and Pattern1..Pattern8
    int pattern = 0;                    // 1..8; 0: none given (Pattern1)
    int frameTime = 0;                  // seconds; 0: SYSTEM/FrameTime of the settings file
    std::string patientFile;            // a file with a PATIENT section
    std::string comment;                // recording comment of every output
    std::string start;                  // "YYYY-MM-DD HH:MM:SS": start of a single recording
    std::string outDir;
    bool overwrite = false;
    bool dryRun = false;
    bool quiet = false;
    bool acceptGaps = false;            // keep an output with unreadable blocks (held at the last sample)
    bool allChannels = false;           // every channel of the recording, as the window program opens it
    bool acceptShort = false;           // convert a data file shorter than its header announces (still reported)
    bool samePatient = false;           // --patient names the person of every recording of the batch
    int jobs = 0;                       // 0: one per CPU the process may run on
    // Runs over whole archives (output_tree.h, manifest.h, psg_verify.h, part_files.h).
    std::string base;                   // outputs mirror the inputs' folders below it
    std::string ext;                    // output extension; "": the window program's .DAT
    bool skipExisting = false;          // a whole existing output counts as done
    std::string manifest;               // JSON Lines file one line per recording is appended to
    bool verify = false;                // read every output back and compare it with its recording
    bool clean = false;                 // remove unfinished outputs of killed runs first
    bool noFlush = false;               // outputs not flushed to disk before their rename
    // The de-identified copy for research (the window program's identity
    // option): the study code in place of the patient ID, the age in years
    // and the sex only when asked, the start date replaced by 1985-01-01.
    bool deidentify = false;
    std::string studyCode;
    bool keepAge = false;
    bool keepSex = false;
    bool replaceDate = false;
    // The night check (engine/night_check.h): NAME.check.json and
    // NAME.check.html beside each output.
    bool check = false;                 // check each recording in the conversion's own pass
    bool checkOnly = false;             // check without writing PSG files
    std::string checkRule;              // the rule set; "": the settings file's, else the default
    std::string checkFailLevel = "fail";// a night verdict at this level fails the exit status: warn, fail, never
    std::string reportLang;             // the report's language: ja, en; "": NIGHTCHECK ReportLanguage, else ja
    int checkThreads = 0;               // threads of each night's check; 0: the CPUs shared among the jobs
    bool fullIdentity = false;          // the full identity, whatever the settings file chose
    // The archive report (archive_report.h) of the output tree, after the
    // recordings given (if any) are converted.
    bool archiveReport = false;
};

struct AppSettings;
// Puts the identity options of the command line over the settings file's
// choice already in `settings`: --full-identity gives the full identity;
// --deidentify the de-identified copy with exactly the command line's
// options; otherwise a copy the settings file chose takes --study-code,
// --keep-age, --keep-sex and --shift-date over its own. False with `error`
// when those options are given but neither the command line nor the
// settings file asks for the copy.
bool ApplyIdentityOptions(const BatchOptions& options, AppSettings& settings, std::string* error);

// One line on the identity the outputs carry, for the summary:
// "identity: full" or "identity: de-identified copy (study code S-17;
// kept: age, sex; start moved to 1985-01-01), from the settings file".
std::string IdentitySummary(const BatchOptions& options, const AppSettings& settings);

enum { kExitConverted = 0, kExitSomeFailed = 1, kExitUsage = 2 };

// Reads the command line into `options`. Returns -1 to go on, otherwise the
// exit status: 0 after --help, kExitUsage after a usage error (its message
// written to `err`).
int ParseBatchOptions(int argc, char** argv, BatchOptions& options, std::ostream& out, std::ostream& err);

// Reads "YYYY-MM-DD HH:MM:SS" (or with "T" between, seconds optional) into
// year, month, day, hour, minute, second, each checked by the source page's
// start field rules, on a date that exists and that the PSG header can hold.
// False when the text is not such a time.
bool ParseStartTime(const std::string& text, int fields[6]);

// Whether the date exists (leap years counted) and lies in the years the
// PSG header's start date can hold (kRecFirstYear..kRecLastYear).
bool StartDateFits(int year, int month, int day);
