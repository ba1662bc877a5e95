#include "visit/visit_start.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <utility>

#include "behaviour/greetings.h"
#include "frame/host_ops.h"
#include "frame/plugin_log.h"
#include "visit/departure.h"
#include "visit/horse_tack.h"
#include "visit/model_loading.h"
#include "visit/ranch_fixtures.h"
#include "visit/visit_state.h"
#include "visit/visitor_state.h"
#include "visit/world_tables.h"

namespace tw {

namespace {

constexpr float kDegToRad = 0.017453292f;
constexpr int32_t kSettleAfterCreateMs = 500;
constexpr float kMinPlayerDistance = 15.0f;  // m between the player and an arrival position

// What configureVisitorEntity tells the host about every visitor and horse, and spawnPed and
// arrive about the ped they made. The host's config flags are numbered; the spawn options'
// values are fixed in the host catalogue.
constexpr std::array<int32_t, 10> kVisitorConfigFlagsOn{72, 113, 61, 170, 442, 370, 6, 169, 217, 146};  // in order
constexpr int32_t kVisitorConfigFlagOff = 168;  // turned off last, after the relationship group
constexpr int32_t kRiderConfigFlagOff = 130;    // turned off on the visitors, not their horses, once named
constexpr const char* kVisitorRelationshipGroup = "REL_GANG_DUTCHS";
constexpr int32_t kCreatedOutfitPreset = 0;  // every ped starts in preset 0; a visitor's day outfit follows

const char* modelName(Hash model) {
    if (model == models.visitor[kSadieRow]) return "cs_mrsadler (Sadie)";
    if (model == models.visitor[kCharlesRow]) return "cs_charlessmith (Charles)";
    if (model == models.horse[kSadieRow]) return "a_c_horse_gang_sadie_endlesssummer (Sadie's horse)";
    if (model == models.horse[kCharlesRow]) return "a_c_horse_gang_charles_endlesssummer (Charles's horse)";
    return "of a visitor";
}

template <std::size_t N>
int32_t drawOutfit(const std::array<int32_t, N>& list) {
    // Every entry takes part: the draw's upper bound is exclusive.
    const int32_t i = miscGetRandomInt(0, static_cast<int32_t>(N));
    return list[static_cast<std::size_t>(i >= 0 && i < static_cast<int32_t>(N) ? i : 0)];
}

// True when the visitor's ped was made; its horse is made either way.
bool arrive(VisitorState& v, bool isCharles, GameTime spawnTime, bool playerIsThree) {
    const VisitorFacts& facts = visitorFacts(isCharles);
    const Vec3 position = pickArrivalPosition();
    v.ped = spawnPed(models.visitor[visitorRow(isCharles)], position);
    scriptWait(kSettleAfterCreateMs);
    const bool came = entityExists(v.ped);
    if (came) {
        logEvent("%s arrives at (%.1f, %.1f, %.1f)", visitorName(v), static_cast<double>(position.x),
                 static_cast<double>(position.y), static_cast<double>(position.z));
        v.spawnTime = spawnTime;
        v.hasSettled = false;
        configureVisitorEntity(v.ped);
        pedSetVoice(v.ped, playerIsThree ? facts.voiceWithPlayerThree : facts.voice);
        pedSetName(v.ped, facts.name);
        pedSetConfigFlag(v.ped, kRiderConfigFlagOff, false);
        if (facts.weaponToRemove != nullptr) {
            // Hashed one after the other: the order of calls in an argument list is the compiler's.
            const Hash weapon = miscGetHashKey(facts.weaponToRemove);
            const Hash reason = miscGetHashKey("REMOVE_REASON_DEFAULT");
            weaponRemoveFromPed(v.ped, weapon, reason);
        }
        v.outfitPreset = static_cast<uint32_t>(drawOutfit(facts.dayOutfits));
        pedSetOutfitPreset(v.ped, static_cast<int32_t>(v.outfitPreset));
        v.activityEndTime = 0;
        v.spotCursor = miscGetRandomInt(0, static_cast<int32_t>(kActivitySpotCount));
        v.tryScenarioNext = miscGetRandomInt(0, 2) == 0;
        v.isSleeping = false;
        v.bedPoint = 0;
        v.createdScenarioPoint = 0;  // overwritten, not deleted: the last reset already did
        v.wearingSleepOutfit = false;
        pedSpawnOptionC(v.ped);
    }

    // The horse comes even when its rider did not.
    const Vec3 horsePosition = scatterAround(horseSpawnCentre);
    v.horse = spawnPed(models.horse[visitorRow(isCharles)], horsePosition);
    scriptWait(kSettleAfterCreateMs);
    if (entityExists(v.horse)) {
        applyRandomSaddle(v.horse);
        configureVisitorEntity(v.horse);
    }
    return came;
}

}  // namespace

void startVisit() {
    if (models.visitor[kSadieRow] == 0 || models.visitor[kCharlesRow] == 0 || kArrivalPoints.empty()) return;

    const VisitType previousType = visit.visitType;
    // An answer outside 0..2 counts as the nearest valid one, so someone always sets out.
    visit.visitType = static_cast<VisitType>(std::clamp(miscGetRandomInt(0, 3), 0, 2));
    const GameTime spawnTime = gameGetTimer();
    const bool playerIsThree = entityGetModel(playerGetPed()) == models.playerThree;
    const bool sadieComes = visit.visitType == VisitType::Both || visit.visitType == VisitType::SadieOnly;
    const bool charlesComes = visit.visitType == VisitType::Both || visit.visitType == VisitType::CharlesOnly;

    const bool sadieCame = sadieComes && arrive(sadie, false, spawnTime, playerIsThree);
    const bool charlesCame = charlesComes && arrive(charles, true, spawnTime, playerIsThree);

    if (!sadieCame && !charlesCame) {
        // Nobody came: that is no visit. Its horses go again, the cooldown is not restarted,
        // and the start test tries again an in-game hour from now.
        if (sadieComes) resetVisitor(sadie);
        if (charlesComes) resetVisitor(charles);
        visit.visitType = previousType;
        visit.failedStartTime = gameGetTimer();
        visit.startFailed = true;
        logEvent("a visit was due but nobody came; no cooldown, the start is tried again in an in-game hour");
        return;
    }
    visit.startFailed = false;
    logEvent("visit started: %s", sadieCame && charlesCame ? "Sadie and Charles" : sadieCame ? "Sadie" : "Charles");

    visit.visitActive = true;
    visit.visitStartTime = gameGetTimer();
    for (Visitor& v : visitors) v.campSong.last = 0;
    clearPlayerGreetings();
}

Vec3 pickArrivalPosition() {
    const Vec3 player = entityGetCoords(playerGetPed(), 0);

    std::array<std::size_t, kArrivalPointCount> order{};
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    for (std::size_t i = order.size() - 1; i >= 1; --i) {
        const int32_t j = miscGetRandomInt(0, static_cast<int32_t>(i + 1));
        if (j >= 0 && static_cast<std::size_t>(j) <= i) std::swap(order[i], order[static_cast<std::size_t>(j)]);
    }

    for (const std::size_t k : order) {
        const float r = miscGetRandomFloat(10.0f, 20.0f);
        const float theta = miscGetRandomFloat(0.0f, 360.0f) * kDegToRad;
        const Vec3& a = kArrivalPoints[k].position;
        const Vec3 candidate{a.x + r * std::cos(theta), a.y + r * std::sin(theta), a.z};
        if (distance(player, candidate) >= kMinPlayerDistance && !playerCanSeeCoord(playerGetPed(), candidate))
            return candidate;
    }
    // Nothing out of sight: beside arrival point 0, seen or not.
    const Vec3& a0 = kArrivalPoints[0].position;
    return {a0.x + 15.0f, a0.y + 15.0f, a0.z};
}

Handle spawnPed(Hash model, Vec3 position) {
    if (!streamingIsModelValid(model)) {
        logEvent("the game does not know the model %s", modelName(model));
        return 0;
    }
    if (!waitForModel(model, kVisitorModelWait)) {
        streamingReleaseModel(model);
        logEvent("the model %s did not load within %d ms", modelName(model), static_cast<int>(kModelLoadLimitMs));
        return 0;
    }
    const Handle ped = pedCreate(model, position.x, position.y, position.z);
    if (!entityExists(ped)) {
        streamingReleaseModel(model);
        logEvent("the game refused to create %s", modelName(model));
        return 0;
    }
    pedSpawnOptionD(ped);
    pedSetOutfitPreset(ped, kCreatedOutfitPreset);
    pedRefreshAppearance(ped);
    streamingReleaseModel(model);
    return ped;
}

void configureVisitorEntity(Handle entity) {
    if (!entityExists(entity)) return;
    for (const int32_t flag : kVisitorConfigFlagsOn) pedSetConfigFlag(entity, flag, true);
    pedSpawnOptionA(entity);
    entitySetScriptOwned(entity);
    pedSpawnOptionB(entity);
    pedSetRelationshipGroup(entity, miscGetHashKey(kVisitorRelationshipGroup));
    pedSetConfigFlag(entity, kVisitorConfigFlagOff, false);
}

Vec3 scatterAround(Vec3 centre) {
    const int a = std::rand();
    const int b = std::rand();
    const float theta = static_cast<float>(a % 360) * kDegToRad;
    const float d = static_cast<float>(b % 1000) * 0.0050000004f + 5.0f;  // 5.0 .. 9.995 m
    Vec3 q{centre.x + d * std::cos(theta), centre.y + d * std::sin(theta), centre.z + 1.0f};
    float groundZ = 0.0f;
    if (miscGetGroundZ(q.x, q.y, q.z + 5.0f, &groundZ)) q.z = groundZ;
    return q;
}

}  // namespace tw
