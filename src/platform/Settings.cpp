#include "platform/Settings.h"

#include "platform/Diagnostics.h"
#include "platform/IniFormat.h"

#include <QSettings>
#include <QStandardPaths>

namespace moxilane {

Settings::Settings(QString filePath) : m_filePath(std::move(filePath)) {}

QString Settings::userFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Moxilane/Moxilane.conf");
}

// The store's status is not consulted: after a write that failed it stays in error while
// the values it holds are still the best answer.
std::optional<QVariant> Settings::read(const QString& key) const {
    const QSettings store(m_filePath, tolerantIniFormat());
    QVariant value = store.value(key);
    if (!value.isValid()) return std::nullopt;
    return value;
}

// The INI file stores every value as text; a Boolean reads back as "true" or "false" in
// any case, or "1" or "0". Anything else is a value of the wrong type.
std::optional<bool> Settings::readBool(const QString& key) const {
    const auto value = read(key);
    if (!value) return std::nullopt;
    if (value->typeId() == QMetaType::Bool) return value->toBool();
    if (value->typeId() != QMetaType::QString) return std::nullopt;
    const QString text = value->toString().trimmed();
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || text == QLatin1String("1"))
        return true;
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 ||
        text == QLatin1String("0"))
        return false;
    return std::nullopt;
}

bool Settings::copyToClipboard() const {
    return readBool(QStringLiteral("copyToClipboard")).value_or(false);
}
bool Settings::alsoCopyToClipboard() const {
    return readBool(QStringLiteral("alsoCopyToClipboard")).value_or(true);
}
bool Settings::openAfterCapture() const {
    return readBool(QStringLiteral("openAfterCapture")).value_or(false);
}
bool Settings::windowShadow() const {
    return readBool(QStringLiteral("windowShadow")).value_or(true);
}
bool Settings::didAskLaunchAtLogin() const {
    return readBool(QStringLiteral("didAskLaunchAtLogin")).value_or(false);
}
bool Settings::didRequestScreenRecording() const {
    return readBool(QStringLiteral("didRequestScreenRecording")).value_or(false);
}
std::optional<QVariant> Settings::saveFolderBookmark() const {
    return read(QStringLiteral("saveFolderBookmark"));
}

void Settings::write(const QString& key, const QVariant& value) {
    QSettings store(m_filePath, tolerantIniFormat());
    store.setValue(key, value);
    store.sync();
    if (store.status() == QSettings::NoError || m_reportedWriteFailure) return;
    m_reportedWriteFailure = true;
    printDiagnostic(QStringLiteral("cannot write the settings file %1; settings changed now may "
                                   "be lost")
                        .arg(m_filePath));
}

}  // namespace moxilane
