#include "platform/codepage.h"
#include "platform/text.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <string>

namespace upd::codepage {
namespace {

// The code point the system's converter gives one byte of a code page; 0 when undefined.
char32_t systemCodePoint(const char* codePage, unsigned char byte) {
    iconv_t cd = iconv_open("UTF-32LE", codePage);
    if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
    char in[1] = {static_cast<char>(byte)};
    unsigned char out[8] = {};
    char* inPtr = in;
    char* outPtr = reinterpret_cast<char*>(out);
    size_t inLeft = 1, outLeft = sizeof out;
    const size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1) || sizeof out - outLeft != 4) return 0;
    return char32_t(out[0]) | char32_t(out[1]) << 8 | char32_t(out[2]) << 16 | char32_t(out[3]) << 24;
}

TEST(CodePage, TablesAgreeWithTheSystemConverter) {
    for (unsigned b = 0; b < 256; ++b) {
        SCOPED_TRACE(b);
        const char32_t ansi = systemCodePoint("CP1251", static_cast<unsigned char>(b));
        EXPECT_EQ(ansiCodePoint(static_cast<unsigned char>(b)), ansi ? ansi : char32_t(b));  // 0x98 stands for itself
        EXPECT_EQ(oemCodePoint(static_cast<unsigned char>(b)), systemCodePoint("CP866", static_cast<unsigned char>(b)));
    }
}

TEST(CodePage, EveryAnsiByteSurvivesTheRoundTripThroughUtf8) {
    std::string all;
    for (unsigned b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    const std::string utf8 = ansiToUtf8(all);
    EXPECT_TRUE(text::isValidUtf8(utf8));
    EXPECT_EQ(utf8ToAnsi(utf8), all);
}

TEST(CodePage, ConvertsCyrillicAndMarksWhatTheCodePageLacks) {
    struct Case {
        const char* name;
        std::string utf8;
        std::string ansi;
    };
    for (const Case& c : {Case{"cyrillic with yo", "Привет Ёё", "\xCF\xF0\xE8\xE2\xE5\xF2 \xA8\xB8"},
                          Case{"euro and numero", "€№", "\x88\xB9"},
                          Case{"undefined byte", "\xC2\x98", "\x98"}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ansiToUtf8(c.ansi), c.utf8);
        EXPECT_EQ(utf8ToAnsi(c.utf8), c.ansi);
    }
    EXPECT_EQ(utf8ToAnsi("中\U0001F600"), "??");
}

TEST(CodePage, OemNamesBecomeAnsiAndBoxDrawingBecomesAQuestionMark) {
    EXPECT_EQ(oemToAnsi("\x8F\xE0\xA8\xA2\xA5\xE2 \xF0\xF1"), "\xCF\xF0\xE8\xE2\xE5\xF2 \xA8\xB8");
    EXPECT_EQ(oemToAnsi("\xB0\xC4\xF9"), "???");
    EXPECT_EQ(oemToAnsi("plain.txt"), "plain.txt");
}

} // namespace
} // namespace upd::codepage
