#include "fakes/FakeCapture.h"
#include "fakes/FakeScheduler.h"
#include "flows/HotKeyCenter.h"

#include <gtest/gtest.h>

using namespace moxilane;
using namespace moxilane::test;

namespace {

struct Fixture {
    FakeKeyGrabber grabber;
    FakeScheduler scheduler;
    HotKeyCenter center{grabber, scheduler};
    std::vector<int> ran;

    std::vector<bool> registerFour() {
        std::vector<bool> grabbed;
        for (std::uint32_t key : {18u, 19u, 20u, 21u})
            grabbed.push_back(
                center.registerHotKey(key, 4608, [this, key] { ran.push_back(int(key)); }));
        return grabbed;
    }
};

}  // namespace

TEST(HotKeyCenter, IdentifiersCountFromOneAndSurviveRefusalsAndActionsRunOncePerPressAfterIt) {
    Fixture f;
    f.grabber.refusedKeys = {19};
    EXPECT_EQ(f.registerFour(), (std::vector<bool>{true, false, true, true}));
    EXPECT_TRUE(f.center.registerHotKey(22, 4608, [&] { f.ran.push_back(22); }));

    ASSERT_EQ(f.grabber.grabs.size(), 4u);  // 1, 3, 4 and the fifth
    EXPECT_EQ(f.grabber.grabs[0].hotKey.id, 1u);
    EXPECT_EQ(f.grabber.grabs[1].hotKey.id, 3u);
    EXPECT_EQ(f.grabber.grabs[3].hotKey.id, 5u);
    EXPECT_EQ(f.grabber.grabs[0].hotKey.signature, 0x4D584C4Eu);
    EXPECT_EQ(f.grabber.grabs[0].modifiers, 4608u);

    for (std::uint32_t id : {3u, 4u, 4u, 99u})  // 99: nothing registered
        f.grabber.press(id);
    EXPECT_TRUE(f.ran.empty());  // queued, not run inside the event handler
    f.scheduler.runUntilIdle();
    EXPECT_EQ(f.ran, (std::vector<int>{20, 21, 21}));
}
