// A visit under way at the simulated ranch, for the behaviour tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "plugin_fixture.h"
#include "ranch_layout.h"

namespace twtest {

enum class Visitors { Both = 0, SadieOnly = 1, CharlesOnly = 2 };

struct BehaviourTest : PluginTest {
    host::World& world() { return host::gHost.world; }
    host::Entity& entity(tw::Handle h) { return *host::findEntity(world(), h); }

    // The clock reads hour:00 from now on.
    void setHour(int32_t hour) {
        world().clockBaseTime = world().gameTime;
        world().clockStartHour = hour;
    }

    // The visit type is the first draw in 0..2; later draws (arrival order) go to the world.
    void drawVisitors(Visitors who) {
        auto drawn = std::make_shared<bool>(false);
        host::overrideOf(tw::Op::miscGetRandomInt) = [drawn, who](host::Call& c, host::World&) {
            if (*drawn || c.i(0) != 0 || c.i(1) != 3) return false;
            *drawn = true;
            c.result[0] = static_cast<uint32_t>(who);
            return true;
        };
    }

    bool visitorsPresent(Visitors who) {
        return (who == Visitors::CharlesOnly || sadie() != 0) && (who == Visitors::SadieOnly || charles() != 0);
    }

    // Loads the plug-in with the story done and the player at the ranch, and draws who visits.
    void startVisit(Visitors who = Visitors::Both) {
        world().completedMissions.push_back(host::nameHash("FIN2"));
        drawVisitors(who);
        load();
        ASSERT_TRUE(runUntilReady());
        ASSERT_TRUE(host::runUntil([&] { return visitorsPresent(who); }, 20000));
    }

    tw::Handle pluginEntityOf(const char* model, host::EntityKind kind) {
        for (const host::Entity& e : world().entities)
            if (e.alive && e.byPlugin && e.kind == kind && e.model == host::nameHash(model)) return e.handle;
        return 0;
    }
    tw::Handle sadie() { return pluginEntityOf("cs_mrsadler", host::EntityKind::Ped); }
    tw::Handle charles() { return pluginEntityOf("cs_charlessmith", host::EntityKind::Ped); }
    tw::Handle sadieHorse() { return pluginEntityOf("a_c_horse_gang_sadie_endlesssummer", host::EntityKind::Horse); }
    tw::Handle charlesHorse() {
        return pluginEntityOf("a_c_horse_gang_charles_endlesssummer", host::EntityKind::Horse);
    }

    // Keeps a ped where it is: a task that never moves it and never ends.
    void hold(tw::Handle ped, tw::Vec3 at) {
        host::Entity& e = entity(ped);
        e.pos = at;
        e.task = {};
        e.task.kind = host::TaskKind::Wander;
        e.task.target = at;
        e.task.started = true;
    }

    tw::Handle spawnPed(const char* model, tw::Vec3 at) {
        world().names.emplace(host::nameHash(model), model);
        return host::spawnEntity(world(), host::EntityKind::Ped, host::nameHash(model), at, false);
    }

    host::ScenarioPoint* pointOf(tw::Handle h) { return host::findPoint(world(), h); }
    std::string typeName(tw::Handle point) {
        const host::ScenarioPoint* p = pointOf(point);
        if (!p) return "";
        auto it = world().names.find(p->type);
        return it == world().names.end() ? "" : it->second;
    }

    int spokenCount(tw::Handle ped, const std::string& line) {
        int n = 0;
        for (const host::SpokenLine& s : world().spoken) n += s.ped == ped && s.line == line;
        return n;
    }
};

// Every host call of one operation made for a given first argument, as (time, call) copies.
inline std::vector<host::Call> callsFor(tw::Op op, tw::Handle first) {
    std::vector<host::Call> out;
    for (const host::Call* c : host::callsOf(op))
        if (c->u(0) == first) out.push_back(*c);
    return out;
}

}  // namespace twtest
