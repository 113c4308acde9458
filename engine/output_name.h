// Names and folders the file dialogs start with: the PSG output name proposed
// from the source recording, and the folder and name prepared from the last
// path chosen (the last recording opened, the last output written). Pure text
// work on Shift-JIS paths; every result is cut to its buffer.
#pragma once

#include <cstddef>

// The proposed output name: the source file name after its last "\", its
// extension replaced by ".DAT"; empty when the path has no "\".
void ProposeOutputName(char* name, size_t size, const char* sourcePath);

// Prepares a dialog's folder and file name from a remembered path: when the
// path is 6 characters or shorter both are emptied and the result is false;
// otherwise the name is the path, the folder the path cut just after its last
// "\" (whole without one), and the result is true.
bool PrepareDialogFolder(char* initialDir, size_t dirSize, char* fileName, size_t nameSize, const char* lastPath);

// The Save As dialog's folder and name: the folder of the last output
// (`copyFile`) and, in it, the proposal. False (both empty) when the last
// output is too short to name a folder, as PrepareDialogFolder.
bool PrepareSaveFolder(char* initialDir, size_t dirSize, char* fileName, size_t nameSize, const char* copyFile,
                       const char* proposal);

// Where the PSG output's Save As dialog starts and what it proposes: from
// the last output (`copyFile`) when there is one (longer than 6 characters,
// as PrepareDialogFolder), else from the recording (`sourcePath`), so the
// first dialog opens in the recording's folder. `startPath` receives the
// path whose folder the dialog opens in, `proposal` the recording's name
// with ".DAT" (ProposeOutputName); in the recording's own folder, where that
// name is its data file, "_PSG" stands before the ".DAT" (NIGHT1_PSG.DAT).
void PlanOutputDialog(char* startPath, size_t startSize, char* proposal, size_t proposalSize, const char* copyFile,
                      const char* sourcePath);
