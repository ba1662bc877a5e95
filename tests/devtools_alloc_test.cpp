// The overlay allocates nothing in steady state. Counted by replacing the global operator new
// of this test binary, which the loaded plug-in also calls; counting is off unless a test
// turns it on, and the counter is atomic because the keyboard tests allocate on a thread.
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "devtools/overlay.h"
#include "frame/key_state.h"
#include "plugin_fixture.h"
#include "visit/scheduler.h"
#include "visit/visitor_state.h"

namespace {

std::atomic<bool> gCounting{false};
std::atomic<uint64_t> gAllocations{0};

void* allocate(std::size_t bytes) {
    if (gCounting.load(std::memory_order_relaxed)) gAllocations.fetch_add(1, std::memory_order_relaxed);
    for (;;) {
        if (void* p = std::malloc(bytes ? bytes : 1)) return p;
        std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}

}  // namespace

void* operator new(std::size_t bytes) { return allocate(bytes); }
void* operator new[](std::size_t bytes) { return allocate(bytes); }
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
    try {
        return allocate(bytes);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t bytes, const std::nothrow_t& tag) noexcept { return operator new(bytes, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

using host::gHost;
using host::overrideOf;
using tw::Op;

// Counts the allocations made while it lives.
struct AllocationCount {
    AllocationCount() {
        gAllocations = 0;
        gCounting = true;
    }
    ~AllocationCount() { gCounting = false; }
    uint64_t now() const { return gAllocations.load(); }
};

struct OverlayAllocationTest : twtest::PluginTest {
    // The host's own records of texts and calls allocate; answer the text operations without
    // keeping anything and stop tracing, so only the plug-in's allocations are counted.
    void quietHost() {
        gHost.traceEnabled = false;
        overrideOf(Op::miscCreateVarString) = [](host::Call& c, host::World&) {
            c.result[0] = 1;
            return true;
        };
        overrideOf(Op::uiDrawText) = [](host::Call&, host::World&) { return true; };
    }
};

TEST_F(OverlayAllocationTest, CounterSeesAllocationsInThePlugin) {
    load(true);
    gHost.world.missionActive = true;
    ASSERT_TRUE(runUntilReady());
    quietHost();
    gHost.globalAllocFails = true;  // the capture falls back to the file and keeps the host quiet
    AllocationCount count;
    host::sendKey(tw::kKeyF1);  // the capture builds its clipboard text as a string
    host::runFrame();
    EXPECT_GT(count.now(), 0u);
}

TEST_F(OverlayAllocationTest, LongRunWithTheOverlayOnAllocatesNothing) {
    load(true);
    gHost.world.missionActive = true;
    ASSERT_TRUE(runUntilReady());
    quietHost();
    host::runFor(1000);
    const uint64_t drawsBefore = host::countOf(Op::uiDrawText);
    AllocationCount count;
    host::runFor(600000);  // ten minutes of frames
    EXPECT_EQ(count.now(), 0u);
    EXPECT_GT(host::countOf(Op::uiDrawText), drawsBefore + 5 * 18000);
}

// Every line of both visitor blocks, drawn pass after pass.
TEST_F(OverlayAllocationTest, FullestOverlayAllocatesNothing) {
    quietHost();
    tw::visit.visitActive = true;
    for (tw::VisitorState* v : {&tw::sadie, &tw::charles}) {
        v->ped = host::spawnEntity(gHost.world, host::EntityKind::Ped, 7, {}, true);
        v->isSleeping = true;
        v->isDeparting = true;
        v->departStartTime = -123456;
    }
    twtest::ScriptScope scope;
    tw::drawOverlay();
    AllocationCount count;
    for (int i = 0; i < 1000; ++i) tw::drawOverlay();
    EXPECT_EQ(count.now(), 0u);
    EXPECT_EQ(host::countOf(Op::uiDrawText), 1001u * 14u);
}

// The log on: waiting passes write nothing and allocate nothing; a changed reason writes its
// line without allocating either.
TEST_F(OverlayAllocationTest, WaitingWithTheLogOnAllocatesNothing) {
    writeIni("[Settings]\nlog=1\n");
    load(true);
    gHost.world.completedMissions.clear();  // the story holds the visit back
    ASSERT_TRUE(runUntilReady());
    quietHost();
    host::runFor(1000);
    const auto logSize = [this] { return std::filesystem::file_size(workDir + "/tamberwick.log"); };
    const auto before = logSize();
    uint64_t allocations = 0;
    {
        AllocationCount count;
        host::runFor(600000);
        allocations = count.now();
    }
    EXPECT_EQ(logSize(), before);
    {
        AllocationCount count;
        gHost.world.missionActive = true;  // now a mission does: one line
        host::runFor(10000);
        allocations += count.now();
    }
    EXPECT_EQ(allocations, 0u);
    EXPECT_GT(logSize(), before);
}

}  // namespace
