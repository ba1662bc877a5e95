// The plug-in's constant tables, which the tools read too, are what the plug-in does.
#include <iterator>

#include "plugin_fixture.h"
#include "visit/world_tables.h"

namespace {

using host::gHost;
using tw::Op;

struct WorldTablesTest : twtest::PluginTest {};

TEST_F(WorldTablesTest, ActivityPointsAreCreatedAtTheTablesSpotsInOrder) {
    load();
    ASSERT_TRUE(host::runUntil([] { return host::countOf(Op::scenarioPointCreate) >= tw::kActivitySpotCount; }, 60000));
    const auto creates = host::callsOf(Op::scenarioPointCreate);
    for (std::size_t i = 0; i < tw::kActivitySpotCount; ++i) {
        SCOPED_TRACE(i);
        const tw::ActivitySpot& spot = tw::kActivitySpots[i];
        EXPECT_EQ(creates[i]->u(0), host::nameHash(spot.scenarioName));
        EXPECT_FLOAT_EQ(creates[i]->f(1), spot.position.x);
        EXPECT_FLOAT_EQ(creates[i]->f(2), spot.position.y);
        EXPECT_FLOAT_EQ(creates[i]->f(3), spot.position.z);
        EXPECT_FLOAT_EQ(creates[i]->f(4), spot.heading);
    }
}

}  // namespace
