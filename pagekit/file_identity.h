// A path in the form its texts are compared in: full, with its folder's
// short (8.3) names expanded. Used to keep the conversion from ever writing
// over the recording; whether two paths reach the same file as the file
// system sees it (a link, a short name, a mapped drive) is filekit's SameFile.
#pragma once

#include <cstddef>

// The full path of `path` with its folder in long-name form (short 8.3
// components expanded, "." and ".." resolved), cut to `size`; the path as
// given when the folder does not exist.
void LongFullPath(char* out, size_t size, const char* path);
