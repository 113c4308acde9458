// The remembered choice lists of the patient page: the department, the
// staff names, the medication and the five comments are combo boxes whose
// drop-down lists show the last 20 distinct entries, each list kept in its
// own section of the patient history file (keys "0".."19", "0" the newest).
#pragma once

#include <windows.h>

#include "engine/patient_info.h"
#include "engine/patient_rules.h"

struct HistoryBox {
    int id;                         // the combo box
    const char* section;            // its section in the patient history file
    int size;                       // the field's size; the text limit of the box
    HistoryReading reading;         // how the list is read at start
    char* (*field)(PatientInfo&);   // the PatientInfo field it edits
};

enum { kHistoryBoxCount = 10 };
extern const HistoryBox kHistoryBoxes[kHistoryBoxCount];

// The history box of control `id`, or null.
const HistoryBox* FindHistoryBox(int id);

// Empties the list of `combo` and fills it from the box's section by `rule`
// (text of the combo's edit field is cleared with the list).
void LoadHistoryList(HWND combo, const HistoryBox& box, HistoryReading rule, const char* historyPath);

// The operator chose (`fromSelection`: the list's selected item) or typed an
// entry: a text that differs from the field goes into the field and, when
// not empty, to the top of the section, the other entries following; the
// list is read again (gaps skipped) and the combo shows the field. False
// when the section could not be stored (the history file is left as it
// was); the field takes the text all the same.
bool UpdateHistory(HWND combo, const HistoryBox& box, PatientInfo& patient, bool fromSelection,
                   const char* historyPath);
