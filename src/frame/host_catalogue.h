// The host operation catalogue: every host operation the plug-in calls, written once.
// The typed wrappers in host_ops.h and the simulated host's decoder both read this table,
// so an operation's hash and argument list live here and nowhere else.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tw {

enum class Op : uint8_t {
    // entities and the player
    entityExists,
    entityGetCoords,
    entityGetHeading,
    entitySetHeading,
    entitySetCoords,
    entityGetModel,
    entitySetScriptOwned,
    entityDelete,
    playerGetPed,
    playerGetId,
    playerSetGreetingLine,
    pedIsGreetedByPlayer,
    pedCanSeeEntity,
    pedCanSeeCoord,
    // peds
    pedCreate,
    pedDelete,
    pedSpawnOptionD,
    pedSpawnOptionA,
    pedSpawnOptionB,
    pedSpawnOptionC,
    pedSetConfigFlag,
    pedSetRelationshipGroup,
    pedSetOutfitPreset,
    pedRefreshAppearance,
    pedApplyEquipmentItem,
    pedSetVoice,
    pedSetName,
    pedSetGreetingResponse,
    pedIsOnMount,
    pedSetOnMount,
    pedGetScenarioPointInUse,
    weaponRemoveFromPed,
    // tasks
    taskClearPedTasks,
    taskUseScenarioPoint,
    taskWanderInArea,
    taskFollowNavMeshToCoord,
    taskGoToEntity,
    taskMountAnimal,
    taskLookAtEntity,
    taskGetScriptTaskStatus,
    // scenario points
    scenarioPointCreate,
    scenarioPointExists,
    scenarioPointDelete,
    scenarioPointFindNear,
    scenarioPointIsUsableBy,
    scenarioPointGetUser,
    scenarioPointGetType,
    scenarioPointGetCoords,
    scenarioPointGetHeading,
    // models and objects
    streamingIsModelValid,
    streamingRequestModel,
    streamingHasModelLoaded,
    streamingReleaseModel,
    objectCreate,
    // time, chance, geometry and story state
    gameGetTimer,
    clockGetHours,
    miscGetRandomInt,
    miscGetRandomFloat,
    miscGetDistanceBetweenCoords,
    miscGetGroundZ,
    miscGetHashKey,
    missionIsActive,
    missionIsCompleted,
    // screen and sound
    miscCreateVarString,
    uiSetTextScale,
    uiSetTextColour,
    uiDrawText,
    graphicsPlayScreenEffect,
    audioPlayPedSpeech,
    Count
};

inline constexpr std::size_t kOpCount = static_cast<std::size_t>(Op::Count);
inline constexpr std::size_t kMaxArgs = 10;

// How one pushed 64-bit slot is filled. The Lit* kinds are values the plug-in always passes
// in that position; a wrapper takes no parameter for them.
enum class ArgKind : uint8_t {
    Int,      // i32, high half zero
    Bool,     // 0 or 1, high half zero
    Float,    // f32 bit pattern, high half zero
    Handle,   // u32 entity, ped, object, point or player index
    Hash,     // u32 name hash
    Str,      // address of a NUL-terminated string, or 0
    Ptr,      // address of an out-value or record
    HostStr,  // 64-bit host string, passed through whole
    Int64,    // i32 sign-extended to all 64 bits (the one exception to the 32-bit rule)
    LitInt,
    LitFloat,
    LitStr,
};

enum class ResultKind : uint8_t { None, Bool, Int, Handle, Float, Vec3, HostStr };

// What an argument names, for the host and the tools that follow handles through calls.
enum class ArgRole : uint8_t {
    Plain,       // a value
    Entity,      // an entity handle: ped, horse or object
    Point,       // a scenario point handle
    Player,      // the player's index, which names no entity
    EntitySlot,  // address of the caller's variable holding an entity handle, which the call zeroes
};

struct ArgSpec {
    ArgKind kind = ArgKind::Int;
    const char* name = "";    // the host's name for it; the tools read arguments by it
    int32_t i = 0;            // LitInt
    float f = 0.0f;           // LitFloat
    const char* s = nullptr;  // LitStr
    ArgRole role = ArgRole::Plain;
};

// A caller's value; a handle names an entity unless its role says otherwise.
constexpr ArgSpec in(ArgKind kind, const char* name, ArgRole role) { return {kind, name, 0, 0.0f, nullptr, role}; }
constexpr ArgSpec in(ArgKind kind, const char* name) {
    return in(kind, name, kind == ArgKind::Handle ? ArgRole::Entity : ArgRole::Plain);
}
constexpr ArgSpec lit(int32_t v, const char* name = "") {
    return {ArgKind::LitInt, name, v, 0.0f, nullptr, ArgRole::Plain};
}
constexpr ArgSpec litf(float v) { return {ArgKind::LitFloat, "", 0, v, nullptr, ArgRole::Plain}; }
constexpr ArgSpec lits(const char* v) { return {ArgKind::LitStr, "", 0, 0.0f, v, ArgRole::Plain}; }

constexpr bool isLiteral(ArgKind k) { return k == ArgKind::LitInt || k == ArgKind::LitFloat || k == ArgKind::LitStr; }

struct OpInfo {
    Op op;
    const char* name;
    uint64_t hash;
    uint8_t argc;  // slots pushed, literals included
    std::array<ArgSpec, kMaxArgs> args;
    ResultKind result;
};

namespace catalogue_detail {
using K = ArgKind;
using R = ResultKind;

template <typename... A>
constexpr OpInfo row(Op op, const char* name, uint64_t hash, R result, A... a) {
    static_assert(sizeof...(A) <= kMaxArgs);
    return OpInfo{op, name, hash, static_cast<uint8_t>(sizeof...(A)), {ArgSpec(a)...}, result};
}

constexpr ArgSpec entity = in(K::Handle, "entity");
constexpr ArgSpec ped = in(K::Handle, "ped");
constexpr ArgSpec target = in(K::Handle, "target");
constexpr ArgSpec point = in(K::Handle, "point", ArgRole::Point);
constexpr ArgSpec player = in(K::Handle, "player", ArgRole::Player);
constexpr ArgSpec handleSlot = in(K::Ptr, "handleAddress", ArgRole::EntitySlot);
constexpr ArgSpec x = in(K::Float, "x");
constexpr ArgSpec y = in(K::Float, "y");
constexpr ArgSpec z = in(K::Float, "z");
}  // namespace catalogue_detail

// clang-format off
inline constexpr std::array<OpInfo, kOpCount> kCatalogue = [] {
    using namespace catalogue_detail;
    return std::array<OpInfo, kOpCount>{{
        row(Op::entityExists, "entityExists", 0xD42BD6EB2E0F1677, R::Bool, entity),
        row(Op::entityGetCoords, "entityGetCoords", 0xA86D5F069399F44D, R::Vec3, entity, in(K::Int, "flag"), lit(0)),
        row(Op::entityGetHeading, "entityGetHeading", 0xC230DD956E2F5507, R::Float, entity),
        row(Op::entitySetHeading, "entitySetHeading", 0xCF2B9C0645C4651B, R::None, entity, in(K::Float, "heading")),
        row(Op::entitySetCoords, "entitySetCoords", 0x06843DA7060A026B, R::None, entity, x, y, z, lit(0), lit(0), lit(0), lit(1)),
        row(Op::entityGetModel, "entityGetModel", 0xDA76A9F39210D365, R::Int, entity),
        row(Op::entitySetScriptOwned, "entitySetScriptOwned", 0xDC19C288082E586E, R::None, entity, lit(1), lit(1)),
        row(Op::entityDelete, "entityDelete", 0x4971D2F8162B9674, R::None, handleSlot),
        row(Op::playerGetPed, "playerGetPed", 0x096275889B8E0EE0, R::Handle),
        row(Op::playerGetId, "playerGetId", 0x217E9DC48139933D, R::Handle),
        row(Op::playerSetGreetingLine, "playerSetGreetingLine", 0xC6366A585659D15C, R::None, player, in(K::Str, "line")),
        row(Op::pedIsGreetedByPlayer, "pedIsGreetedByPlayer", 0x9337183FDA2E9035, R::Bool, ped, player),
        row(Op::pedCanSeeEntity, "pedCanSeeEntity", 0xFCDFF7B72D23A1AC, R::Bool, ped, target, lit(17)),
        row(Op::pedCanSeeCoord, "pedCanSeeCoord", 0x0C9DBF48C6BA6E4C, R::Bool, ped, x, y, z, lit(17)),

        row(Op::pedCreate, "pedCreate", 0xD49F9B0955C367DE, R::Handle, in(K::Hash, "model"), x, y, z, litf(0.0f), lit(0), lit(0), lit(0), lit(0)),
        row(Op::pedDelete, "pedDelete", 0x4CD38C78BD19A497, R::None, handleSlot),
        row(Op::pedSpawnOptionD, "pedSpawnOptionD", 0x9587913B9E772D29, R::None, ped, lit(1)),
        row(Op::pedSpawnOptionA, "pedSpawnOptionA", 0xA5C38736C426FCB8, R::None, ped, lit(1)),
        row(Op::pedSpawnOptionB, "pedSpawnOptionB", 0x2EB75FB86C41F026, R::None, ped, lit(1), lit(0)),
        row(Op::pedSpawnOptionC, "pedSpawnOptionC", 0x919BE13EED931959, R::None, ped, lit(-1)),
        row(Op::pedSetConfigFlag, "pedSetConfigFlag", 0x1913FE4CBF41C463, R::None, ped, in(K::Int, "flag"), in(K::Bool, "value")),
        row(Op::pedSetRelationshipGroup, "pedSetRelationshipGroup", 0xC80A74AC829DDD92, R::None, ped, in(K::Hash, "group")),
        row(Op::pedSetOutfitPreset, "pedSetOutfitPreset", 0x77FF8D35EEC6BBC4, R::None, ped, in(K::Int, "preset"), lit(0)),
        row(Op::pedRefreshAppearance, "pedRefreshAppearance", 0xCC8CA3E88256E58F, R::None, ped, lit(1), lit(1), lit(1), lit(1), lit(1)),
        row(Op::pedApplyEquipmentItem, "pedApplyEquipmentItem", 0xD3A7B003ED343FD9, R::None, ped, in(K::Hash, "item"), lit(1), lit(0), lit(0)),
        row(Op::pedSetVoice, "pedSetVoice", 0x6C8065A3B780185B, R::None, ped, in(K::Str, "voice")),
        row(Op::pedSetName, "pedSetName", 0x4A48B6E03BABB4AC, R::None, ped, in(K::Str, "name")),
        row(Op::pedSetGreetingResponse, "pedSetGreetingResponse", 0x20C5459379D75C1C, R::None, ped, in(K::Str, "line")),
        row(Op::pedIsOnMount, "pedIsOnMount", 0x460BC76A0E10655E, R::Bool, ped),
        row(Op::pedSetOnMount, "pedSetOnMount", 0x028F76B6E78246EB, R::None, ped, in(K::Handle, "mount"), lit(-1), lit(1)),
        row(Op::pedGetScenarioPointInUse, "pedGetScenarioPointInUse", 0xDF7993356F52359A, R::Handle, ped, lit(1)),
        row(Op::weaponRemoveFromPed, "weaponRemoveFromPed", 0x4899CB088EDF59B8, R::None, ped, in(K::Hash, "weapon"), lit(1), in(K::Hash, "reason")),

        row(Op::taskClearPedTasks, "taskClearPedTasks", 0xE1EF3C1216AFF2CD, R::None, ped, lit(1), lit(0)),
        row(Op::taskUseScenarioPoint, "taskUseScenarioPoint", 0xCCDAE6324B6A821C, R::None, ped, point, lit(0), lit(0), lit(1), lit(0), lit(0), lit(0), in(K::Float, "duration"), lit(0)),
        row(Op::taskWanderInArea, "taskWanderInArea", 0xE054346CA3A0F315, R::None, ped, x, y, z, in(K::Float, "radius"), litf(1.0f), litf(1.0f), in(K::Int, "flag")),
        row(Op::taskFollowNavMeshToCoord, "taskFollowNavMeshToCoord", 0x15D3A79D4E44B913, R::None, ped, x, y, z, in(K::Float, "a"), lit(-1), in(K::Float, "b"), lit(0), in(K::Float, "heading")),
        row(Op::taskGoToEntity, "taskGoToEntity", 0x6A071245EB0D1882, R::None, ped, target, lit(-1), litf(2.0f), litf(1.0f), litf(0.0f), lit(0)),
        row(Op::taskMountAnimal, "taskMountAnimal", 0x92DB0739813C5186, R::None, ped, in(K::Handle, "mount"), lit(-1), lit(-1), litf(2.0f), lit(1), lit(0), lit(0)),
        row(Op::taskLookAtEntity, "taskLookAtEntity", 0x69F4BE8C8CC4796C, R::None, ped, target, lit(2000), lit(2048), lit(3), lit(0)),
        row(Op::taskGetScriptTaskStatus, "taskGetScriptTaskStatus", 0x77F1BEB8863288D5, R::Int, ped, in(K::Hash, "task"), lit(1)),

        row(Op::scenarioPointCreate, "scenarioPointCreate", 0x94B745CE41DB58A1, R::Handle, in(K::Hash, "type"), x, y, z, in(K::Float, "heading"), lit(0), in(K::Int64, "a"), in(K::Int, "b")),
        row(Op::scenarioPointExists, "scenarioPointExists", 0x841475AC96E794D1, R::Bool, point),
        row(Op::scenarioPointDelete, "scenarioPointDelete", 0x81948DFE4F5A0283, R::None, point),
        row(Op::scenarioPointFindNear, "scenarioPointFindNear", 0xF533D68FF970D190, R::Handle, x, y, z, in(K::Hash, "type"), in(K::Float, "radius"), lit(1), lit(0)),
        row(Op::scenarioPointIsUsableBy, "scenarioPointIsUsableBy", 0xAB643407D0B26F07, R::Bool, ped, point, lit(0), lit(0), lit(1)),
        row(Op::scenarioPointGetUser, "scenarioPointGetUser", 0x5BA659955369B0E2, R::Handle, point),
        row(Op::scenarioPointGetType, "scenarioPointGetType", 0xA92450B5AE687AAF, R::Int, point),
        row(Op::scenarioPointGetCoords, "scenarioPointGetCoords", 0xA8452DD321607029, R::Vec3, point, lit(1)),
        row(Op::scenarioPointGetHeading, "scenarioPointGetHeading", 0xB93EA7184BAA85C3, R::Float, point, lit(1)),

        row(Op::streamingIsModelValid, "streamingIsModelValid", 0x392C8D8E07B70EFC, R::Bool, in(K::Hash, "model")),
        row(Op::streamingRequestModel, "streamingRequestModel", 0xFA28FE3A6246FC30, R::None, in(K::Hash, "model"), in(K::Bool, "flag")),
        row(Op::streamingHasModelLoaded, "streamingHasModelLoaded", 0x1283B8B89DD5D1B6, R::Bool, in(K::Hash, "model")),
        row(Op::streamingReleaseModel, "streamingReleaseModel", 0x4AD96EF928BD4F9A, R::None, in(K::Hash, "model")),
        row(Op::objectCreate, "objectCreate", 0x509D5878EB39E842, R::Handle, in(K::Hash, "model"), x, y, z, lit(1), lit(1), lit(1), lit(0), lit(0)),

        row(Op::gameGetTimer, "gameGetTimer", 0x4F67E8ECA7D3F667, R::Int),
        row(Op::clockGetHours, "clockGetHours", 0xC82CF208C2B19199, R::Int),
        row(Op::miscGetRandomInt, "miscGetRandomInt", 0xD53343AA4FB7DD28, R::Int, in(K::Int, "min"), in(K::Int, "max")),
        row(Op::miscGetRandomFloat, "miscGetRandomFloat", 0xE29F927A961F8AAA, R::Float, in(K::Float, "min"), in(K::Float, "max")),
        row(Op::miscGetDistanceBetweenCoords, "miscGetDistanceBetweenCoords", 0x2A488C176D52CCA5, R::Float, in(K::Float, "x1"), in(K::Float, "y1"), in(K::Float, "z1"), in(K::Float, "x2"), in(K::Float, "y2"), in(K::Float, "z2")),
        row(Op::miscGetGroundZ, "miscGetGroundZ", 0x24FA4267BB8D2431, R::Bool, x, y, z, in(K::Ptr, "outZ"), lit(1)),
        row(Op::miscGetHashKey, "miscGetHashKey", 0xFD340785ADF8CFB7, R::Int, in(K::Str, "name")),
        row(Op::missionIsActive, "missionIsActive", 0xB15CD1CF58771DE1, R::Bool),
        row(Op::missionIsCompleted, "missionIsCompleted", 0xE54DC27571D5EDC4, R::Bool, in(K::Hash, "mission")),

        row(Op::miscCreateVarString, "miscCreateVarString", 0xFA925AC00EB830B9, R::HostStr, lit(10), lits("LITERAL_STRING"), in(K::Str, "text")),
        row(Op::uiSetTextScale, "uiSetTextScale", 0xA1253A3C870B6843, R::None, in(K::Float, "scaleX"), in(K::Float, "scaleY")),
        row(Op::uiSetTextColour, "uiSetTextColour", 0x16FA5CE47F184F1E, R::None, in(K::Int, "r"), in(K::Int, "g"), in(K::Int, "b"), lit(255, "alpha")),
        row(Op::uiDrawText, "uiDrawText", 0x16794E044C9EFB58, R::None, in(K::HostStr, "text"), x, y),
        row(Op::graphicsPlayScreenEffect, "graphicsPlayScreenEffect", 0x4102732DF6B4005F, R::None, in(K::Str, "name")),
        row(Op::audioPlayPedSpeech, "audioPlayPedSpeech", 0x8E04FEDD28D42462, R::None, ped, in(K::Ptr, "speechRecord")),
    }};
}();
// clang-format on

// What taskGetScriptTaskStatus answers, as far as the plug-in tells the answers apart; the
// simulated host answers with the same values.
inline constexpr int32_t kTaskWaitingToStart = 0;  // given, not begun yet
inline constexpr int32_t kTaskRunning = 1;
inline constexpr int32_t kTaskNotFound = 7;  // never given, or cleared
inline constexpr int32_t kTaskFinished = 8;

constexpr const OpInfo& opInfo(Op op) { return kCatalogue[static_cast<std::size_t>(op)]; }

// A role fits its kind: handles name entities, points or the player; an entity slot is an address.
constexpr bool roleFits(const ArgSpec& a) {
    switch (a.role) {
        case ArgRole::Plain:
            return a.kind != ArgKind::Handle;
        case ArgRole::Entity:
        case ArgRole::Point:
        case ArgRole::Player:
            return a.kind == ArgKind::Handle;
        case ArgRole::EntitySlot:
            return a.kind == ArgKind::Ptr;
    }
    return false;
}

// No two of a row's named arguments share a name, so a name finds one argument.
constexpr bool namesAreUnique(const OpInfo& info) {
    for (std::size_t a = 0; a < info.argc; ++a)
        for (std::size_t b = a + 1; b < info.argc; ++b)
            if (*info.args[a].name && std::string_view(info.args[a].name) == info.args[b].name) return false;
    return true;
}

// Rows must sit at their enum's index, no two operations may share a hash, every argument's role
// fits its kind and a row's names are its own.
constexpr bool catalogueIsConsistent() {
    for (std::size_t i = 0; i < kOpCount; ++i) {
        if (static_cast<std::size_t>(kCatalogue[i].op) != i) return false;
        if (!namesAreUnique(kCatalogue[i])) return false;
        for (std::size_t a = 0; a < kCatalogue[i].argc; ++a)
            if (!roleFits(kCatalogue[i].args[a])) return false;
        for (std::size_t j = i + 1; j < kOpCount; ++j)
            if (kCatalogue[i].hash == kCatalogue[j].hash) return false;
    }
    return true;
}
static_assert(kOpCount == 69, "the host catalogue holds 69 operations");
static_assert(catalogueIsConsistent(), "catalogue rows out of order, hashes repeated, or an argument ill named");

constexpr std::size_t userArgCount(Op op) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < opInfo(op).argc; ++i)
        if (!isLiteral(opInfo(op).args[i].kind)) ++n;
    return n;
}

// An argument's name as a template argument: argIndex<Op::pedSetName, "name">().
template <std::size_t N>
struct ArgName {
    char text[N]{};
    constexpr ArgName(const char (&s)[N]) {
        for (std::size_t i = 0; i < N; ++i) text[i] = s[i];
    }
    constexpr std::string_view view() const { return {text, N - 1}; }
};

// The slot of op's argument called name; kMaxArgs when the row has none.
constexpr std::size_t findArg(Op op, std::string_view name) {
    for (std::size_t i = 0; i < opInfo(op).argc; ++i)
        if (!name.empty() && name == opInfo(op).args[i].name) return i;
    return kMaxArgs;
}

// The slot of an argument, found by its name in the row at compile time, for the host and the
// tools that read a call's arguments.
template <Op op, ArgName name>
constexpr std::size_t argIndex() {
    constexpr std::size_t i = findArg(op, name.view());
    static_assert(i < kMaxArgs, "the operation's catalogue row has no argument of that name");
    return i;
}

}  // namespace tw
