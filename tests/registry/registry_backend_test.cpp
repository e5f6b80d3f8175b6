// The installation registry's semantics over the platform's own store: the same table runs
// against the file backend on Linux and against the real registry under Windows.
#include "registry/installation_registry.h"
#include "registry/scratch_registry.h"

#include <gtest/gtest.h>

using namespace upd;
using upd::testing::ScratchRegistry;

namespace {

std::vector<uint8_t> bytes(std::initializer_list<int> list) {
    std::vector<uint8_t> out;
    for (int b : list) out.push_back(static_cast<uint8_t>(b));
    return out;
}

struct Stored {
    const char* section;
    const char* name;
    RegistryValue value;
};

struct ReadCase {
    const char* title;
    std::vector<Stored> stored;
    const char* section;
    const char* name;
    const char* defaultValue;
    const char* expected;       // when no error
    const char* expectedError;  // the whole message, or nullptr
};

std::vector<ReadCase> readCases() {
    const RegistryValue path = textValue("C:\\Тарвенит\\Мирела\\");
    return {
        {"MissingSection", {{"Lornet", "ProgrammPath", path}}, "mirela", "ProgrammPath", "false", "false", nullptr},
        {"MissingSectionEmptyDefault", {}, "mirela", "ProgrammPath", "", "", nullptr},
        {"MissingValue", {{"mirela", "Other", path}}, "mirela", "ProgrammPath", "false", "false", nullptr},
        {"MissingValueEmptyDefault", {{"mirela", "Other", path}}, "mirela", "ProgrammPath", "", "", nullptr},
        {"Text", {{"mirela", "ProgrammPath", path}}, "mirela", "ProgrammPath", "false", "C:\\Тарвенит\\Мирела\\",
         nullptr},
        {"NamesWithoutCase", {{"mirela", "programmpath", textValue("x")}}, "MIRELA", "ProgrammPath", "false", "x",
         nullptr},
        {"StoredFalseIsFalse", {{"mirela", "ProgrammPath", textValue("false")}}, "mirela", "ProgrammPath", "false",
         "false", nullptr},
        {"CapitalFalseIsText", {{"mirela", "ProgrammPath", textValue("False")}}, "mirela", "ProgrammPath", "false",
         "False", nullptr},
        {"EmptyText", {{"mirela", "ProgrammPath", textValue("")}}, "mirela", "ProgrammPath", "false", "", nullptr},
        {"NoData", {{"mirela", "ProgrammPath", {RegType::Sz, {}}}}, "mirela", "ProgrammPath", "false", "", nullptr},
        {"EmbeddedNul", {{"mirela", "ProgrammVersion", {RegType::Sz, bytes({'3', 0, '.', 0, 0, 0, '2', 0, 0, 0})}}},
         "mirela", "ProgrammVersion", "", "3.", nullptr},
        {"NoTerminatingNul", {{"mirela", "ProgrammVersion", {RegType::Sz, bytes({'3', 0, '.', 0, '2', 0})}}},
         "mirela", "ProgrammVersion", "", "3.2", nullptr},
        {"ExpandableReadAsStored", {{"mirela", "ProgrammPath", {RegType::ExpandSz, bytes({'%', 0, 'A', 0, '%', 0, 0, 0})}}},
         "mirela", "ProgrammPath", "false", "%A%", nullptr},
        {"DwordIsInvalidType", {{"mirela", "ProgrammVersion", {RegType::Dword, bytes({3, 0, 0, 0})}}}, "mirela",
         "ProgrammVersion", "", nullptr, "Invalid data type for 'ProgrammVersion'"},
        {"DwordBehindDefaultIsInvalidType", {{"mirela", "ProgrammPath", {RegType::Dword, bytes({3, 0, 0, 0})}}},
         "mirela", "ProgrammPath", "false", nullptr, "Invalid data type for 'ProgrammPath'"},
        {"BinaryIsInvalidType", {{"mirela", "ProgrammPath", {RegType::Binary, bytes({1, 2})}}}, "mirela",
         "ProgrammPath", "false", nullptr, "Invalid data type for 'ProgrammPath'"},
        {"MultiTextIsInvalidType", {{"mirela", "ProgrammPath", {RegType::MultiSz, bytes({'a', 0, 0, 0, 0, 0})}}},
         "mirela", "ProgrammPath", "false", nullptr, "Invalid data type for 'ProgrammPath'"},
    };
}

TEST(RegistryBackend, ReadGivesValueDefaultOrError) {
    for (const auto& c : readCases()) {
        SCOPED_TRACE(c.title);
        ScratchRegistry store;
        for (const auto& s : c.stored) store.backend()->setValue(s.section, s.name, s.value);
        InstallationRegistry registry(store.backend());
        if (c.expectedError) {
            try {
                registry.Read(c.section, c.name, c.defaultValue);
                ADD_FAILURE() << "no error";
            } catch (const RegistryError& e) {
                EXPECT_STREQ(e.what(), c.expectedError);
            }
        } else {
            EXPECT_EQ(registry.Read(c.section, c.name, c.defaultValue), c.expected);
        }
    }
}

TEST(RegistryBackend, WriteCreatesTheSectionAndStoresTextWithOneNul) {
    ScratchRegistry store;
    InstallationRegistry(store.backend()).Write("Lornet", "ProgrammVersion", "3.2");
    EXPECT_TRUE(store.backend()->sectionExists("Lornet"));
    EXPECT_FALSE(store.backend()->sectionExists("Varsel"));
    const auto value = store.backend()->queryValue("Lornet", "ProgrammVersion");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, RegType::Sz);
    EXPECT_EQ(value->data, bytes({'3', 0, '.', 0, '2', 0, 0, 0}));
}

TEST(RegistryBackend, WriteReplacesAValueOfAnyTypeAndKeepsTheOthers) {
    ScratchRegistry store;
    store.backend()->setValue("mirela", "ProgrammVersion", {RegType::Dword, bytes({3, 0, 0, 0})});
    store.backend()->setValue("mirela", "ProgrammPath", textValue("Д:\\Мирела\\"));
    InstallationRegistry(store.backend()).Write("mirela", "PROGRAMMVERSION", "3.2");

    InstallationRegistry registry(store.backend());
    EXPECT_EQ(registry.Read("mirela", "ProgrammVersion", ""), "3.2");
    EXPECT_EQ(registry.Read("mirela", "ProgrammPath", "false"), "Д:\\Мирела\\");
}

TEST(RegistryBackend, EachObjectSeesTheWritesOfTheOthers) {
    ScratchRegistry store;
    InstallationRegistry reader(store.backend());
    EXPECT_EQ(reader.Read("Varsel", "ProgrammVersion", "false"), "false");
    InstallationRegistry(store.backend()).Write("Varsel", "ProgrammVersion", "3.1");
    EXPECT_EQ(reader.Read("Varsel", "ProgrammVersion", "false"), "3.1");  // nothing cached
    InstallationRegistry(store.backend()).Write("Varsel", "ProgrammVersion", "3.2");
    EXPECT_EQ(reader.Read("Varsel", "ProgrammVersion", "false"), "3.2");
}

} // namespace
