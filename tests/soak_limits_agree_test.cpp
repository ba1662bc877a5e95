// The soak's checker keeps its own copy of a few of the plug-in's limits, so that a wrong value in
// the plug-in shows up as a violation instead of moving the checker along with it. This test holds
// the two copies equal: a deliberate change of the plug-in has to change the checker's value too.
#include <gtest/gtest.h>

#include "behaviour/night_sleep.h"
#include "invariants.h"
#include "visit/departure.h"
#include "visit/model_loading.h"
#include "visit/visitor_state.h"

namespace {

TEST(SoakChecker, KeepsTheSameLimitsAsThePlugin) {
    const tw::VisitorState visitor{};
    EXPECT_EQ(sim::kSettleDelayMs, visitor.settleDelay) << "the wait after arrival before the first activity";
    EXPECT_EQ(sim::kHorseIntervalMs, visitor.horseScenarioInterval) << "the time between two horse scenarios";
    EXPECT_EQ(sim::kDepartureLimitMs, tw::kDepartureLimitMs) << "the departure limit";
    EXPECT_EQ(sim::kModelPollLimitMs, tw::kModelLoadLimitMs) << "the model-poll limit";
    EXPECT_EQ(sim::kDayStart, tw::kDayStartHour) << "the first hour of the visitors' day";
    EXPECT_EQ(sim::kDayEnd, tw::kDayEndHour) << "the last hour of the visitors' day";
}

}  // namespace
