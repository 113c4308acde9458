// Checks that the PSG writer never reports a broken file as complete:
// unfinished runs, failed writes, calls out of order, and that the C locale
// setting cannot change a file.
#include "tests/support/edf_reader.h"
#include "rec_test_util.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstring>

namespace {

TEST(Failure, UnfinishedFileKeepsUnknownCountAndWholeRecords) {
    std::string path = TestPath("unfinished.dat");
    TestResult r = WriteRun(path, DefaultRun(), false);
    EXPECT_TRUE(r.flushesOk);
    EXPECT_EQ(r.failed, 0);
    std::string bytes = ReadFile(path);
    EXPECT_EQ(bytes.substr(236, 8), "-1      ");
    EdfReader edf(path);
    EXPECT_FALSE(edf.ok());  // a strict reader refuses the unfinished file
    std::string finished = TestPath("finished.dat");
    ASSERT_TRUE(WriteRun(finished, DefaultRun()).finished);
    EXPECT_EQ(ReadFile(finished).size(), bytes.size());  // every record is there
}

TEST(Failure, FailedWritesAreReported) {
    TestResult full = WriteRun("/dev/full", DefaultRun());
    EXPECT_TRUE(full.created);
    EXPECT_FALSE(full.channelsWritten);
    EXPECT_FALSE(full.flushesOk);
    EXPECT_FALSE(full.finished);
    EXPECT_TRUE(full.failed);

    // A folder's name cannot be created as a file.
    const std::string scratch = TestPath("x");
    TestResult dir = WriteRun(scratch.substr(0, scratch.rfind('/')), DefaultRun());
    EXPECT_FALSE(dir.created);
    EXPECT_TRUE(dir.failed);
    EXPECT_TRUE(RecHasFailed(nullptr));
}

TEST(Failure, CallsOutOfOrderOrOnNullDoNothing) {
    int16_t samples[4] = {1, 2, 3, 4};
    EXPECT_EQ(RecCreateFile(nullptr), 0);
    EXPECT_EQ(RecWriteBlock(nullptr, 0, 1, 0, 2, samples), 0);
    EXPECT_EQ(RecFlushBlock(nullptr, 1), 0);
    EXPECT_EQ(RecFinish(nullptr), 0);
    EXPECT_EQ(RecRelease(nullptr), nullptr);
    EXPECT_EQ(RecNew(nullptr, 4, 4), nullptr);
    EXPECT_EQ(RecAddAnnotation(nullptr, 0, 1, "x"), 0);

    std::string path = TestPath("order.dat");
    RecHandle h = RecNew(path.c_str(), 4, 4);
    EXPECT_EQ(RecPutPatientText(h, 0, 0, 20, 11, "early"), 0);  // before the file exists
    ASSERT_TRUE(RecCreateFile(h));
    EXPECT_EQ(RecCreateFile(h), 0);
    RecBeginHeader(h);
    RecSetHeaderValue(h, 0, 2, 1);
    RecSetHeaderValue(h, 0, 3, 1);
    RecSetHeaderValue(h, 0, 21, 2);
    RecSetHeaderValue(h, 0, 20, 3);
    EXPECT_EQ(RecAddAnnotation(h, 0, 1, "early"), 0);  // the recording's length not fixed yet
    RecEndHeader(h);
    EXPECT_EQ(RecWriteBlock(h, 0, 1, 0, 2, samples), 0);  // before the channel table
    RecEndPatient(h);
    RecSetChannelValue(h, 0, 4, 0, 2);
    RecSetChannelValue(h, 0, 4, 5, 2);  // beyond the declared count: ignored
    RecSetChannelText(h, 0, 1, -1, "bad");
    ASSERT_TRUE(RecWriteChannels(h));
    EXPECT_EQ(RecAddAnnotation(h, 0, 1, "late"), 0);  // the layout is fixed
    EXPECT_EQ(RecGetHeaderValue(h, 0, 4), 2);
    EXPECT_EQ(RecWriteBlock(h, 0, 2, 1, 2, samples), 0);
    EXPECT_EQ(RecWriteBlock(h, 0, 2, 0, 2, samples), 1);
    EXPECT_TRUE(RecFlushBlock(h, 60));  // more frames than handed: only two records
    EXPECT_TRUE(RecFinish(h));
    EXPECT_EQ(RecFinish(h), 0);
    EXPECT_EQ(RecHasFailed(h), 0);
    h = RecRelease(h);
    EdfReader edf(path);
    ASSERT_TRUE(edf.ok());
    EXPECT_EQ(edf.hdr().edfsignals, 1);
    EXPECT_EQ(edf.Digital(0, 0, 8), (std::vector<int>{1, 2, 3, 4}));
}

TEST(Failure, SetupThatCannotMakeAFileIsReported) {
    std::string path = TestPath("noframe.dat");  // frame time 0: records of no duration
    RecHandle h = RecNew(path.c_str(), 4, 4);
    ASSERT_TRUE(RecCreateFile(h));
    RecBeginHeader(h);
    RecSetHeaderValue(h, 0, 2, 1);
    RecSetHeaderValue(h, 0, 21, 200);
    RecSetHeaderValue(h, 0, 20, 1000);
    RecEndHeader(h);
    RecEndPatient(h);
    EXPECT_EQ(RecWriteChannels(h), 0);
    EXPECT_EQ(RecGetHeaderValue(h, 0, 4), 0);
    EXPECT_EQ(RecFinish(h), 0);
    EXPECT_TRUE(RecHasFailed(h));
    RecRelease(h);
}

TEST(Failure, TypeNamesAreCutToTheBuffer) {
    char name[4] = "abc";
    EXPECT_EQ(RecTypeName(15, name, sizeof name), 1);
    EXPECT_STREQ(name, "Pos");
    EXPECT_EQ(RecTypeName(21, name, sizeof name), 0);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(RecTypeName(1, nullptr, 0), 0);
}

TEST(Locale, CommaDecimalLocaleDoesNotChangeTheFile) {
    TestRun run = DefaultRun();
    run.channels[0].calEU = 1234;  // physical range with decimals
    run.channels[0].lowFilter = 300;
    std::string plain = TestPath("locale_c.dat");
    ASSERT_TRUE(WriteRun(plain, run).finished);
    ASSERT_TRUE(std::setlocale(LC_ALL, "de_DE.UTF-8")) << "no de_DE.UTF-8 locale: tools/deps.sh makes it";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    std::string german = TestPath("locale_de.dat");
    bool finished = WriteRun(german, run).finished;
    std::setlocale(LC_ALL, "C");
    ASSERT_STREQ(probe, "0,5");  // the locale really is comma-decimal
    ASSERT_TRUE(finished);
    EXPECT_EQ(ReadFile(german), ReadFile(plain));
}

}  // namespace
