// The output path check: the source recording's own files are refused
// whatever the case of the path, and Shift-JIS double-byte characters are
// neither folded nor split.
#include <gtest/gtest.h>

#include "engine/output_check.h"

namespace {

struct PathCase {
    const char* output;
    const char* source;
    OutputPathVerdict verdict;
};

TEST(OutputCheck, RefusesTheSourceFilesInAnyCase) {
    const PathCase cases[] = {
        {"C:\\DATA\\REC01.DAT", "C:\\DATA\\REC01.HDR", kOutputPathIsSource},
        {"c:\\data\\rec01.DAT", "C:\\DATA\\REC01.HDR", kOutputPathIsSource},
        {"C:\\DATA\\REC01.hdr", "C:\\DATA\\REC01.HDR", kOutputPathIsSource},
        {"C:/DATA/rec01", "C:\\DATA\\REC01.hdr", kOutputPathIsSource},
        {"C:\\DATA\\REC02.DAT", "C:\\DATA\\REC01.HDR", kOutputPathOk},
        {"C:\\DATA\\REC01X.DAT", "C:\\DATA\\REC01.HDR", kOutputPathOk},
        {"C:\\DATA\\REC01.DAT", "", kOutputPathOk},
        {"C:\\DATA\\REC01.DAT", nullptr, kOutputPathOk},
        {"A.D", "A.HDR", kOutputPathTooShort},
        {"", "A.HDR", kOutputPathTooShort},
        // A dot in a folder name is no extension.
        {"C:\\D.DAT", "C:\\D.1\\REC", kOutputPathOk},
        {"C:\\D.1\\REC.DAT", "C:\\D.1\\REC", kOutputPathIsSource},
    };
    for (const PathCase& c : cases)
        EXPECT_EQ(CheckOutputPath(c.output, c.source), c.verdict)
            << c.output << " / " << (c.source ? c.source : "(null)");
}

TEST(OutputCheck, DoubleByteCharactersComparedWhole) {
    // 0x95 0x5C: a character whose trail byte is a backslash.
    const char* const table = "C:\\\x95\x5C\\REC.DAT";
    EXPECT_EQ(CheckOutputPath(table, "C:\\\x95\x5C\\rec.hdr"), kOutputPathIsSource);
    // The trail byte 0x5C is no folder separator, so ".B\x95\x5C" is the extension.
    EXPECT_EQ(CheckOutputPath("C:\\A.DAT", "C:\\A.B\x95\x5C"), kOutputPathIsSource);
    // Trail bytes that look like 'a' and 'A' name different characters.
    EXPECT_EQ(CheckOutputPath("C:\\X\x83\x61.DAT", "C:\\X\x83\x41.HDR"), kOutputPathOk);
    EXPECT_EQ(CheckOutputPath("C:\\X\x83\x41.DAT", "C:\\X\x83\x41.HDR"), kOutputPathIsSource);
    // A lead byte at the very end stands alone.
    EXPECT_EQ(CheckOutputPath("C:\\REC\x95", "C:\\rec\x95.HDR"), kOutputPathIsSource);
}

}  // namespace
