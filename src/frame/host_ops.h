// Typed wrappers over the host operations: one function per operation of the catalogue.
// Each pushes its arguments (the catalogue's fixed values filled in), calls, and converts
// the result; nothing else in the plug-in frames a host call.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

#include "frame/host_api.h"
#include "frame/host_catalogue.h"
#include "frame/types.h"

namespace tw {

namespace host_detail {

inline uint64_t floatBits(float v) {
    uint32_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

inline float bitsFloat(uint64_t slot) {
    const auto low = static_cast<uint32_t>(slot);
    float v = 0.0f;
    std::memcpy(&v, &low, sizeof v);
    return v;
}

// C++ parameter type -> the catalogue kind it may fill.
template <typename T>
constexpr ArgKind kindOf() {
    if constexpr (std::is_same_v<T, bool>)
        return ArgKind::Bool;
    else if constexpr (std::is_same_v<T, int32_t>)
        return ArgKind::Int;
    else if constexpr (std::is_same_v<T, float>)
        return ArgKind::Float;
    else if constexpr (std::is_same_v<T, uint32_t>)
        return ArgKind::Handle;  // also Hash
    else if constexpr (std::is_same_v<T, const char*>)
        return ArgKind::Str;
    else if constexpr (std::is_same_v<T, HostString>)
        return ArgKind::HostStr;
    else if constexpr (std::is_same_v<T, int64_t>)
        return ArgKind::Int64;
    else if constexpr (std::is_pointer_v<T>)
        return ArgKind::Ptr;
    else
        static_assert(sizeof(T) == 0, "no catalogue kind for this parameter type");
}

constexpr bool kindAccepts(ArgKind wanted, ArgKind given) {
    if (wanted == ArgKind::Hash) return given == ArgKind::Handle;
    return wanted == given;
}

template <Op op, typename... A>
constexpr bool argsMatch() {
    constexpr ArgKind given[] = {kindOf<A>()..., ArgKind::LitInt};
    std::size_t k = 0;
    for (std::size_t i = 0; i < opInfo(op).argc; ++i) {
        const ArgKind wanted = opInfo(op).args[i].kind;
        if (isLiteral(wanted)) continue;
        if (!kindAccepts(wanted, given[k++])) return false;
    }
    return true;
}

inline uint64_t encode(bool v) { return v ? 1u : 0u; }
inline uint64_t encode(int32_t v) { return static_cast<uint32_t>(v); }
inline uint64_t encode(uint32_t v) { return v; }
inline uint64_t encode(float v) { return floatBits(v); }
inline uint64_t encode(int64_t v) { return static_cast<uint64_t>(v); }
inline uint64_t encode(HostString v) { return v; }
inline uint64_t encode(const char* s) { return reinterpret_cast<uintptr_t>(s); }
inline uint64_t encode(const void* p) { return reinterpret_cast<uintptr_t>(p); }

template <typename R>
constexpr bool resultFits(ResultKind k) {
    if constexpr (std::is_void_v<R>)
        return k == ResultKind::None;
    else if constexpr (std::is_same_v<R, bool>)
        return k == ResultKind::Bool;
    else if constexpr (std::is_same_v<R, int32_t>)
        return k == ResultKind::Int;
    else if constexpr (std::is_same_v<R, uint32_t>)
        return k == ResultKind::Handle || k == ResultKind::Int;
    else if constexpr (std::is_same_v<R, float>)
        return k == ResultKind::Float;
    else if constexpr (std::is_same_v<R, Vec3>)
        return k == ResultKind::Vec3;
    else if constexpr (std::is_same_v<R, HostString>)
        return k == ResultKind::HostStr;
    else
        return false;
}

template <typename R>
R decode(const uint64_t* slots) {
    if constexpr (std::is_same_v<R, bool>)
        return static_cast<uint32_t>(slots[0]) != 0;
    else if constexpr (std::is_same_v<R, int32_t>)
        return static_cast<int32_t>(static_cast<uint32_t>(slots[0]));
    else if constexpr (std::is_same_v<R, uint32_t>)
        return static_cast<uint32_t>(slots[0]);
    else if constexpr (std::is_same_v<R, float>)
        return bitsFloat(slots[0]);
    else if constexpr (std::is_same_v<R, Vec3>)
        return Vec3{bitsFloat(slots[0]), bitsFloat(slots[1]), bitsFloat(slots[2])};
    else
        return slots[0];  // HostString
}

// The pushed value of slot `slot` of `op`: the catalogue's literal, or the next caller value.
// Resolved at compile time, so a call is a straight run of pushes with no table walk.
template <Op op, std::size_t slot>
inline void pushSlot(const uint64_t* given) {
    constexpr ArgSpec s = opInfo(op).args[slot];
    if constexpr (s.kind == ArgKind::LitInt) {
        nativePush64(static_cast<uint32_t>(s.i));
    } else if constexpr (s.kind == ArgKind::LitFloat) {
        nativePush64(std::bit_cast<uint32_t>(s.f));
    } else if constexpr (s.kind == ArgKind::LitStr) {
        nativePush64(encode(s.s));
    } else {
        constexpr std::size_t k = [] {  // caller values before this slot
            std::size_t n = 0;
            for (std::size_t i = 0; i < slot; ++i)
                if (!isLiteral(opInfo(op).args[i].kind)) ++n;
            return n;
        }();
        nativePush64(given[k]);
    }
}

template <Op op, std::size_t... slot>
inline void pushAll([[maybe_unused]] const uint64_t* given, std::index_sequence<slot...>) {
    (pushSlot<op, slot>(given), ...);
}

}  // namespace host_detail

// Frames one host call of `op`: the caller's arguments fill the catalogue's open slots in order.
template <Op op, typename R = void, typename... A>
R callHost(A... a) {
    constexpr const OpInfo& info = opInfo(op);
    static_assert(sizeof...(A) == userArgCount(op), "wrong number of arguments for this operation");
    static_assert(host_detail::argsMatch<op, A...>(), "argument types do not match the catalogue");
    static_assert(host_detail::resultFits<R>(info.result), "result type does not match the catalogue");

    const uint64_t given[] = {host_detail::encode(a)..., 0};
    nativeInit(info.hash);
    host_detail::pushAll<op>(given, std::make_index_sequence<opInfo(op).argc>{});
    const uint64_t* slots = nativeCall();
    if constexpr (!std::is_void_v<R>) return host_detail::decode<R>(slots);
}

// ---- entities and the player ----
inline bool entityExists(Handle e) { return callHost<Op::entityExists, bool>(e); }
inline Vec3 entityGetCoords(Handle e, int32_t flag) { return callHost<Op::entityGetCoords, Vec3>(e, flag); }
inline float entityGetHeading(Handle e) { return callHost<Op::entityGetHeading, float>(e); }
inline void entitySetHeading(Handle e, float heading) { callHost<Op::entitySetHeading>(e, heading); }
inline void entitySetCoords(Handle e, float x, float y, float z) { callHost<Op::entitySetCoords>(e, x, y, z); }
inline Hash entityGetModel(Handle e) { return callHost<Op::entityGetModel, uint32_t>(e); }
inline void entitySetScriptOwned(Handle e) { callHost<Op::entitySetScriptOwned>(e); }
inline void entityDelete(Handle* e) { callHost<Op::entityDelete>(e); }
inline Handle playerGetPed() { return callHost<Op::playerGetPed, uint32_t>(); }
inline Handle playerGetId() { return callHost<Op::playerGetId, uint32_t>(); }
inline void playerSetGreetingLine(Handle player, const char* line) {
    callHost<Op::playerSetGreetingLine>(player, line);
}
inline bool pedIsGreetedByPlayer(Handle ped, Handle player) {
    return callHost<Op::pedIsGreetedByPlayer, bool>(ped, player);
}
inline bool pedCanSeeEntity(Handle ped, Handle target) { return callHost<Op::pedCanSeeEntity, bool>(ped, target); }
inline bool pedCanSeeCoord(Handle ped, float x, float y, float z) {
    return callHost<Op::pedCanSeeCoord, bool>(ped, x, y, z);
}

// ---- peds ----
inline Handle pedCreate(Hash model, float x, float y, float z) {
    return callHost<Op::pedCreate, uint32_t>(model, x, y, z);
}
inline void pedDelete(Handle* ped) { callHost<Op::pedDelete>(ped); }
inline void pedSpawnOptionD(Handle ped) { callHost<Op::pedSpawnOptionD>(ped); }
inline void pedSpawnOptionA(Handle ped) { callHost<Op::pedSpawnOptionA>(ped); }
inline void pedSpawnOptionB(Handle ped) { callHost<Op::pedSpawnOptionB>(ped); }
inline void pedSpawnOptionC(Handle ped) { callHost<Op::pedSpawnOptionC>(ped); }
inline void pedSetConfigFlag(Handle ped, int32_t flag, bool value) { callHost<Op::pedSetConfigFlag>(ped, flag, value); }
inline void pedSetRelationshipGroup(Handle ped, Hash group) { callHost<Op::pedSetRelationshipGroup>(ped, group); }
inline void pedSetOutfitPreset(Handle ped, int32_t preset) { callHost<Op::pedSetOutfitPreset>(ped, preset); }
inline void pedRefreshAppearance(Handle ped) { callHost<Op::pedRefreshAppearance>(ped); }
inline void pedApplyEquipmentItem(Handle ped, Hash item) { callHost<Op::pedApplyEquipmentItem>(ped, item); }
inline void pedSetVoice(Handle ped, const char* voice) { callHost<Op::pedSetVoice>(ped, voice); }
inline void pedSetName(Handle ped, const char* name) { callHost<Op::pedSetName>(ped, name); }
inline void pedSetGreetingResponse(Handle ped, const char* line) { callHost<Op::pedSetGreetingResponse>(ped, line); }
inline bool pedIsOnMount(Handle ped) { return callHost<Op::pedIsOnMount, bool>(ped); }
inline void pedSetOnMount(Handle ped, Handle mount) { callHost<Op::pedSetOnMount>(ped, mount); }
inline Handle pedGetScenarioPointInUse(Handle ped) { return callHost<Op::pedGetScenarioPointInUse, uint32_t>(ped); }
inline void weaponRemoveFromPed(Handle ped, Hash weapon, Hash reason) {
    callHost<Op::weaponRemoveFromPed>(ped, weapon, reason);
}

// ---- tasks ----
inline void taskClearPedTasks(Handle ped) { callHost<Op::taskClearPedTasks>(ped); }
inline void taskUseScenarioPoint(Handle ped, Handle point, float durationMs) {
    callHost<Op::taskUseScenarioPoint>(ped, point, durationMs);
}
inline void taskWanderInArea(Handle ped, float x, float y, float z, float radius, int32_t flag) {
    callHost<Op::taskWanderInArea>(ped, x, y, z, radius, flag);
}
inline void taskFollowNavMeshToCoord(Handle ped, float x, float y, float z, float a, float b, float heading) {
    callHost<Op::taskFollowNavMeshToCoord>(ped, x, y, z, a, b, heading);
}
inline void taskGoToEntity(Handle ped, Handle target) { callHost<Op::taskGoToEntity>(ped, target); }
inline void taskMountAnimal(Handle ped, Handle mount) { callHost<Op::taskMountAnimal>(ped, mount); }
inline void taskLookAtEntity(Handle ped, Handle target) { callHost<Op::taskLookAtEntity>(ped, target); }
inline int32_t taskGetScriptTaskStatus(Handle ped, Hash task) {
    return callHost<Op::taskGetScriptTaskStatus, int32_t>(ped, task);
}

// ---- scenario points ----
// (a, b) is (0, 0) for activity points and (-1, 1) for sleep points; a travels sign-extended.
inline Handle scenarioPointCreate(Hash type, float x, float y, float z, float heading, int64_t a, int32_t b) {
    return callHost<Op::scenarioPointCreate, uint32_t>(type, x, y, z, heading, a, b);
}
inline bool scenarioPointExists(Handle point) { return callHost<Op::scenarioPointExists, bool>(point); }
inline void scenarioPointDelete(Handle point) { callHost<Op::scenarioPointDelete>(point); }
inline Handle scenarioPointFindNear(float x, float y, float z, Hash type, float radius) {
    return callHost<Op::scenarioPointFindNear, uint32_t>(x, y, z, type, radius);
}
inline bool scenarioPointIsUsableBy(Handle ped, Handle point) {
    return callHost<Op::scenarioPointIsUsableBy, bool>(ped, point);
}
inline Handle scenarioPointGetUser(Handle point) { return callHost<Op::scenarioPointGetUser, uint32_t>(point); }
inline Hash scenarioPointGetType(Handle point) { return callHost<Op::scenarioPointGetType, uint32_t>(point); }
inline Vec3 scenarioPointGetCoords(Handle point) { return callHost<Op::scenarioPointGetCoords, Vec3>(point); }
inline float scenarioPointGetHeading(Handle point) { return callHost<Op::scenarioPointGetHeading, float>(point); }

// ---- models and objects ----
inline bool streamingIsModelValid(Hash model) { return callHost<Op::streamingIsModelValid, bool>(model); }
inline void streamingRequestModel(Hash model, bool flag) { callHost<Op::streamingRequestModel>(model, flag); }
inline bool streamingHasModelLoaded(Hash model) { return callHost<Op::streamingHasModelLoaded, bool>(model); }
inline void streamingReleaseModel(Hash model) { callHost<Op::streamingReleaseModel>(model); }
inline Handle objectCreate(Hash model, float x, float y, float z) {
    return callHost<Op::objectCreate, uint32_t>(model, x, y, z);
}

// ---- time, chance, geometry and story state ----
// The last reading is kept for the log's time stamps: the log itself never asks the host.
inline GameTime lastTimerReading = 0;
inline GameTime gameGetTimer() { return lastTimerReading = callHost<Op::gameGetTimer, int32_t>(); }
inline int32_t clockGetHours() { return callHost<Op::clockGetHours, int32_t>(); }
inline int32_t miscGetRandomInt(int32_t min, int32_t max) { return callHost<Op::miscGetRandomInt, int32_t>(min, max); }
inline float miscGetRandomFloat(float min, float max) { return callHost<Op::miscGetRandomFloat, float>(min, max); }
inline float miscGetDistanceBetweenCoords(float x1, float y1, float z1, float x2, float y2, float z2) {
    return callHost<Op::miscGetDistanceBetweenCoords, float>(x1, y1, z1, x2, y2, z2);
}
inline bool miscGetGroundZ(float x, float y, float z, float* outZ) {
    return callHost<Op::miscGetGroundZ, bool>(x, y, z, outZ);
}
inline Hash miscGetHashKey(const char* name) { return callHost<Op::miscGetHashKey, uint32_t>(name); }
inline bool missionIsActive() { return callHost<Op::missionIsActive, bool>(); }
inline bool missionIsCompleted(Hash mission) { return callHost<Op::missionIsCompleted, bool>(mission); }

// ---- screen and sound ----
inline HostString miscCreateVarString(const char* text) { return callHost<Op::miscCreateVarString, HostString>(text); }
inline void uiSetTextScale(float sx, float sy) { callHost<Op::uiSetTextScale>(sx, sy); }
inline void uiSetTextColour(int32_t r, int32_t g, int32_t b) { callHost<Op::uiSetTextColour>(r, g, b); }
inline void uiDrawText(HostString text, float x, float y) { callHost<Op::uiDrawText>(text, x, y); }
inline void graphicsPlayScreenEffect(const char* name) { callHost<Op::graphicsPlayScreenEffect>(name); }
inline void audioPlayPedSpeech(Handle ped, const void* record) { callHost<Op::audioPlayPedSpeech>(ped, record); }

// ---- small helpers over the wrappers ----
inline float distance(const Vec3& a, const Vec3& b) {
    return miscGetDistanceBetweenCoords(a.x, a.y, a.z, b.x, b.y, b.z);
}
inline Vec3 positionOf(Handle e) { return entityGetCoords(e, 0); }
// A handle that is set and still names something in the world; the host is not asked about 0.
inline bool exists(Handle h) { return h != 0 && entityExists(h); }

}  // namespace tw
