#include "support/form_fixture.h"

#include <gtest/gtest.h>

using namespace upd;
using upd::testing::FormFixture;

namespace {

struct OverallCase {
    double progress;
    int position;
};

class OverallProgress : public ::testing::TestWithParam<OverallCase> {};

TEST_P(OverallProgress, SetsTheTruncatedPercentageAndLetsEventsRun) {
    FormFixture f;
    int idle = 0;
    f.pump.onIdle = [&] { ++idle; };
    bool cancel = false;
    f.form->ArchiverOverallProgress(f.form->Archiver, GetParam().progress, TProcessOperation::poExtract, TProgressPhase::ppProcess, cancel);
    EXPECT_EQ(f.form->ProgressBar1.position(), GetParam().position);
    EXPECT_EQ(idle, 1);
    EXPECT_FALSE(cancel);
}

INSTANTIATE_TEST_SUITE_P(Cases, OverallProgress,
                         ::testing::Values(OverallCase{0.0, 0}, OverallCase{0.5, 0}, OverallCase{42.7, 42},
                                           OverallCase{99.9, 99}, OverallCase{100.0, 100}, OverallCase{250.0, 100},
                                           OverallCase{-3.0, 0}));

TEST(ArchiveHandlers, ExtractFileAppendsAndSelectsTheNameAndChangesNothing) {
    FormFixture f;
    f.form->ListBox1.AppendAndSelect("first");
    std::string name = "Кордеваль/a.txt";
    uint32_t attr = 0x20;
    f.form->ArchiverExtractFile(f.form->Archiver, name, attr, "comment");
    EXPECT_EQ(f.form->ListBox1.lines().back(), "Кордеваль/a.txt");
    EXPECT_EQ(f.form->ListBox1.selected(), 1u);
    EXPECT_EQ(name, "Кордеваль/a.txt");
    EXPECT_EQ(attr, 0x20u);
}

TEST(ArchiveHandlers, FileProgressOnlyLetsEventsRun) {
    FormFixture f;
    f.pump.post(workMessage(7));
    bool cancel = false;
    f.form->ArchiverFileProgress(f.form->Archiver, "a", 50.0, TProcessOperation::poExtract, TProgressPhase::ppProcess, cancel);
    EXPECT_EQ(f.pump.pending(), 0u);  // the posted message was dispatched
    EXPECT_EQ(f.form->ProgressBar1.position(), 7);
    EXPECT_FALSE(cancel);
}

struct MessageCase {
    const char* name;
    std::vector<std::pair<uintptr_t, int64_t>> messages;
    int max;
    int position;
};

class ProgressMessage : public ::testing::TestWithParam<MessageCase> {};

TEST_P(ProgressMessage, DrivesTheBarOnlyWhenDispatched) {
    FormFixture f;
    for (auto [w, l] : GetParam().messages)
        f.pump.post({WM_PROGRESS, w, static_cast<intptr_t>(static_cast<uint32_t>(l))});
    EXPECT_EQ(f.form->ProgressBar1.position(), 0);
    EXPECT_EQ(f.form->ProgressBar1.max(), 100);
    f.pump.processPendingEvents();
    EXPECT_EQ(f.form->ProgressBar1.max(), GetParam().max);
    EXPECT_EQ(f.form->ProgressBar1.position(), GetParam().position);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgressMessage,
    ::testing::Values(MessageCase{"BeginSetsMaximumAndZero", {{1, 40}, {0, 5000}}, 5000, 0},
                      MessageCase{"WorkFillsTheBar", {{0, 5000}, {1, 5000}}, 5000, 5000},
                      MessageCase{"WorkBeyondMaximumIsHeld", {{0, 5000}, {1, 9000}}, 5000, 5000},
                      MessageCase{"OtherSelectorIgnored", {{1, 30}, {2, 77}}, 100, 30},
                      MessageCase{"Low32BitsOnly", {{0, 4294967296LL + 1000}, {1, 4294967296LL + 600}}, 1000, 600}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProgressMessage, WorkEventsPostTheLow32Bits) {
    const auto begin = workBeginMessage(4294967296LL + 12);
    EXPECT_EQ(begin.message, 1124u);
    EXPECT_EQ(begin.wParam, 0u);
    EXPECT_EQ(begin.lParam, 12);
    const auto work = workMessage(4294967295LL);
    EXPECT_EQ(work.wParam, 1u);
    EXPECT_EQ(static_cast<uint32_t>(work.lParam), 4294967295u);
}

TEST(ProgressBarModel, MaximumBelowMinimumIsRefused) {
    ProgressBar bar;
    bar.setPosition(60);
    EXPECT_THROW(bar.setMax(-1), std::invalid_argument);
    EXPECT_EQ(bar.max(), 100);
    bar.setMax(50);
    EXPECT_EQ(bar.position(), 50);
}

TEST(UpdateLogModel, AppendKeepsTheSelectionAndAppendAndSelectMovesIt) {
    UpdateLog log;
    std::vector<std::pair<size_t, bool>> seen;
    log.addObserver([&](size_t i, bool s) { seen.emplace_back(i, s); });
    log.Append("a");
    EXPECT_FALSE(log.selected().has_value());
    log.AppendAndSelect("");
    EXPECT_EQ(log.selected(), 1u);  // an empty selected line
    log.Append("c");
    log.Append("d");
    EXPECT_EQ(log.selected(), 1u);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"a", "", "c", "d"}));
    EXPECT_EQ(seen, (std::vector<std::pair<size_t, bool>>{{0, false}, {1, true}, {2, false}, {3, false}}));
}

} // namespace
