// The patient's age on the night; see patient_age.h.
#include "pagekit/patient_age.h"

#include "engine/patient_rules.h"

bool RecomputePatientAge(ConverterState& state) {
    SYSTEMTIME today;
    GetLocalTime(&today);
    PatientInfo& p = state.patient;
    const SourceInfo& s = state.source;
    return AgeAtRecording({p.birthYear, p.birthMonth, p.birthDay}, s.sourceKind == kSourceTaff,
                          {s.startYear, s.startMonth, s.startDay}, {today.wYear, today.wMonth, today.wDay},
                          &p.ageYears, &p.ageMonths);
}
