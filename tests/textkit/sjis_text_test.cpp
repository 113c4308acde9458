// Shift-JIS texts in fixed buffers: copies and cuts never overflow and never
// split a double-byte character, the last "\" is never a trail byte, and a
// full fixed field gives whole characters only.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "textkit/sjis_text.h"

namespace {

TEST(TextCutting, CopiesStayInsideTheirBuffers) {
    char small[6];
    memset(small, 'z', sizeof small);
    CopyText(small, 4, "abcdef");
    EXPECT_STREQ("abc", small);
    EXPECT_EQ('z', small[4]);
    CopyText(small, 4, "a睡");   // 3 bytes fit exactly
    EXPECT_STREQ("a睡", small);
    CopyText(small, 3, "a睡");   // half a character is dropped
    EXPECT_STREQ("a", small);
    CopyText(small, 1, "abc");
    EXPECT_STREQ("", small);
}

TEST(TextCutting, CutAndAppendKeepWholeCharacters) {
    char text[8] = "ab睡睡";   // 6 bytes
    CutText(text, 4);           // "ab" and half of a character: the half goes
    EXPECT_STREQ("ab", text);
    char room[6] = "ab";
    AppendText(room, sizeof room, "睡睡");
    EXPECT_STREQ("ab睡", room);
    AppendText(room, sizeof room, "x");   // one byte left: it fits
    EXPECT_STREQ("ab睡x", room);
}

TEST(TextCutting, FullFieldsGiveWholeCharacters) {
    const char field[4] = {'a', '\x95', '\x5C', 'b'};   // not terminated
    EXPECT_EQ(3u, FieldTextLength(field, sizeof field));
    const char cut[4] = {'a', 'b', '\x95', '\x5C'};     // the last character does not fit in 3 bytes
    EXPECT_EQ(2u, FieldTextLength(cut, sizeof cut));
    EXPECT_EQ(std::string("ab"), FieldString(cut));
    EXPECT_EQ(1u, FieldTextLength("a\0zz", 4));
    EXPECT_EQ(0u, FieldTextLength("abc", 0));
}

TEST(PathText, TrailByteBackslashIsNoSeparator) {
    ASSERT_EQ(std::string("\x95\x5C"), std::string("表"));
    EXPECT_EQ(2, LastCharIndex("C:\\表", '\\'));
    EXPECT_EQ(5, LastCharIndex("C:\\表\\a", '\\'));
    EXPECT_EQ(-1, LastCharIndex("表", '\\'));
    EXPECT_EQ(std::strlen("C:\\表"), PathStemLength("C:\\表.HDR"));
    EXPECT_EQ(std::strlen("C:\\D.1\\REC"), PathStemLength("C:\\D.1\\REC"));
    EXPECT_TRUE(SamePathPrefix("c:/data/rec", "C:\\DATA\\REC", 11));
    EXPECT_FALSE(SamePathPrefix("C:\\X\x83\x61", "C:\\X\x83\x41", 6));
    char folded[] = "c:/x\x83\x61" "b.dat";   // the trail byte 0x61 stays: that katakana is not "A"
    FoldPathText(folded);
    EXPECT_STREQ("C:\\X\x83\x61" "B.DAT", folded);
}

// Folder, name and the path below an archive's folder, a name ending in
// ソ (0x83 0x5C) among them.
TEST(PathText, CutsAtSeparatorsOnly) {
    EXPECT_EQ("\x83\x5C.HDR", FileNameOf("D:\\A\\\x83\x5C.HDR"));
    EXPECT_EQ("D:\\\x83\x5C", FolderOf("D:\\\x83\x5C\\N.HDR"));
    EXPECT_EQ("\x83\x5C", FileNameOf("\x83\x5C"));
    EXPECT_EQ(".", FolderOf("\x83\x5C"));
    EXPECT_EQ("/", FolderOf("/N.HDR"));
    EXPECT_EQ("P01\\N02.HDR", PathBelow("D:\\ARC\\P01\\N02.HDR", "d:/arc"));
    EXPECT_EQ("P01\\N02.HDR", PathBelow("D:\\ARC\\P01\\N02.HDR", "D:\\ARC\\"));
    EXPECT_EQ("D:\\ARCH\\N02.HDR", PathBelow("D:\\ARCH\\N02.HDR", "D:\\ARC"));      // another folder
    EXPECT_EQ("D:\\ARC\\N02.HDR", PathBelow("D:\\ARC\\N02.HDR", ""));
    EXPECT_EQ("D:\\ARC", PathBelow("D:\\ARC", "D:\\ARC"));                          // the folder itself
    // A root ending in ソ: its 0x5C is no separator, so the whole root is compared.
    EXPECT_EQ("N.HDR", PathBelow("D:\\\x83\x5C\\N.HDR", "D:\\\x83\x5C"));
    EXPECT_EQ("D:\\\x83\x5C\\N.HDR", PathBelow("D:\\\x83\x5C\\N.HDR", "D:\\\x83"));
}

}  // namespace
