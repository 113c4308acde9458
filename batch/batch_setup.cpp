// The batch's shared setup and its list of recordings; see batch_setup.h.
#include "batch/batch_setup.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>

#include "engine/identity_rules.h"
#include "engine/ini_file.h"
#include "engine/pattern_load.h"
#include "engine/pattern_rules.h"
#include "engine/settings_load.h"
#include "filekit/filekit.h"
#include "textkit/sjis_text.h"

namespace {

// Loads a settings-style file; false with the file and the reason in `error`.
bool LoadIni(IniFile& ini, const std::string& path, const char* what, std::string* error) {
    const IniFile::LoadResult result = ini.Load(path.c_str());
    if (result == IniFile::kCannotRead) {
        *error = std::string(what) + " " + path + " cannot be read: " + strerror(errno ? errno : EIO);
        return false;
    }
    if (result != IniFile::kLoaded || ini.SectionCount() == 0) {
        *error = std::string(what) + " " + path + " " +
                 (result != IniFile::kLoaded ? IniLoadReason(result) : "is not a settings file (no [section] in it)");
        return false;
    }
    return true;
}

// Whether a section the batch reads is in the settings file: a file read
// without any of them would silently give every key its default.
bool HasSettingsSection(const IniFile& ini) {
    if (ini.HasSection("SYSTEM")) return true;
    for (int slot = 0; slot < kPatternCount; ++slot) {
        char section[16];
        PatternSectionName(section, sizeof section, slot);
        if (ini.HasSection(section)) return true;
    }
    return false;
}

bool LoadSettingsFile(const BatchOptions& o, BatchSetup& setup, std::string* error) {
    IniFile ini;    // without a settings file: every key at its default
    if (!o.settingsFile.empty() && !LoadIni(ini, o.settingsFile, "settings file", error)) return false;
    setup.patternSlot = o.pattern > 0 ? o.pattern - 1 : 0;
    char section[16];
    PatternSectionName(section, sizeof section, setup.patternSlot);
    if (!o.settingsFile.empty() && o.pattern > 0 && !ini.HasSection(section)) {
        *error = "settings file " + o.settingsFile + " has no section [" + section + "] (--pattern " +
                 std::to_string(o.pattern) + ")";
        return false;
    }
    if (!o.settingsFile.empty() && !HasSettingsSection(ini)) {
        *error = "settings file " + o.settingsFile + " has no [SYSTEM] and no [Pattern1]..[Pattern8] section";
        return false;
    }
    LoadFrameKeys(setup.settings, ini);
    if (o.frameTime > 0) setup.settings.FrameTime = o.frameTime;
    // The identity the settings file chose, then the command line's.
    if (!o.settingsFile.empty()) LoadOptionKeys(setup.settings, ini);
    if (!ApplyIdentityOptions(o, setup.settings, error)) return false;
    MontagePattern patterns[kPatternCount] = {};
    SetChannelStartupDefaults(patterns);
    LoadPatternSection(patterns[setup.patternSlot], setup.patternSlot, ini);
    setup.pattern = patterns[setup.patternSlot];
    setup.checkRule = o.checkRule.empty() ? LoadCheckRuleSet(ini) : CheckRuleSet{o.checkRule};
    setup.reportLanguage = LoadReportLanguage(ini);
    ParseReportLanguage(o.reportLang, &setup.reportLanguage);   // "" keeps the settings file's
    LoadCheckNotesKey(setup.settings, ini);
    return true;
}

bool LoadPatientFile(const std::string& path, PatientInfo& patient, std::string* error) {
    IniFile ini;
    if (!LoadIni(ini, path, "patient file", error)) return false;
    if (!ini.HasSection("PATIENT")) {
        *error = "patient file " + path + " has no [PATIENT] section";
        return false;
    }
    LoadPatientKeys(patient, ini, kMissingKeysUnknown);
    return true;
}

// What the inputs name: the header files and, for each, the folder input it
// was found under ("" for a header named itself), which its output mirrors.
struct Found {
    std::vector<std::string>& headers;
    std::vector<std::string>* roots;
    std::vector<InputProblem>& problems;
    void Add(const std::string& header, const std::string& root) {
        headers.push_back(header);
        if (roots) roots->push_back(root);
    }
};

void AddInput(const BatchOptions& o, const std::string& path, Found& found, int depth, const std::string& root);

void SearchFolder(const BatchOptions& o, const std::string& dir, Found& found, int depth, const std::string& root) {
    const size_t before = found.headers.size();
    for (const std::string& name : ListFolder(dir)) {
        const std::string path = JoinPath(dir, name);
        if (IsFolder(path)) {
            if (o.recursive && depth < 32) AddInput(o, path, found, depth + 1, root);
        } else if (HasExtension(name, "HDR")) {
            found.Add(path, root);
        }
    }
    if (found.headers.size() == before && depth == 0)
        found.problems.push_back({dir, "no recording (*.HDR) in this folder"});
}

void AddInput(const BatchOptions& o, const std::string& path, Found& found, int depth, const std::string& root) {
    if (IsFolder(path)) SearchFolder(o, path, found, depth, depth == 0 ? path : root);
    else if (PathExists(path)) found.Add(path, "");
    else found.problems.push_back({path, "no such file or folder"});
}

// Adds the inputs listed one per line in `in` (blank lines skipped).
void AddListed(const BatchOptions& o, std::istream& in, Found& found) {
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
        if (!line.empty()) AddInput(o, line, found, 0, "");
    }
}

}  // namespace

bool LoadBatchSetup(const BatchOptions& o, BatchSetup& setup, std::string* error) {
    if (!LoadSettingsFile(o, setup, error)) return false;
    SetUnknownPatient(setup.patient);
    if (!o.patientFile.empty() && !LoadPatientFile(o.patientFile, setup.patient, error)) return false;
    setup.hasStart = !o.start.empty() && ParseStartTime(o.start, setup.start);
    setup.comment = o.comment;
    return true;
}

bool PatientFor(const BatchSetup& setup, const std::string& headerPath, PatientInfo& patient, std::string* error) {
    patient = setup.patient;
    for (const std::string& file : FilesOfStem(headerPath))
        if (HasExtension(FileNameOf(file), "INF")) return LoadPatientFile(file, patient, error);
    return true;
}

bool PatientFileFitsBatch(const BatchOptions& o, size_t recordings, std::string* error) {
    if (o.patientFile.empty() || recordings <= 1 || o.samePatient) return true;
    *error = "--patient " + o.patientFile + " names one person, but " + std::to_string(recordings) +
             " recordings were given (--same-patient if they are all this person's; NAME.INF beside each "
             "recording names its own)";
    return false;
}

bool CollectRecordings(const BatchOptions& o, std::vector<std::string>& headers, std::vector<InputProblem>& problems,
                       std::string* error, std::vector<std::string>* roots) {
    Found found{headers, roots, problems};
    for (const std::string& input : o.inputs) {
        if (input == "-") AddListed(o, std::cin, found);
        else AddInput(o, input, found, 0, "");
    }
    if (o.listFile.empty()) return true;
    if (o.listFile == "-") {
        AddListed(o, std::cin, found);
        return true;
    }
    std::ifstream list(o.listFile);
    if (!list) {
        *error = "list file " + o.listFile + " cannot be read: " + strerror(errno ? errno : EIO);
        return false;
    }
    AddListed(o, list, found);
    return true;
}
