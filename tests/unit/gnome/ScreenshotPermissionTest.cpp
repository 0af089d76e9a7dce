#include "platform/wayland/gnome/ScreenshotPermission.h"

#include "fakes/FakeServices.h"

#include <gtest/gtest.h>

using namespace moxilane;
using namespace moxilane::wayland;

namespace {

class FakeStore final : public ScreenshotPermissionStore {
public:
    std::expected<std::optional<QStringList>, QString> lookup() override { return stored; }
    std::expected<void, QString> forget() override {
        if (!forgetError.isEmpty()) return std::unexpected(forgetError);
        stored = std::optional<QStringList>();
        return {};
    }
    std::expected<std::optional<QStringList>, QString> stored;
    QString forgetError;
};

}  // namespace

// GNOME's stored answer decides whether a capture may start; a denial is forgotten on
// request, so that GNOME's question comes back, and the alert says what happens next.
TEST(ScreenshotPermission, StoredAnswerDecidesAndADenialIsAskedAgain) {
    using Stored = std::expected<std::optional<QStringList>, QString>;
    const struct {
        const char* name;
        Stored stored;
        QString forgetError;
        bool mayStart;
        const char* alertSays;  // after request(); empty: not asked
    } rows[] = {
        {"never asked", std::optional<QStringList>(), {}, true, ""},
        {"granted", QStringList{"yes"}, {}, true, ""},
        {"ask each time", QStringList{"ask"}, {}, true, ""},
        {"store unreadable", std::unexpected(QString("no bus")), {}, true, ""},
        {"denied", QStringList{"no"}, {}, false, "GNOME will ask once more"},
        {"denied, store read-only", QStringList{"no"}, "read-only", false, "read-only"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto store = std::make_unique<FakeStore>();
        FakeStore& fake = *store;
        fake.stored = row.stored;
        fake.forgetError = row.forgetError;
        test::FakeAlerts alerts;
        ScreenshotPermission permission(std::move(store), alerts);
        EXPECT_EQ(permission.preflight(), row.mayStart);
        if (row.mayStart) continue;
        permission.request();
        ASSERT_EQ(alerts.shown.size(), 1u);
        EXPECT_EQ(alerts.shown[0].message, ScreenshotPermission::alertMessage());
        EXPECT_TRUE(alerts.shown[0].text.contains(QString(row.alertSays)));
        EXPECT_EQ(permission.preflight(), row.forgetError.isEmpty());
    }
}
