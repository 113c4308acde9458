// The file layer: every file the window program and the batch converter
// place goes through here, on Windows as on POSIX systems, with the same
// contract on both.
//
// The contract:
//  - An output is written under a temporary name beside it (TemporaryNameFor:
//    "<output>.<processId>-<serial>.part", a name no finished PSG file has),
//    created exclusively, flushed, and only then moved to its final name.
//    A name in place therefore always holds a whole file, after a kill or a
//    power cut too (FlushFile before, FlushFolder after the move).
//  - A move without replacing never replaces anything that has the name, in
//    any moment (MoveWithoutReplacing); a move with replacing replaces in one
//    step, so the old file or the new one is there, never neither.
//  - A temporary file whose process no longer runs on this machine is stale:
//    StaleTemporaryFiles finds it; a live process's file is never named.
//  - A claim (ClaimOutput) marks an output being made by one process; it
//    names host and process; the claim of a dead process on this machine is
//    taken over, others are left to the operator (--clean).
//  - AppendWholeLine appends a line whole or not at all, under a lock that
//    other processes (and other machines over a network file system) honour.
//  - Names are compared as the file systems of the program's users compare
//    them: ASCII letters without regard to case, double-byte characters byte
//    for byte (SameNameIgnoringCase, FoldedName).
// Errors are returned as errno values (EEXIST, ENOSPC, ...) on both systems.
// filekit.cpp holds the portable part, filekit_posix.cpp and filekit_win.cpp
// what each system does its own way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "textkit/sjis_text.h"

// --- Path texts --------------------------------------------------------------

// FolderOf and FileNameOf, the Shift-JIS-safe path cutting the engine uses
// too, are textkit's (textkit/sjis_text.h).
// `dir` and `name` joined with the separator of the system.
std::string JoinPath(const std::string& dir, const std::string& name);

// `name` with its letters folded as file systems without case fold them
// (ASCII letters only; a double-byte character is kept byte for byte). On
// POSIX systems a name that is well-formed UTF-8 is folded as UTF-8 (whose
// multi-byte characters hold no ASCII byte), any other as Shift-JIS.
std::string FoldedName(const std::string& name);
bool SameNameIgnoringCase(const std::string& a, const std::string& b);
// Whether `name` is taken as UTF-8 on this system (on POSIX systems a name
// that is well-formed UTF-8) rather than as Shift-JIS (always on Windows).
bool NamesAreUtf8(const std::string& name);
// Whether the extension of `name` (after its last ".") is `ext`, letters
// without regard to case.
bool HasExtension(const std::string& name, const char* ext);

// --- Asking the file system ---------------------------------------------------

bool PathExists(const std::string& path);
bool IsFolder(const std::string& path);
int64_t FileBytes(const std::string& path);     // -1 when it cannot be asked
// The file's last modification in nanoseconds since 1970 (to the file
// system's own resolution); false when it cannot be asked.
bool FileModified(const std::string& path, int64_t* nanoseconds);
// The names in `dir` (without "." and ".."), sorted; empty when unreadable.
std::vector<std::string> ListFolder(const std::string& dir);
// True when both paths exist and are one file (the same device and inode, or
// the same volume and file index), so links and other spellings are caught.
bool SameFile(const std::string& a, const std::string& b);
// The files beside `path` whose stem is its stem, letters without regard to
// case, `path` itself among them.
std::vector<std::string> FilesOfStem(const std::string& path);
// A name in the folder of `path`, other than its own, that differs from its
// name only in letter case ("" when there is none): on a file system that
// tells case apart that is another file, which readers looking a file up in
// any case may open instead.
std::string NameDifferingInCase(const std::string& path);

// --- The process ------------------------------------------------------------

long CurrentProcessId();
// The machine's name ("" when it cannot be asked).
std::string HostName();
// Whether process `pid` runs on this machine.
bool ProcessRuns(long pid);
// CPUs this process may run on (its affinity where the system tells it).
int AllowedCpus();
// Whether `stream` (stdout or stderr) is a terminal, and whether that
// terminal moves its cursor on request (several progress lines redrawn).
bool StreamIsTerminal(FILE* stream);
bool TerminalRedrawsLines();

// --- Temporary names ---------------------------------------------------------

// "<output>.<processId>-<serial>.part" into `name`; false (and `name`
// emptied) when it does not fit `size` bytes.
bool TemporaryNameFor(char* name, size_t size, const char* output, long processId, int serial);
// The temporary name of this process for `output`, a new serial each call.
std::string TemporaryNameFor(const std::string& output);
// Whether `name` is a temporary name, and the process id in it.
bool IsTemporaryName(const std::string& name, long* processId);

// --- Creating, flushing, moving ----------------------------------------------

// Creates `path` as a new empty file; fails (EEXIST) when anything has that
// name, a symbolic link included. 0 or errno.
int CreateNewFile(const std::string& path);
// Flushes the file's content to the disk; 0 or errno.
int FlushFile(const std::string& path);
// Flushes a folder's names after a move in it (where the system can).
void FlushFolder(const std::string& dir);
// Removes a file; 0 or errno.
int RemoveFile(const std::string& path);
// Creates the folders of `path` that do not exist yet; 0 or errno.
int MakeFoldersOf(const std::string& path);
// Whether a new file can be created in `dir` (creates one and removes it).
int ProbeWritableFolder(const std::string& dir);

// Moves the complete file `from` to `to`. Without `replace` an existing `to`
// is never replaced (EEXIST); with it, it is replaced in one step.
int MoveIntoPlace(const std::string& from, const std::string& to, bool replace);
// The ways of moving without replacing, each tried when the one before it
// cannot be done on the file system: a hard link then removing the old name;
// a rename that refuses an existing name (renameat2 on Linux, MoveFileEx
// without replacing on Windows); a rename after checking that nothing has
// the name. `first` starts further down the list (tests reach each way on
// any file system). 0, EEXIST when something has the name, or errno.
enum MoveWay { kMoveByLink, kMoveByNoReplaceRename, kMoveByCheckedRename };
int MoveWithoutReplacing(const std::string& from, const std::string& to, MoveWay first);

// Writes the small file `path` whole: its bytes under a temporary name
// beside it, flushed, then moved into place (replacing only with `replace`).
// Another program never sees a part of it. 0 or errno (EEXIST without
// `replace` when something has the name).
int WriteFileBeside(const std::string& path, const std::string& bytes, bool replace);

// Reads the whole file `path` into `bytes`; 0 or errno (`bytes` then empty).
int ReadWholeFile(const std::string& path, std::string* bytes);

// --- Unfinished files of dead runs ---------------------------------------------

// The temporary files and released claims in `folders` (`recursive`: and
// below them) whose process no longer runs here.
std::vector<std::string> StaleTemporaryFiles(const std::vector<std::string>& folders, bool recursive);
// Removes `files`; the number removed, each failure named on standard error.
int RemoveFiles(const std::vector<std::string>& files);

// --- The manifest's lines -----------------------------------------------------

// Appends `line` (ending in "\n") to the file at `path` (created when
// missing) under a lock on the whole file, and flushes it. A line that
// cannot be written whole is taken back: the file ends as it was. A file
// whose last line was cut (by an older program or a power cut) gets a line
// break first, so the new line stands on its own. 0 or errno.
int AppendWholeLine(const std::string& path, const std::string& line);

// --- Claims ------------------------------------------------------------------

// "<output>.claim": the claim beside an output.
std::string ClaimNameFor(const std::string& output);
bool IsClaimName(const std::string& name);

// A claim held by this process until released (or until the process ends).
struct OutputClaim {
    std::string path;
    intptr_t handle = -1;
    bool Held() const { return handle != -1; }
};
enum ClaimResult { kClaimTaken, kClaimHeldByOther, kClaimFailed };
// Claims `output`: creates its claim exclusively, naming this host and
// process; takes over the claim of a process of this host that no longer
// runs. kClaimHeldByOther with `holder` ("host pid 123") when another
// process holds it; kClaimFailed with `error` when it cannot be made.
ClaimResult ClaimOutput(const std::string& output, OutputClaim& claim, std::string* holder, int* error);
// Removes the claim and lets it go.
void ReleaseClaim(OutputClaim& claim);
// Whether the claim file at `path` is held by a live process (of this host,
// or of another host while its lock stands).
bool ClaimIsLive(const std::string& path);
// "host pid 123": the holder written in a claim's text ("" when unreadable).
std::string ClaimHolderText(const std::string& text);
// The text a claim of this process holds.
std::string ClaimText();
