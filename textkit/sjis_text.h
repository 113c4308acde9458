// Shift-JIS (code page 932) texts in fixed buffers: the lead-byte test,
// stepping over whole characters, cutting and copying without ever splitting
// a double-byte character, the last position of a single-byte character, and
// path texts compared as the file system compares them. Portable: the
// program, its portable engine and the libraries all use these rules.
#pragma once

#include <cstddef>
#include <string>

// A byte that starts a double-byte character (0x81..0x9F, 0xE0..0xFC).
bool IsSjisLead(unsigned char c);
// A byte that may follow a lead byte (0x40..0x7E, 0x80..0xFC).
bool IsSjisTrail(unsigned char c);

// Width in bytes of the character at `p`: 2 for a lead byte followed by a
// trail byte, otherwise 1 (a stray lead byte stands alone). `p` must not be
// at the terminator.
size_t SjisCharWidth(const char* p);

// Cuts `text` to at most `size` - 1 bytes without leaving half a double-byte
// character at the end. `text` must be zero-terminated.
void CutText(char* text, int size);
// Bounded copy of `source` into `dest` of `size` bytes, cut as CutText does.
// Nothing happens for a size of 0 or less.
void CopyText(char* dest, int size, const char* source);
// Appends `source` to the zero-terminated text in `dest` of `size` bytes,
// cut as CopyText does.
void AppendText(char* dest, int size, const char* source);

// Length of the text held in a fixed field of `size` bytes: up to its
// terminator, at most size - 1 bytes, never ending in a lead byte cut off
// from its trail byte. The field need not be terminated.
size_t FieldTextLength(const char* field, size_t size);
// The text a fixed field of `size` bytes holds, measured as FieldTextLength
// measures it: never read past the field.
std::string FieldString(const char* field, size_t size);
template <size_t N>
std::string FieldString(const char (&field)[N]) { return FieldString(field, N); }

// True when `text` is well-formed UTF-8 (plain ASCII included): names on a
// system that keeps them in UTF-8 are told from Shift-JIS ones by it.
bool IsUtf8Text(const std::string& text);

// `utf8` as a JSON string: in double quotes, with '"', '\\' and the control
// characters escaped.
std::string JsonQuoted(const std::string& utf8);

// Position of the last `c` (a single-byte character) in a Shift-JIS text, or
// -1. Double-byte characters are stepped over whole, so a trail byte 0x5C is
// never taken for "\".
int LastCharIndex(const char* text, char c);

// The folder part of `path` (up to its last "/" or "\", without it; "." when
// there is none; "/" for a name at the root) and the name after it.
// Double-byte characters are stepped over, so a trail byte 0x5C is never
// taken for "\".
std::string FolderOf(const std::string& path);
std::string FileNameOf(const std::string& path);
// `path` below the folder `root` (what follows "root\" or "root/", the
// folder compared as SamePathPrefix compares it); the whole path when
// `root` is "" or the path does not lie below it.
std::string PathBelow(const std::string& path, const std::string& root);

// Length of a path's stem: the path up to the last "." of its last component
// ("\" and "/" separate components), or the whole path without one.
size_t PathStemLength(const char* path);
// True when the first `length` bytes of two paths name the same path as the
// file system compares names: ASCII letters without regard to case, "\" and
// "/" alike, double-byte characters byte for byte.
bool SamePathPrefix(const char* a, const char* b, size_t length);
// Folds `text` in place as SamePathPrefix compares it: ASCII letters to
// upper case, "/" to "\", double-byte characters kept byte for byte.
void FoldPathText(char* text);
