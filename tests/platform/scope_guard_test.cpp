#include "platform/scope_guard.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace upd {
namespace {

TEST(ScopeGuard, RunsOnceWhenTheScopeEndsNormallyOrByAnException) {
    int runs = 0;
    { ScopeGuard guard([&] { ++runs; }); }
    EXPECT_EQ(runs, 1);
    try {
        ScopeGuard guard([&] { ++runs; });
        throw std::runtime_error("step failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(runs, 2);
}

TEST(ScopeGuard, ADismissedGuardDoesNothing) {
    int runs = 0;
    {
        ScopeGuard guard([&] { ++runs; });
        guard.dismiss();
    }
    EXPECT_EQ(runs, 0);
}

} // namespace
} // namespace upd
