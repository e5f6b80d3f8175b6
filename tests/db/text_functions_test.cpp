#include "db/sqlite_text_functions.h"

#include <gtest/gtest.h>

namespace upd::db::sqlite {
namespace {

TEST(TextFunctions, CompareIgnoresCaseOfCyrillicAndLatin) {
    EXPECT_EQ(compareIgnoreCase("абв", "АБВ"), 0);
    EXPECT_EQ(compareIgnoreCase("ВУС-845 (переподготовка с B на D)", "вус-845 (ПЕРЕПОДГОТОВКА С b НА d)"), 0);
    EXPECT_EQ(compareIgnoreCase("Ёлка", "ёЛКА"), 0);
    EXPECT_LT(compareIgnoreCase("абв", "абвг"), 0);
    EXPECT_GT(compareIgnoreCase("б", "А"), 0);
    EXPECT_NE(compareIgnoreCase("C", "С"), 0);  // Latin C and Cyrillic С stay different letters
}

TEST(TextFunctions, LikeWithAnsiWildcards) {
    struct Case {
        const char* pattern;
        const char* value;
        bool match;
    };
    const Case cases[] = {
        {"Вождение%", "Вождение ТС", true},       {"Вождение%", "ВОЖДЕНИЕ по городу", true},
        {"Вождение%", "Теория вождения", false},  {"%вожд%", "Теория ВОЖДЕНИЯ", true},
        {"В_С-8__", "вус-845", true},             {"В_С-8__", "вус-8451", false},
        {"[ВК]%", "курс", true},                  {"[!ВК]%", "курс", false},
        {"[а-в]%", "Борис", true},                {"100%", "100", true},
        {"a*b", "a*b", true},                     {"a*b", "axb", false},
        {"", "", true},                           {"%", "", true},
        {"_", "", false},                         {"%a%b%c%", "xxAxxBxxCxx", true},
        {"%a%b", "ab_ab_b", true},                {"a%", "ba", false},
        {"[abc", "[abc", true},                   {"%%_%", "я", true},
    };
    for (const Case& c : cases) EXPECT_EQ(likeMatch(c.pattern, c.value), c.match) << c.pattern << " ~ " << c.value;
    // Many runs against a long value stay quick.
    EXPECT_FALSE(likeMatch("%a%a%a%a%a%a%a%a%a%a%a%b", std::string(5000, 'a')));
    EXPECT_TRUE(likeMatch("100!%", "100%", U'!'));
    EXPECT_FALSE(likeMatch("100!%", "1000", U'!'));
}

} // namespace
} // namespace upd::db::sqlite
