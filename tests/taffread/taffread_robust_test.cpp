// Broken input: headers cut at every byte, random bytes, random damage to a
// good header, absurd values and data files of random size and content.
// Whatever opens must answer every call within its buffers (the sanitizers
// watch); what cannot be a recording must not open.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>

#include "tests/taffread/taff_test_util.h"

namespace {

// A small generated recording whose header the tests then replace.
struct Corpus {
    TempDir dir;
    TaffGenOptions options;
    std::string header;
    std::string headerText;
    Corpus() {
        options.channels = 6;
        options.scans = 400;
        options.longSamples = true;
        header = dir.File("FUZZ.HDR");
        EXPECT_TRUE(WriteTaffRecording(options, header));
        headerText = TaffGenHeaderText(options, "FUZZ");
    }
    // Opens with `text` as the header; exercises the handle when it opens.
    bool Try(const std::string& text) { return TryValues(text, nullptr); }
    // As Try, also giving the channel count, rate and length it opened with.
    bool TryValues(const std::string& text, std::array<int32_t, 3>* values) {
        WriteFile(header, text);
        TaffHandle h = TaffOpen(header.c_str(), 0);
        if (h != nullptr) {
            ExerciseHandle(h);
            if (values) {
                (*values)[0] = TaffGetValue(h, TAFF_VALUE_CHANNELS, 0);
                (*values)[1] = TaffGetValue(h, TAFF_VALUE_RATE, 0);
                (*values)[2] = TaffGetValue(h, TAFF_VALUE_LENGTH, 0);
            }
        }
        TaffClose(h);
        return h != nullptr;
    }
};

TEST(Robustness, HeaderCutAtEveryByte) {
    Corpus c;
    const std::string& text = c.headerText;
    const size_t rateEnd = text.find("\r\n", text.find("RATE ")) + 2;
    const size_t seriesCountEnd = text.find("\r\n", text.find("NUM_SERIES ")) + 2;
    const size_t sampsEnd = text.find("\r\n", text.find("NUM_SAMPS ")) + 2;
    for (size_t cut = 0; cut <= text.size(); ++cut) {
        const bool opened = c.Try(text.substr(0, cut));
        // Until RATE and NUM_SERIES are whole it cannot open; from the end
        // of NUM_SAMPS on it must (a cut inside a number leaves another number).
        if (cut < rateEnd - 2 || cut < seriesCountEnd - 2) {
            EXPECT_FALSE(opened) << "cut at " << cut;
        }
        if (cut >= sampsEnd) {
            EXPECT_TRUE(opened) << "cut at " << cut;
        }
    }
}

TEST(Robustness, RandomBytesAndDamagedHeaders) {
    Corpus c;
    std::mt19937 random(20240314);
    for (int i = 0; i < 300; ++i) {
        std::string bytes(random() % 3000, '\0');
        for (char& b : bytes) b = static_cast<char>(random());
        EXPECT_FALSE(c.Try(bytes));
    }
    // Damage anywhere: whatever opens passes ExerciseHandle. Damage only to
    // the recorder's information lines after "DATA" (device, memo) changes
    // nothing the layout depends on: those headers open with the values of
    // the undamaged one.
    std::array<int32_t, 3> original = {0, 0, 0};
    ASSERT_TRUE(c.TryValues(c.headerText, &original));
    const size_t infoStart = c.headerText.find("\r\nDATA\r\n") + 8;
    ASSERT_LT(infoStart, c.headerText.size());
    const char interesting[] = {'\0', '\r', '\n', ' ', ',', '-', '.', '9', 'e', '_', '\xff'};
    int opened = 0, refused = 0;
    for (int i = 0; i < 1500; ++i) {
        std::string text = c.headerText;
        bool infoOnly = true;
        for (unsigned n = 1 + random() % 6; n > 0; --n) {
            const size_t at = random() % text.size();
            infoOnly = infoOnly && at >= infoStart;
            if (random() % 2) text[at] = interesting[random() % sizeof interesting];
            else text[at] = static_cast<char>(random());
        }
        std::array<int32_t, 3> got = {0, 0, 0};
        const bool open = c.TryValues(text, &got);
        open ? ++opened : ++refused;
        if (infoOnly) {
            ASSERT_TRUE(open) << "damage " << i << " only after DATA";
            EXPECT_EQ(original, got) << "damage " << i << " only after DATA";
        }
    }
    // Both outcomes occur, so both paths were exercised.
    EXPECT_GT(opened, 0);
    EXPECT_GT(refused, 0);
}

TEST(Robustness, AbsurdValuesAndHugeHeaders) {
    Corpus c;
    auto replaced = [&](const std::string& keyword, const std::string& value) {
        std::string text = c.headerText;
        const size_t start = text.find(keyword + " ") + keyword.size() + 1;
        return text.replace(start, text.find("\r\n", start) - start, value);
    };
    for (const char* v : {"0", "-6", "1025", "6.0", "", "99999999999999999999", "1e3", "0x10"})
        EXPECT_FALSE(c.Try(replaced("NUM_SERIES", v))) << "NUM_SERIES " << v;
    for (const char* v : {"nan", "inf", "1e400", "-1e400", "1e-400", "0", "-0.4", "10000001", "2.0.0", "."})
        EXPECT_FALSE(c.Try(replaced("RATE", v))) << "RATE " << v;
    for (const char* v : {"-1", "281474976710657", "99999999999999999999999"})
        EXPECT_FALSE(c.Try(replaced("NUM_SAMPS", v))) << "NUM_SAMPS " << v;
    // NUM_SAMPS far beyond the data: the length is what the file holds.
    EXPECT_TRUE(c.Try(replaced("NUM_SAMPS", "281474976710656")));
    std::string manyItems = "CH1_A";
    for (int i = 0; i < 5000; ++i) manyItems += ",X";
    EXPECT_TRUE(c.Try(replaced("SERIES", manyItems)));  // NUM_SERIES 6 fits the data
    EXPECT_TRUE(c.Try(replaced("COMMENT", std::string(500000, 'x'))));
    EXPECT_FALSE(c.Try(replaced("COMMENT", std::string(1100000, 'x'))));
}

TEST(Robustness, DataFilesOfRandomSizeAndContent) {
    Corpus c;
    std::mt19937 random(7);
    const std::string data = TaffGenDataPath(c.options, c.header);
    for (int i = 0; i < 200; ++i) {
        std::string bytes(random() % 12000, '\0');
        for (char& b : bytes) b = static_cast<char>(random());
        WriteFile(data, bytes);
        Recording rec(c.header);
        EXPECT_EQ(static_cast<bool>(rec), bytes.size() >= 24) << bytes.size();
        if (rec) {
            EXPECT_EQ(rec.Value(TAFF_VALUE_LENGTH), std::min<int64_t>(400, static_cast<int64_t>(bytes.size()) / 24));
            // What the header announces stays, however short the data file.
            EXPECT_EQ(rec.Value(TAFF_VALUE_DECLARED_LENGTH), 400);
            ExerciseHandle(rec.get());
        }
    }
}

}  // namespace
