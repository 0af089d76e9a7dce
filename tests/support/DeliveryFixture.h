#pragma once

#include "delivery/CaptureDelivery.h"
#include "fakes/FakeScheduler.h"
#include "fakes/FakeServices.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>

namespace moxilane::test {

// A delivery over fakes of the desktop, with real settings and a real save folder in a
// temporary directory.
struct DeliveryFixture {
    QTemporaryDir home;
    Settings settings{home.filePath(QStringLiteral("Moxilane.conf"))};
    FakeFolderPicker picker;
    SaveLocationStore saveLocation{settings, picker,
                                   XdgTrash(home.filePath(QStringLiteral("Trash")))};
    FakeClipboard clipboard;
    FakeDesktop desktop;
    FakeAlerts alerts;
    FakePreview preview;
    FakeClock clock;
    FakeScheduler scheduler;
    std::vector<std::pair<Capture, SavedFiles>> edits;
    CaptureDelivery delivery{
        {settings, saveLocation, clipboard, desktop, alerts, preview, clock, scheduler},
        [this](const Capture& c, const SavedFiles& saved) {
            edits.push_back({c, saved});
        }};

    QString makeSaveFolder() {
        const QString folder = home.filePath(QStringLiteral("Shots"));
        QDir().mkpath(folder);
        settings.setSaveFolderBookmark(folder);
        return folder;
    }
    QStringList savedFiles() const {
        return QDir(home.filePath(QStringLiteral("Shots"))).entryList(QDir::Files, QDir::Name);
    }
    // Delivers and runs the queue until the delivery has ended.
    bool deliverNow(CaptureList captures) {
        bool done = false;
        delivery.deliver(std::move(captures), [&] { done = true; });
        scheduler.runUntilIdle();
        return done;
    }
};

inline QImage solid(QSize size, QColor colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

}  // namespace moxilane::test
