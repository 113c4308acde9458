// Whether two paths name the same file as the file system sees it, not as
// their texts read: a symbolic link to a folder, a hard link, a short (8.3)
// name, a mapped or substituted drive all reach the same file under another
// text. Used to keep the conversion from ever writing over the recording.
#pragma once

#include <cstddef>

// True when both paths name existing files with the same volume and file
// index (GetFileInformationByHandle).
bool SameExistingFile(const char* a, const char* b);

// The full path of `path` with its folder in long-name form (short 8.3
// components expanded, "." and ".." resolved), cut to `size`; the path as
// given when the folder does not exist.
void LongFullPath(char* out, size_t size, const char* path);
