// One table for every platform's converters: the same bytes give the same results whether
// the tables come from iconv or from the Windows code-page functions.
#include "platform/codepage.h"
#include "platform/text.h"

#include <gtest/gtest.h>

#include <cstdio>

#ifndef _WIN32
#include <iconv.h>
#endif

using namespace upd;

namespace {

std::string highHalf() {
    std::string bytes;
    for (int i = 0x80; i < 0x100; ++i) bytes.push_back(static_cast<char>(i));
    return bytes;
}

std::string hexByte(unsigned char c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", c);
    return buf;
}

// 1251 bytes 0x80..0xBF; 0xC0..0xFF are А..я in order. 0x98 is undefined and stands for itself.
constexpr char32_t kAnsiLow[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

char32_t expectedAnsiCodePoint(unsigned char c) {
    if (c < 0x80) return c;
    if (c < 0xC0) return kAnsiLow[c - 0x80];
    return 0x0410 + (c - 0xC0);
}

// 866 byte -> 1251 byte: Cyrillic letters move, box drawing and the signs 1251 lacks become '?'.
unsigned char expectedOemToAnsi(unsigned char c) {
    static constexpr unsigned char kTail[16] = {0xA8, 0xB8, 0xAA, 0xBA, 0xAF, 0xBF, 0xA1, 0xA2,
                                                0xB0, '?',  0xB7, '?',  0xB9, 0xA4, '?',  0xA0};
    if (c < 0x80) return c;
    if (c < 0xB0) return static_cast<unsigned char>(c + 0x40);  // А..п
    if (c < 0xE0) return '?';                                   // pseudo-graphics
    if (c < 0xF0) return static_cast<unsigned char>(c + 0x10);  // р..я
    return kTail[c - 0xF0];
}

TEST(Codepage, EveryOemByteMapsToItsAnsiCounterpart) {
    std::string all;
    for (int i = 0; i < 0x100; ++i) all.push_back(static_cast<char>(i));
    const std::string ansi = codepage::oemToAnsi(all);
    ASSERT_EQ(ansi.size(), all.size());
    for (int i = 0; i < 0x100; ++i) {
        SCOPED_TRACE(hexByte(static_cast<unsigned char>(i)));
        EXPECT_EQ(static_cast<unsigned char>(ansi[i]), expectedOemToAnsi(static_cast<unsigned char>(i)));
    }
    std::string inPlace = "\x8F\xE0\xA8\xA2\xA5\xE2 \xF0\xC5";
    codepage::oemToAnsiInPlace(inPlace.data(), inPlace.size());
    EXPECT_EQ(inPlace, "\xCF\xF0\xE8\xE2\xE5\xF2 \xA8?");
}

TEST(Codepage, EveryAnsiByteDecodesAndEncodesBack) {
    const std::string high = highHalf();
    const std::u32string decoded = text::toU32(codepage::ansiToUtf8(high));
    ASSERT_EQ(decoded.size(), high.size());
    for (size_t i = 0; i < high.size(); ++i) {
        const auto byte = static_cast<unsigned char>(high[i]);
        SCOPED_TRACE(hexByte(byte));
        EXPECT_EQ(static_cast<uint32_t>(decoded[i]), static_cast<uint32_t>(expectedAnsiCodePoint(byte)));
    }
    EXPECT_EQ(codepage::utf8ToAnsi(codepage::ansiToUtf8(high)), high);
    EXPECT_EQ(codepage::ansiToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Codepage, Utf8ToAnsiMarksWhatTheCodePageLacks) {
    struct Case {
        const char* utf8;
        std::string ansi;
    };
    const Case cases[] = {
        {"", ""},
        {"Пароль1€", "\xCF\xE0\xF0\xEE\xEB\xFC" "1\x88"},
        {"Ёё №", "\xA8\xB8 \xB9"},
        {"中", "?"},                       // three bytes, one character
        {"a\xF0\x9F\x98\x80z", "a?z"},     // outside the BMP: one '?', not two
        {"é", "?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(codepage::utf8ToAnsi(c.utf8), c.ansi);
    }
}

TEST(Codepage, Utf8ValidityFollowsTheStandard) {
    struct Case {
        std::string bytes;
        bool valid;
    };
    const Case cases[] = {
        {"", true},
        {"plain", true},
        {std::string("a\0b", 3), true},
        {"Привет", true},
        {"\xE2\x82\xAC", true},            // €
        {"\xF0\x9F\x98\x80", true},        // outside the BMP
        {"\xF4\x8F\xBF\xBF", true},        // U+10FFFF, the last
        {"\xEF\xBF\xBF", true},            // U+FFFF
        {"\xCF\xF0", false},               // 1251 bytes
        {"\xD0", false},                   // cut short
        {"\xE2\x82", false},
        {"\x80", false},                   // continuation without a lead
        {"\xC0\x80", false},               // overlong
        {"\xC1\xBF", false},
        {"\xE0\x80\x80", false},
        {"\xF0\x80\x80\x80", false},
        {"\xED\xA0\x80", false},           // surrogate
        {"\xED\xBF\xBF", false},
        {"\xF4\x90\x80\x80", false},       // above U+10FFFF
        {"\xF5\x80\x80\x80", false},
        {"\xFF", false},
        {"ok\xD0", false},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (unsigned char b : c.bytes) shown += hexByte(b) + " ";
        SCOPED_TRACE(shown);
        EXPECT_EQ(codepage::isValidUtf8(c.bytes), c.valid);
    }
}

TEST(Codepage, CodePointsOfEveryByteFollowTheTable) {
    for (int i = 0; i < 0x100; ++i) {
        const auto byte = static_cast<unsigned char>(i);
        SCOPED_TRACE(hexByte(byte));
        EXPECT_EQ(static_cast<uint32_t>(codepage::ansiCodePoint(byte)),
                  static_cast<uint32_t>(expectedAnsiCodePoint(byte)));
        if (byte < 0x80) {
            EXPECT_EQ(static_cast<uint32_t>(codepage::oemCodePoint(byte)), byte);
        }
    }
    EXPECT_EQ(static_cast<uint32_t>(codepage::oemCodePoint(0x8F)), 0x041Fu);  // П
    EXPECT_EQ(static_cast<uint32_t>(codepage::oemCodePoint(0xF0)), 0x0401u);  // Ё
    EXPECT_EQ(static_cast<uint32_t>(codepage::oemCodePoint(0xC4)), 0x2500u);  // box drawing
}

#ifndef _WIN32
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

TEST(Codepage, TablesAgreeWithTheSystemConverter) {
    for (unsigned b = 0; b < 256; ++b) {
        SCOPED_TRACE(b);
        const char32_t ansi = systemCodePoint("CP1251", static_cast<unsigned char>(b));
        EXPECT_EQ(codepage::ansiCodePoint(static_cast<unsigned char>(b)), ansi ? ansi : char32_t(b));  // 0x98 stands for itself
        EXPECT_EQ(codepage::oemCodePoint(static_cast<unsigned char>(b)), systemCodePoint("CP866", static_cast<unsigned char>(b)));
    }
}
#endif

} // namespace
