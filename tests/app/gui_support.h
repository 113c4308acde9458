// Support for the tests that run the real main window inside the test
// process under Wine: a fake of the modal user-interface seam that answers
// file dialogs and message dialogs and records what was asked, the program's
// start-up steps, the COND folder beside the test program, and message pumping.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "pagekit/converter_state.h"
#include "tests/support/whole_file.h"
#include "tools/taffgen/taffgen.h"

struct FakeUi {
    std::vector<int> messageDialogs;    // resource ids, in order
    std::vector<int> modalDialogs;
    std::vector<UINT> beeps;
    INT_PTR messageAnswer = IDOK;       // what every message dialog answers
    std::map<int, INT_PTR> answers;     // what a given message dialog answers instead
    // Called with the dialog's id while a message dialog is "open", before
    // it answers: a test may pump messages there, as the real dialog's loop would.
    std::function<void(int id)> messageScript;
    std::string openAnswer;             // empty: the open dialog is cancelled
    std::string saveAnswer;             // empty: the save dialog is cancelled
    int openCalls = 0, saveCalls = 0;
    std::string openInitialDir, openFileName, openTitle;
    DWORD openFlags = 0;
    std::string saveInitialDir, saveFileName, saveTitle;
    DWORD saveFlags = 0;
    std::string saveFilter;             // the file types offered, "|" after each text
    int helpCalls = 0;
    BOOL helpAnswer = TRUE;             // what opening the help answers
    std::string helpPage;               // the page the last opening asked for
    std::vector<std::string> messageBoxes;   // texts of the program's own message boxes
    std::vector<UINT> messageBoxTypes;       // their buttons and icons
    int messageBoxAnswer = IDOK;             // what each of them answers
    int popupAnswer = 0;                // command a popup menu answers (0: dismissed)
    int popupCalls = 0;
    // Dialogs with their own procedure: template names, in order. Without a
    // script such a dialog is not shown and answers IDCANCEL; with one it
    // runs for real (its own template and procedure), and the script is
    // called with it from inside its modal loop once it shows. The script
    // ends it, for example with a click on OK.
    std::vector<std::string> dialogBoxes;
    std::function<void(HWND dialog)> dialogScript;
    struct MenuItem {
        UINT id;
        std::string text;
        bool checked;
    };
    std::vector<MenuItem> popupItems;   // the items of the last popup menu
    UINT popupFlags = 0;
    HWND popupOwner = nullptr;
};

// Installs a fresh fake into the seam and returns it.
FakeUi& InstallFakeUi();
FakeUi& Fake();

// The start-up steps of the program entry that come before the main window.
void StartProgramOnce();

// Folder of the test program (no trailing backslash) and its COND folder.
std::string ProgramDir();
std::string SettingsPath();
std::string PatientPath();
// Removes the COND folder and, with `create`, makes it anew (empty).
void ResetCondFolder(bool create);
// Whole files through the shared test support, by the names the window tests use.
inline void WriteTextFile(const std::string& path, const std::string& text) { WriteFile(path, text); }
inline std::string ReadTextFile(const std::string& path) { return ReadFile(path); }

// Creates the main window as the program does (shown), closes the splash
// without the one-second pause, and returns it.
HWND OpenMainWindow();
// Destroys the window (its destruction handler saves) and drops the quit message.
void CloseMainWindow(HWND window);
// Dispatches the messages already queued (posted, sent and paint) and
// returns once the queue is empty; waits for nothing that comes later.
void PumpPending();
// Pumps messages until `done` holds (true) or `ms` have passed (false).
bool PumpUntil(const std::function<bool()>& done, int ms = 30000);

// The text of a control of a page.
std::string ControlText(HWND dialog, int id);
// The locked record of the main window for a short inspection.
ConverterState* PeekState(HWND window);

// A temporary folder of this test run, emptied at first use.
std::string TempDir();

// Writes the generated recording `options` as `name` into TempDir() and
// returns its header path (the test fails when it cannot be written).
std::string MakeRecording(const std::string& name, const TaffGenOptions& options);

// A test with the real main window: a fresh fake seam and an empty COND
// folder before, the window closed and the folder removed after. Open()
// creates the window (tests may prepare settings files first).
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void Open();
    ConverterState& State() { return *PeekState(window); }
    // The night check the record holds for the windows.
    HeldCheck& Held() { return *State().check; }
    HWND window = nullptr;
};
