// What the portable part of the file layer asks of each system's source
// (filekit_posix.cpp, filekit_win.cpp). Internal to filekit/.
#pragma once

#include <cstddef>
#include <string>

// The separator JoinPath puts between a folder and a name.
extern const char kPathSeparator;

// Moves `from` over `to`, replacing it in one step. 0 or errno.
int ReplaceInOneStep(const std::string& from, const std::string& to);

// Creates `path` exclusively with `bytes`, flushed to the disk. 0 or errno;
// on failure nothing is left under `path`.
int WriteNewFile(const std::string& path, const char* bytes, size_t size);

// Claiming an output: the tries to take a claim whose file comes and goes
// under us, and the age after which a claim's file, unlocked and still
// empty, counts as left by a process that died before writing it.
const int kClaimAttempts = 3;
const int kClaimLeftEmptySeconds = 60;

// Whether a claim's text names this host, and the process id it names.
bool ClaimOfThisHost(const std::string& text, long* pid);
