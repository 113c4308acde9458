// The window-free rules of the source recording: the total time shown for a
// recording, how a typed date or time field is read and checked, the stem
// of a header path, and the folder and name the open dialog starts with
// (Shift-JIS paths whose trail bytes look like a backslash included).
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "engine/output_name.h"
#include "engine/recording.h"
#include "engine/source_fields.h"

namespace {

std::string TotalTime(int32_t samples, int32_t rate) {
    char text[32] = "unchanged";
    if (!FormatTotalTime(text, sizeof text, samples, rate)) return std::string("false:") + text;
    return text;
}

TEST(TotalTime, HoursMinutesSecondsTruncated) {
    EXPECT_EQ("2:03:04", TotalTime(1476800, 200));
    EXPECT_EQ("2:03:04", TotalTime(1476800 + 199, 200));   // a part second is dropped
    EXPECT_EQ("100:00:00", TotalTime(72000000, 200));
    EXPECT_EQ("0:00:00", TotalTime(0, 200));
    EXPECT_EQ("0:00:59", TotalTime(59 * 1000, 1000));
}

TEST(TotalTime, NoRateWritesNothing) {
    EXPECT_EQ("false:unchanged", TotalTime(1000, 0));
    EXPECT_EQ("false:unchanged", TotalTime(1000, -200));
}

TEST(TotalTime, StaysInsideASmallBuffer) {
    char text[8];
    memset(text, 'x', sizeof text);
    ASSERT_TRUE(FormatTotalTime(text, 5, 72000000, 200));
    EXPECT_STREQ("100:", text);
    EXPECT_EQ('x', text[5]);
}

TEST(TypedNumber, BlanksSignDigitsAndClamping) {
    EXPECT_EQ(8, ParseTypedNumber(" 08"));
    EXPECT_EQ(-3, ParseTypedNumber("-3"));
    EXPECT_EQ(7, ParseTypedNumber("\t+7"));
    EXPECT_EQ(12, ParseTypedNumber("12ab"));
    EXPECT_EQ(0, ParseTypedNumber("abc"));
    EXPECT_EQ(0, ParseTypedNumber(""));
    EXPECT_EQ(0, ParseTypedNumber("-"));
    EXPECT_EQ(INT32_MAX, ParseTypedNumber("99999999999999999999999"));
    EXPECT_EQ(INT32_MIN, ParseTypedNumber("-99999999999999999999999"));
    EXPECT_EQ(INT32_MAX, ParseTypedNumber("2147483648"));
    EXPECT_EQ(INT32_MIN, ParseTypedNumber("-2147483648"));
}

TEST(StartFields, EachFieldCheckedAlone) {
    struct Case { StartField field; int32_t below, low, high, above; };
    const Case cases[] = {
        {kStartYear, 1989, 1990, 2099, 2100}, {kStartMonth, 0, 1, 12, 13},  {kStartDay, 0, 1, 31, 32},
        {kStartHour, -1, 0, 23, 24},          {kStartMinute, -1, 0, 59, 60}, {kStartSecond, -1, 0, 59, 60},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(StartFieldAccepts(c.field, c.below)) << c.field;
        EXPECT_TRUE(StartFieldAccepts(c.field, c.low)) << c.field;
        EXPECT_TRUE(StartFieldAccepts(c.field, c.high)) << c.field;
        EXPECT_FALSE(StartFieldAccepts(c.field, c.above)) << c.field;
    }
}

std::string Stem(const char* path) {
    char stem[260];
    MakeSourceStem(stem, sizeof stem, path);
    return stem;
}

TEST(SourceStem, CutAtTheLastDot) {
    EXPECT_EQ("C:\\REC\\NIGHT1", Stem("C:\\REC\\NIGHT1.HDR"));
    EXPECT_EQ("C:\\REC\\REC.1", Stem("C:\\REC\\REC.1.HDR"));
    EXPECT_EQ("C:\\REC\\NIGHT1", Stem("C:\\REC\\NIGHT1"));
    EXPECT_EQ("a.b", Stem("a.b"));   // 3 characters or fewer stay whole
    EXPECT_EQ("", Stem(""));
    EXPECT_EQ("C:\\表", Stem("C:\\表.HDR"));
}

struct OpenFolder {
    std::string dir, name;
    bool hasFolder;     // the dialog then insists that the folder exists
};

OpenFolder PrepareOpen(const char* orgFile) {
    char dir[260], name[260];
    memset(dir, 'x', sizeof dir);
    memset(name, 'x', sizeof name);
    bool hasFolder = PrepareDialogFolder(dir, sizeof dir, name, sizeof name, orgFile);
    return {dir, name, hasFolder};
}

TEST(OpenFolder, ShortOrEmptyLastPathOpensTheDefaultFolder) {
    for (const char* org : {"", "C:\\A.H", "A.HDR"}) {
        OpenFolder f = PrepareOpen(org);
        EXPECT_EQ("", f.dir) << org;
        EXPECT_EQ("", f.name) << org;
        EXPECT_FALSE(f.hasFolder) << org;
    }
}

TEST(OpenFolder, FolderOfTheLastPathWithThatPathAsName) {
    OpenFolder f = PrepareOpen("C:\\REC\\NIGHT1.HDR");
    EXPECT_EQ("C:\\REC\\", f.dir);
    EXPECT_EQ("C:\\REC\\NIGHT1.HDR", f.name);
    EXPECT_TRUE(f.hasFolder);
    // Without a backslash the text stays whole.
    f = PrepareOpen("NIGHT1.HDR");
    EXPECT_EQ("NIGHT1.HDR", f.dir);
    EXPECT_TRUE(f.hasFolder);
}

TEST(OpenFolder, DoubleByteTrailBackslashIsNotAFolderEnd) {
    // "表" is 0x95 0x5C: its second byte is the code of "\".
    ASSERT_EQ(std::string("\x95\x5C"), std::string("表"));
    OpenFolder f = PrepareOpen("C:\\表\\a.HDR");
    EXPECT_EQ("C:\\表\\", f.dir);
    EXPECT_EQ("C:\\表\\a.HDR", f.name);
    f = PrepareOpen("C:\\DATA\\表1.HDR");
    EXPECT_EQ("C:\\DATA\\", f.dir);
}

TEST(OpenFolder, LongLastPathIsCutToTheBuffers) {
    std::string org = "C:\\" + std::string(300, 'A') + "\\B.HDR";
    struct { char dir[64]; char dirGuard[4]; char name[32]; char nameGuard[4]; } b;
    memset(&b, 'g', sizeof b);
    PrepareDialogFolder(b.dir, sizeof b.dir, b.name, sizeof b.name, org.c_str());
    EXPECT_STREQ("C:\\", b.dir);   // the cut copy holds only the drive's backslash
    EXPECT_EQ(sizeof b.name - 1, strlen(b.name));
    EXPECT_EQ(std::string("gggg"), std::string(b.dirGuard, 4));
    EXPECT_EQ(std::string("gggg"), std::string(b.nameGuard, 4));
}

}  // namespace
