#include <gtest/gtest.h>

#include "archive/archive_error.h"

namespace upd {
namespace {

TEST(ArchiveErrorTest, NativeErrorsMapToTheirCodes) {
    const std::vector<std::pair<int, std::vector<int>>> table = {
        {0, {0}}, {1, {1, 2, 3, 4, 7, 16, 21, 24}}, {2, {5}}, {3, {6}}, {4, {8}}, {5, {9, 10, 29}},
        {6, {11, 12, 15, 18, 30, 31, 38, 42, 53, 54}}, {7, {13, 14}}, {8, {17}}, {9, {19, 23}}, {10, {20}},
        {11, {22, 25}}, {12, {33}}, {13, {26}}, {14, {27}}, {15, {28}}, {16, {32}}, {17, {34}}, {18, {35}},
        {19, {36}}, {20, {37}}, {21, {39}}, {22, {40}}, {23, {41, 43}}, {24, {44, 45}}, {25, {46}}, {26, {47}},
        {27, {48, 57}}, {28, {49}}, {29, {50}}, {30, {51}}, {31, {52}}, {32, {55}}, {33, {56}}, {34, {58, 59}},
        {35, {60}}, {36, {61}}, {37, {62}}, {38, {63, 64}}, {39, {65, 66}}, {40, {67}},
    };
    int pairs = 0;
    for (const auto& [code, natives] : table)
        for (int n : natives) {
            EXPECT_EQ(archiveErrorCode(n), code) << "native " << n;
            ++pairs;
        }
    EXPECT_EQ(pairs, 68);
    EXPECT_EQ(archiveErrorCode(68), 0);
    EXPECT_EQ(archiveErrorCode(-1), 0);
}

TEST(ArchiveErrorTest, MessageFormWithAndWithoutComponentName) {
    struct Case {
        int native;
        std::vector<std::string> args;
        std::string component;
        std::string message;
    };
    const std::vector<Case> cases = {
        {12, {"/x/res/res_qn.zip"}, "Archiver", "Archiver: File \"/x/res/res_qn.zip\" not found - Native error: 00012"},
        {35, {}, "", "Invalid archive file. - Native error: 00035"},
        {8, {}, "Archiver",
         "Archiver: Invalid size or check sum of file or unsupported compression format - Native error: 00008"},
        {65, {}, "", "Disk is full. There is not enough free space on disk. - Native error: 00065"},
        {61, {"n"}, "A", "A: File name is too long: \r\n\"n\" - Native error: 00061"},
        {34, {"5", "7"}, "", "Invalid compressed size, rfs.size = 5, count = 7 - Native error: 00034"},
        {99, {}, "", "Unknown error - Native error: 00099"},
    };
    for (const auto& c : cases) {
        EArchiveError e(c.native, c.args, c.component);
        EXPECT_EQ(std::string(e.what()), c.message);
        EXPECT_EQ(e.NativeError(), c.native);
        EXPECT_EQ(e.ErrorCode(), archiveErrorCode(c.native));
    }
    EXPECT_EQ(std::string(EArchiveError(13, "Archiver").what()), "Archiver: Archive is not open - Native error: 00013");
}

} // namespace
} // namespace upd
