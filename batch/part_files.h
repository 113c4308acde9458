// Unfinished outputs a killed run left behind: files named
// "<output>.<pid>-<n>.part" (the temporary names of batch_job.h). Every run
// reports those it finds in the folders it writes to; --clean removes them
// from the whole output tree. A file whose process still runs on this
// machine is being written and is neither reported nor removed.
#pragma once

#include <string>
#include <vector>

// Whether `name` is a temporary output name, and the process id in it.
bool IsPartName(const std::string& name, long* pid);

// The unfinished outputs in `folders` (`recursive`: and below them) whose
// process no longer runs here.
std::vector<std::string> StaleParts(const std::vector<std::string>& folders, bool recursive);

// Removes `files`; returns the number removed, naming each failure on
// standard error.
int RemoveParts(const std::vector<std::string>& files);
