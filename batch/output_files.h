// File work of the batch converter, portable over the native build and the
// Windows console build (C runtime and POSIX-style calls only, no platform
// headers): path texts (Shift-JIS safe), listing folders, whether two paths
// are the same file, creating a temporary output exclusively and moving it
// into place without replacing what is there unless asked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The folder part of `path` (up to its last "/" or "\", without it; "." when
// there is none) and the name after it.
std::string FolderOf(const std::string& path);
std::string FileNameOf(const std::string& path);
// `dir` and `name` joined with the separator of the build.
std::string JoinPath(const std::string& dir, const std::string& name);

bool PathExists(const std::string& path);
bool IsFolder(const std::string& path);
int64_t FileBytes(const std::string& path);     // -1 when it cannot be asked

// The names in `dir` (without "." and ".."), sorted; empty when it cannot be read.
std::vector<std::string> ListFolder(const std::string& dir);

// Whether the extension of `name` (after its last ".") is `ext`, ASCII
// letters without regard to case.
bool HasExtension(const std::string& name, const char* ext);

// The files beside the header `headerPath` that share its stem, letters
// without regard to case (its data file among them), the header itself too.
std::vector<std::string> RecordingFilesOf(const std::string& headerPath);

// True when both paths exist and are one file: natively the same device and
// inode (stat), so hard and symbolic links and other spellings are caught.
bool SameFile(const std::string& a, const std::string& b);

// Creates `path` as a new empty file; fails (returning errno) when anything
// exists under that name, a symbolic link included. 0 on success.
int CreateNewFile(const std::string& path);

// Moves the complete file `from` to `to`. Without `replace` an existing `to`
// is never replaced (EEXIST); with it, it is replaced in one step. 0 or errno.
int MoveIntoPlace(const std::string& from, const std::string& to, bool replace);

// The ways of moving without replacing, each tried when the one before it
// cannot be done on the file system (no hard links, no no-replace rename):
// a hard link then removing the old name; a rename that refuses an existing
// name; a rename after checking that nothing has the name. `first` starts
// further down the list (tests reach each way on any file system). 0, EEXIST
// when something has the name, or errno.
enum MoveWay { kMoveByLink, kMoveByNoReplaceRename, kMoveByCheckedRename };
int MoveWithoutReplacing(const std::string& from, const std::string& to, MoveWay first);

// Flushes the file's content to the disk (0 or errno), and a folder's
// names (after a rename in it), so that a name in place holds the whole file
// after a power cut.
int FlushFile(const std::string& path);
void FlushFolder(const std::string& dir);

// Whether a new file can be created in `dir` (tries one and removes it);
// errno when not, 0 when it can.
int ProbeWritableFolder(const std::string& dir);
