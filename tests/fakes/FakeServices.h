#pragma once

#include "delivery/PreviewPresenter.h"
#include "platform/Services.h"

#include <QDateTime>
#include <QStringList>

#include <functional>
#include <vector>

namespace moxilane::test {

struct Alert {
    QString message;
    QString text;
};

class FakeAlerts final : public Alerts {
public:
    void showAlert(const QString& message, const QString& informativeText) override {
        shown.push_back({message, informativeText});
        if (onShow) onShow();
    }
    std::vector<Alert> shown;
    std::function<void()> onShow;  // runs while the alert is "open"
};

class FakeClipboard final : public Clipboard {
public:
    void setPngImage(const QByteArray& bytes) override { png = bytes, ++writes; }
    void setText(const QString& value) override { text = value, ++writes; }
    bool holdsImage() const override { return !png.isEmpty(); }
    void clear() override { png.clear(), ++clears; }
    bool copiesNow() const override { return !refuses; }
    void holdForImage() override { ++holds; }
    bool refuses = false;  // as a desktop that takes a copy only from a window in use
    int holds = 0;
    QByteArray png;
    QString text;
    int writes = 0;
    int clears = 0;
};

// Records every request; refuses each with `refusal` when it is set.
class FakeDesktop final : public Desktop {
public:
    std::expected<void, QString> openFile(const QString& path) override {
        return opened << path, answer();
    }
    std::expected<void, QString> revealFolder(const QString& path) override {
        return revealed << path, answer();
    }
    std::vector<DesktopApplication> applicationsFor(const QString&) override {
        return applications;
    }
    std::expected<void, QString> launch(const DesktopApplication& application,
                                        const QString& path) override {
        return launched << application.id + ' ' + path, answer();
    }
    std::expected<void, QString> copyFile(const QString& path) override {
        return copied << path, answer();
    }
    std::expected<void, QString> answer() const {
        if (refusal) return std::unexpected(*refusal);
        return {};
    }
    std::vector<DesktopApplication> applications;
    std::optional<QString> refusal;
    QStringList opened, revealed, launched, copied;
};

class FakeFolderPicker final : public FolderPicker {
public:
    std::optional<QString> pickFolder(const QString& message, const QString&) override {
        return ++asked, lastMessage = message, answer;
    }
    std::optional<QString> answer;
    int asked = 0;
    QString lastMessage;
};

class FakeClock final : public Clock {
public:
    QDateTime now() const override { return time; }
    QDateTime time{QDate(2024, 3, 5), QTime(14, 7, 9, 123)};
};

class FakePermission final : public CapturePermission {
public:
    bool preflight() override { return granted; }
    void request() override { ++requests; }
    void openSettings() override { ++settingsOpened; }
    bool granted = true;
    int requests = 0;
    int settingsOpened = 0;
};

class FakePreview final : public PreviewPresenter {
public:
    void show(const QImage& image, double scale, PreviewActions actions) override {
        shown.push_back({image, scale, actions.saved, actions.copied, actions.copyRefused});
        lastOnEdit = std::move(actions.edit), lastOnPin = std::move(actions.pin);
        if (onShow) onShow();
    }
    void dismiss(bool animated) override { dismissals.push_back(animated); }
    bool leavesSoon() const override { return leaves; }
    bool leaves = true;
    struct Shown {
        QImage image;
        double scale;
        bool saved, copied, copyRefused;
    };
    std::vector<Shown> shown;
    std::vector<bool> dismissals;
    std::function<void()> lastOnEdit;
    std::function<void()> lastOnPin;
    std::function<void()> onShow;
};

}  // namespace moxilane::test
