#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace upd::text {
namespace {

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::u32string codePoints;  // as toU32 gives them
    bool valid;
};

TEST(Utf8, DecodesWellFormedTextAndTakesEachMalformedByteAsItself) {
    const std::vector<DecodeCase> cases = {
        {"ascii", "Ab1", U"Ab1", true},
        {"two bytes", "\xD0\x81\xD1\x91", U"Ёё", true},
        {"three bytes", "\xE2\x82\xAC", U"€", true},
        {"four bytes", "\xF0\x9F\x98\x80", U"\U0001F600", true},
        {"highest code point", "\xF4\x8F\xBF\xBF", U"\U0010FFFF", true},
        {"lone continuation byte", "a\x80z", U"a\u0080z", false},
        {"lead byte cut at the end", "a\xD0", U"a\u00D0", false},
        {"three-byte form cut short", "\xE2\x82z", U"\u00E2\u0082z", false},
        {"lead byte followed by ascii", "\xD0" "A", U"\u00D0A", false},
        {"overlong NUL", "\xC0\x80", U"\u00C0\u0080", false},
        {"overlong slash in three bytes", "\xE0\x80\xAF", U"\u00E0\u0080\u00AF", false},
        {"overlong in four bytes", "\xF0\x82\x82\xAC", U"\u00F0\u0082\u0082\u00AC", false},
        {"high surrogate", "\xED\xA0\x80", U"\u00ED\u00A0\u0080", false},
        {"low surrogate", "\xED\xBF\xBF", U"\u00ED\u00BF\u00BF", false},
        {"above U+10FFFF", "\xF4\x90\x80\x80", U"\u00F4\u0090\u0080\u0080", false},
        {"lead byte F5", "\xF5\x80\x80\x80", U"\u00F5\u0080\u0080\u0080", false},
        {"byte FF", "\xFF", U"\u00FF", false},
        {"valid text around a bad byte", "я\xFFя", U"я\u00FFя", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(toU32(c.bytes), c.codePoints);
        EXPECT_EQ(isValidUtf8(c.bytes), c.valid);
    }
}

TEST(Utf8, DecodeReportsLengthAndValidityAtAPosition) {
    const std::string s = "a\xD1\x91\xE2\x82\xAC\xC0\x80";
    struct Step {
        char32_t cp;
        size_t length;
        bool valid;
    };
    const std::vector<Step> expected = {{U'a', 1, true}, {U'ё', 2, true}, {U'€', 3, true}, {0xC0, 1, false}, {0x80, 1, false}};
    size_t pos = 0;
    for (const Step& e : expected) {
        SCOPED_TRACE(pos);
        ASSERT_LT(pos, s.size());
        const Utf8Char c = decodeUtf8(s, pos);
        EXPECT_EQ(c.codePoint, e.cp);
        EXPECT_EQ(c.length, e.length);
        EXPECT_EQ(c.valid, e.valid);
        pos += c.length;
    }
    EXPECT_EQ(pos, s.size());
}

TEST(Utf8, EncodesBackWhatItDecodedAndReplacesSurrogates) {
    for (const char* text : {"", "plain", "Привет, Ёжик", "€ \U0001F600"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(fromU32(toU32(text)), text);
        EXPECT_EQ(fromU16(toU16(text)), text);
    }
    EXPECT_EQ(fromU32(std::u32string(1, char32_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(fromU16(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

struct FoldCase {
    const char* name;
    std::string text;
    std::string folded;
};

TEST(CaseFold, FoldsLatinAndCyrillicLettersWhateverTheLocale) {
    const std::vector<FoldCase> cases = {
        {"ascii", "Mirela.EXE", "mirela.exe"},
        {"ascii digits and signs stay", "A-1_[z]", "a-1_[z]"},
        {"cyrillic", "АВТОШКОЛА Кордеваль", "автошкола кордеваль"},
        {"yo", "ЁЛКА ёлка", "ёлка ёлка"},
        {"ukrainian and belarusian letters", "ЄІЇЎҐ", "єіїўґ"},
        {"latin-1", "ÀÉÖÞ", "àéöþ"},
        {"multiplication sign is no letter", "×", "×"},
        {"latin extended-a", "ŁĄŽ", "łąž"},
        {"greek", "ΣΩ", "σω"},
        {"already lower", "ёж", "ёж"},
        {"malformed byte taken as latin-1", "\xC0", "\xC3\xA0"},
        {"sequence cut at the end", "Я\xD0", "я\xC3\xB0"},
        {"lead byte before no continuation", "\xD0Z", "\xC3\xB0z"},
        {"outside the basic plane, unchanged", "\xF0\x9F\x98\x80" "A", "\xF0\x9F\x98\x80" "a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(foldCase(c.text), c.folded);
        EXPECT_TRUE(equalsIgnoreCase(c.text, c.folded));
        EXPECT_EQ(compareIgnoreCase(c.text, c.folded), 0);
        // Appended to a key that has parts already, as the merge builds its keys.
        std::string key = "3:Tab";
        appendFoldedCase(key, c.text);
        EXPECT_EQ(key, "3:Tab" + c.folded);
    }
}

TEST(Utf16, LengthIsTheLengthOfTheConvertedText) {
    for (const std::string text : {"", "abc", "Кордеваль", "\xF0\x9F\x98\x80", "a\xC0" "b\xD0", "\xE2\x82"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(utf16Length(text), toU16(text).size());
    }
}

TEST(CaseFold, UpperCaseIsTheInverseForTheLettersItFolds) {
    for (char32_t upper : {U'A', U'Z', U'Ё', U'А', U'Я', U'Ґ', U'Ł', U'Σ'}) {
        SCOPED_TRACE(static_cast<unsigned>(upper));
        EXPECT_NE(foldCase(upper), upper);
        EXPECT_EQ(upperCase(foldCase(upper)), upper);
    }
    EXPECT_EQ(upperCase(U'1'), U'1');
}

TEST(CaseFold, ComparesOrdersAndMatchesPrefixes) {
    EXPECT_LT(compareIgnoreCase("абв", "АБГ"), 0);
    EXPECT_GT(compareIgnoreCase("Яблоко", "аист"), 0);
    EXPECT_LT(compareIgnoreCase("ab", "ABC"), 0);
    EXPECT_FALSE(equalsIgnoreCase("Ёлка", "Елка"));  // Ё is a letter of its own
    EXPECT_FALSE(equalsIgnoreCase("abc", "abcd"));

    EXPECT_TRUE(startsWithIgnoreCase("content-length: 5", "Content-Length:"));
    EXPECT_TRUE(startsWithIgnoreCase("ПАПКА\\файл", "папка"));
    EXPECT_FALSE(startsWithIgnoreCase("HTT", "HTTP/"));
    EXPECT_FALSE(startsWithIgnoreCase("HTTX/1.1", "HTTP/"));
    EXPECT_TRUE(startsWithIgnoreCase("anything", ""));

    EXPECT_EQ(asciiLower("ÄBC Ё"), "Äbc Ё");  // only A..Z change
    EXPECT_EQ(asciiUpper("integer ё"), "INTEGER ё");
}

TEST(CaseFold, RemovesEveryOccurrenceWithoutCase) {
    EXPECT_EQ(removeAllIgnoreCase("/home/МИРЕЛА/x/мирела/", "Мирела/"), "/home/x/");
    EXPECT_EQ(removeAllIgnoreCase("abc", ""), "abc");
}

} // namespace
} // namespace upd::text
