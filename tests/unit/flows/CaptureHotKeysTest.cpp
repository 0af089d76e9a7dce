#include "DeliveryFixture.h"
#include "fakes/FakeCapture.h"
#include "flows/CaptureHotKeys.h"

#include <gtest/gtest.h>

using namespace moxilane;
using namespace moxilane::test;

TEST(CaptureHotKeys, HeldShortcutIsNamedWithTheCommandThatDoesTheSame) {
    DeliveryFixture d;
    FakePermission permission;
    FakeCaptureService service;
    FakeScreens screens;
    CaptureFlows flows{
        {permission, d.settings, service, screens, d.delivery, d.preview, d.alerts, d.scheduler},
        {}};
    FakeKeyGrabber grabber;
    grabber.refusedKeys = {hotkeys::kKey3};
    HotKeyCenter center(grabber, d.scheduler);

    testing::internal::CaptureStderr();
    registerCaptureHotKeys(center, flows);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "moxilane: Ctrl+Shift+3 is held by another program; bind `moxilane screen` "
              "instead\n");
    ASSERT_EQ(grabber.grabs.size(), 4u);
    for (const auto& grab : grabber.grabs)
        EXPECT_EQ(grab.modifiers, hotkeys::kControl | hotkeys::kShift);
    EXPECT_EQ(grabber.grabs[2].keyCode, hotkeys::kKey4);
    EXPECT_EQ(grabber.grabs[2].hotKey.id, 4u);
    EXPECT_EQ(grabber.grabs[3].keyCode, hotkeys::kKey5);
}
