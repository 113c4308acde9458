// The remembered choice lists of the patient page; see history_lists.h. The
// order of the entries and which stored keys are shown are the engine's
// rules (engine/patient_rules.h); this file reads and writes the sections
// through the profile functions and fills the combo boxes.
#include "patient/history_lists.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "pagekit/profile.h"
#include "resources/resource_ids.h"

const HistoryBox kHistoryBoxes[kHistoryBoxCount] = {
    {IDC_PAT_DEPARTMENT, "DEPARMENT", kDepartmentSize, kStopAtGap, [](PatientInfo& p) { return p.department; }},
    {IDC_PAT_REQ_DOCTOR, "REQDOCTOR", kStaffNameSize, kStopAtGap, [](PatientInfo& p) { return p.requestingDoctor; }},
    {IDC_PAT_TECHNICIAN, "TECHNICIAN", kStaffNameSize, kStopAtGap, [](PatientInfo& p) { return p.technician; }},
    {IDC_PAT_READ_DOCTOR, "READER", kStaffNameSize, kStopAtGap, [](PatientInfo& p) { return p.readingDoctor; }},
    {IDC_PAT_MEDICATION, "MEDICINE", kMedicationSize, kSkipGaps, [](PatientInfo& p) { return p.medication; }},
    {IDC_PAT_COMMENT1, "COMMENT1", kCommentSize, kSkipGaps, [](PatientInfo& p) { return p.comments[0]; }},
    {IDC_PAT_COMMENT2, "COMMENT2", kCommentSize, kSkipGaps, [](PatientInfo& p) { return p.comments[1]; }},
    {IDC_PAT_COMMENT3, "COMMENT3", kCommentSize, kSkipGaps, [](PatientInfo& p) { return p.comments[2]; }},
    {IDC_PAT_COMMENT4, "COMMENT4", kCommentSize, kSkipGaps, [](PatientInfo& p) { return p.comments[3]; }},
    {IDC_PAT_COMMENT5, "COMMENT5", kCommentSize, kSkipGaps, [](PatientInfo& p) { return p.comments[4]; }},
};

namespace {

static_assert(int(kCommentSize) <= int(kHistoryValueSize) && int(kMedicationSize) <= int(kHistoryValueSize),
              "an entry of every list fits a stored value");

void KeyName(char (&name)[8], int key) { snprintf(name, sizeof name, "%i", key); }

// Text of list item `index` of any length (the list reports its length first).
std::string ItemText(HWND combo, int index) {
    LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, index, 0);
    if (length < 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    if (SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(&text[0])) < 0) return std::string();
    text.resize(strnlen(text.c_str(), text.size()));
    return text;
}

std::string WindowText(HWND combo) {
    int length = GetWindowTextLengthA(combo);
    std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    GetWindowTextA(combo, &text[0], static_cast<int>(text.size()));
    text.resize(strnlen(text.c_str(), text.size()));
    return text;
}

// What the operator entered, cut to `size` - 1 bytes without splitting a
// double-byte character. A chosen item is read from the list itself: the
// edit field may not show it yet when the choice is reported.
void EnteredText(HWND combo, bool fromSelection, char* text, int size) {
    int selected = fromSelection ? static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0)) : -1;
    std::string entered = selected >= 0 ? ItemText(combo, selected) : WindowText(combo);
    CopyText(text, size, entered.c_str());
}

// Stores `typed` under key "0" and the entries the list shows after it,
// all or none (through a checked copy of the file); false when none were.
bool StoreEntries(HWND combo, const HistoryBox& box, const char* typed, const char* historyPath) {
    char items[kHistoryKeys][kHistoryValueSize];
    const char* listed[kHistoryKeys];
    int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    if (count > kHistoryKeys) count = kHistoryKeys;
    for (int i = 0; i < count; ++i) {
        CopyText(items[i], kHistoryValueSize, ItemText(combo, i).c_str());
        listed[i] = items[i];
    }
    const char* keys[kHistoryKeys];
    int stored = NextHistory(typed, listed, count < 0 ? 0 : count, keys);
    ProfileBatch batch(historyPath);
    for (int key = 0; key < stored; ++key) {
        char name[8];
        KeyName(name, key);
        batch.Text(box.section, name, keys[key]);
    }
    return batch.Commit();
}

// Selects the list item that equals `text`, or none. The combo box may copy
// its selection into the edit field after the choice was reported; the
// selection must then give the field's text, not an empty one.
void SelectEntry(HWND combo, const char* text) {
    int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    int found = -1;
    for (int i = 0; i < count && found < 0; ++i)
        if (ItemText(combo, i) == text) found = i;
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
}

}  // namespace

const HistoryBox* FindHistoryBox(int id) {
    for (const HistoryBox& box : kHistoryBoxes)
        if (box.id == id) return &box;
    return nullptr;
}

void LoadHistoryList(HWND combo, const HistoryBox& box, HistoryReading rule, const char* historyPath) {
    char values[kHistoryKeys][kHistoryValueSize];
    const char* read[kHistoryKeys];
    for (int key = 0; key < kHistoryKeys; ++key) {
        char name[8];
        KeyName(name, key);
        ReadProfileText(box.section, name, "", values[key], kHistoryValueSize, historyPath);
        read[key] = values[key];
    }
    const char* shown[kHistoryKeys];
    int count = ShownHistory(read, rule, shown);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < count; ++i) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown[i]));
}

bool UpdateHistory(HWND combo, const HistoryBox& box, PatientInfo& patient, bool fromSelection,
                   const char* historyPath) {
    char typed[kHistoryValueSize];
    EnteredText(combo, fromSelection, typed, box.size);
    char* field = box.field(patient);
    if (strncmp(typed, field, static_cast<size_t>(box.size)) == 0) return true;
    CopyText(field, box.size, typed);
    // A cleared field empties the record only: an empty key "0" would hide
    // the whole list of a section that is read up to its first gap.
    bool stored = true;
    if (typed[0]) {
        stored = StoreEntries(combo, box, typed, historyPath);
        LoadHistoryList(combo, box, kSkipGaps, historyPath);
        SelectEntry(combo, field);
    }
    SetWindowTextA(combo, field);
    return stored;
}
