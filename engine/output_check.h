// The check that an output path may be written: refuses a path too short to
// name a file and a path that would overwrite the source recording's own
// files (its header or the data file beside it, which share its stem).
// Pure text work on Shift-JIS paths; the caller passes full paths.
#pragma once

enum OutputPathVerdict {
    kOutputPathOk = 0,
    kOutputPathTooShort,    // 3 characters or fewer: refused without a message
    kOutputPathIsSource     // same stem as the source recording's header
};

// Decides whether `outputPath` may be written while `sourcePath` (the source
// recording's header file; empty or null when none) is the source. Both are
// zero-terminated Shift-JIS. The stem of a path is the path without the
// extension of its last component (cut at that component's last "."). Stems
// are compared as the file system does: ASCII letters without regard to case,
// "\" and "/" alike, double-byte characters byte for byte.
OutputPathVerdict CheckOutputPath(const char* outputPath, const char* sourcePath);
