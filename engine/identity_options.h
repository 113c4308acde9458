// What of the patient's identity a PSG file carries, and the question at
// exit about montage changes not registered: the option settings of the
// settings file (section SYSTEM). Plain data; zero is today's behaviour
// (the full identity, no question).
#pragma once

#include <cstdint>

enum { kStudyCodeSize = 20 };

enum IdentityMode : uint16_t {
    kIdentityFull = 0,          // the patient's details as entered
    kIdentityResearch = 1       // a de-identified copy for research
};

struct IdentityOptions {
    uint16_t mode;              // IdentityMode
    uint16_t keepAge;           // research copy: the age in years stays
    uint16_t keepSex;           // research copy: the sex stays
    uint16_t replaceStartDate;  // research copy: start date replaced by 1985-01-01
    char studyCode[kStudyCodeSize];     // research copy: the code in place of the patient ID
};
