#include "platform/wayland/kde/KWinWindowList.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QEventLoop>
#include <QTemporaryFile>
#include <QTimer>

#include <unistd.h>

#include <atomic>
#include <optional>

namespace moxilane::wayland {

namespace {

const QString kKWin = QStringLiteral("org.kde.KWin");
const QString kScripting = QStringLiteral("org.kde.kwin.Scripting");
const QString kReportInterface = QStringLiteral("io.github.moxilane.WindowReport");

CaptureError listError(const QString& why) {
    return CaptureError{CaptureError::Kind::Refused, QStringLiteral("KWin's window list: ") + why};
}

QDBusMessage callKWin(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(kKWin, path, interface, method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 3000);
}

}  // namespace

// Receives the script's one report in the waiting thread's own event loop.
class KWinWindowReport final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.moxilane.WindowReport")
public:
    QEventLoop loop;
    std::optional<QByteArray> report;

public slots:
    void windows(const QString& json) {
        report = json.toUtf8();
        loop.quit();
    }
};

namespace {

// Loads the script file into KWin under name and starts it; the caller unloads it.
std::expected<void, CaptureError> runKWinScript(const QString& fileName, const QString& name) {
    const QDBusMessage loaded = callKWin(QStringLiteral("/Scripting"), kScripting,
                                         QStringLiteral("loadScript"), {fileName, name});
    const int id = loaded.arguments().value(0).toInt();
    if (loaded.type() != QDBusMessage::ReplyMessage || id < 0)
        return std::unexpected(listError(loaded.errorMessage().isEmpty()
                                             ? QStringLiteral("KWin refused the script")
                                             : loaded.errorMessage()));
    // Plasma 5 puts a loaded script at /<id>, Plasma 6 at /Scripting/Script<id>.
    QDBusMessage ran = callKWin(QStringLiteral("/%1").arg(id),
                                QStringLiteral("org.kde.kwin.Script"), QStringLiteral("run"));
    if (ran.type() != QDBusMessage::ReplyMessage)
        ran = callKWin(QStringLiteral("/Scripting/Script%1").arg(id),
                       QStringLiteral("org.kde.kwin.Script"), QStringLiteral("run"));
    if (ran.type() != QDBusMessage::ReplyMessage)
        return std::unexpected(listError(ran.errorMessage()));
    return {};
}

// Our object on the bus for as long as this lives.
class Registration {
public:
    Registration(QDBusConnection bus, QString path, QObject* object)
        : m_bus(std::move(bus)),
          m_path(std::move(path)),
          m_registered(m_bus.registerObject(m_path, object, QDBusConnection::ExportAllSlots)) {}
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;
    ~Registration() {
        if (m_registered) m_bus.unregisterObject(m_path);
    }
    bool isRegistered() const { return m_registered; }

private:
    QDBusConnection m_bus;
    QString m_path;
    bool m_registered;
};

}  // namespace

std::expected<std::vector<KWinWindow>, CaptureError> listKWinWindows(
    const std::vector<KWinOutputScale>& outputs, std::chrono::milliseconds timeout) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return std::unexpected(listError(QStringLiteral("no session bus")));
    static std::atomic<unsigned> counter{0};
    const QString name = QStringLiteral("moxilane_windows_%1_%2").arg(::getpid()).arg(++counter);
    const QString objectPath = QStringLiteral("/io/github/moxilane/") + name;

    KWinWindowReport receiver;
    const Registration registration(bus, objectPath, &receiver);
    if (!registration.isRegistered())
        return std::unexpected(listError(QStringLiteral("cannot listen for KWin's answer")));
    QTemporaryFile script(QDir::tempPath() + QStringLiteral("/moxilane-XXXXXX.js"));
    if (!script.open())
        return std::unexpected(
            listError(QStringLiteral("cannot write the script: ") + script.errorString()));
    script.write(kwinWindowReportScript(bus.baseService(), objectPath, kReportInterface,
                                        QStringLiteral("windows"))
                     .toUtf8());
    script.flush();

    const auto ran = runKWinScript(script.fileName(), name);
    if (ran && !receiver.report) {
        QTimer::singleShot(timeout, &receiver.loop, &QEventLoop::quit);
        receiver.loop.exec();
    }
    callKWin(QStringLiteral("/Scripting"), kScripting, QStringLiteral("unloadScript"), {name});
    if (!ran) return std::unexpected(ran.error());
    if (!receiver.report) return std::unexpected(listError(QStringLiteral("no answer in time")));
    return kwinWindowsFromReport(*receiver.report, ::getpid(), outputs);
}

}  // namespace moxilane::wayland

#include "KWinWindowList.moc"
