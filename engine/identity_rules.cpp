// The identity options' rules; see identity_rules.h.
#include "engine/identity_rules.h"

#include <cctype>
#include <cstdio>

#include "recfile/recfile.h"
#include "textkit/sjis_text.h"

namespace {

const char kSystem[] = "SYSTEM";

// "45Y03M   " gives "45Y": the whole years the age text starts with; empty
// when it starts with no digit.
std::string AgeYearsText(const std::string& age) {
    size_t digits = 0;
    while (digits < age.size() && std::isdigit(static_cast<unsigned char>(age[digits]))) ++digits;
    return digits ? age.substr(0, digits) + "Y" : std::string();
}

std::string Flag(uint16_t value) { return value ? "1" : "0"; }

}  // namespace

void ApplyIdentity(std::vector<PatientField>& rows, const IdentityOptions& o) {
    if (!IsResearchCopy(o)) return;
    for (PatientField& row : rows) {
        switch (row.key) {
        case REC_PATIENT_ID: row.text = FieldString(o.studyCode); break;
        case REC_PATIENT_SEX: if (!o.keepSex) row.text.clear(); break;
        case REC_PATIENT_AGE: row.text = o.keepAge ? AgeYearsText(row.text) : std::string(); break;
        default: row.text.clear(); break;
        }
    }
}

void ApplyStartIdentity(int32_t start[6], const IdentityOptions& o) {
    if (!IsResearchCopy(o) || !o.replaceStartDate) return;
    start[0] = 1985;
    start[1] = 1;
    start[2] = 1;
}

void LoadOptionKeys(AppSettings& s, const ProfileReader& profile) {
    IdentityOptions& o = s.identity;
    o.mode = profile.ReadInt(kSystem, "Identity", kIdentityFull) != 0 ? kIdentityResearch : kIdentityFull;
    profile.ReadText(kSystem, "StudyCode", "", o.studyCode, sizeof o.studyCode);
    o.keepAge = profile.ReadInt(kSystem, "KeepAge", 0) != 0;
    o.keepSex = profile.ReadInt(kSystem, "KeepSex", 0) != 0;
    o.replaceStartDate = profile.ReadInt(kSystem, "ShiftStart", 0) != 0;
}

std::vector<std::pair<std::string, std::string>> OptionKeyTexts(const AppSettings& s) {
    const IdentityOptions& o = s.identity;
    return {{"Identity", IsResearchCopy(o) ? "1" : "0"},
            {"StudyCode", FieldString(o.studyCode)},
            {"KeepAge", Flag(o.keepAge)},
            {"KeepSex", Flag(o.keepSex)},
            {"ShiftStart", Flag(o.replaceStartDate)}};
}
