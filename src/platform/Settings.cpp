#include "platform/Settings.h"

#include <QSettings>
#include <QStandardPaths>

namespace moxilane {

Settings::Settings(QString filePath) : m_filePath(std::move(filePath)) {}

QString Settings::userFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Moxilane/Moxilane.conf");
}

std::optional<QVariant> Settings::read(const QString& key) const {
    const QSettings store(m_filePath, QSettings::IniFormat);
    if (store.status() != QSettings::NoError) return std::nullopt;
    QVariant value = store.value(key);
    if (!value.isValid()) return std::nullopt;
    return value;
}

// The INI file stores every value as text; a Boolean is one that reads back as
// "true" or "false". Anything else is a value of the wrong type.
std::optional<bool> Settings::readBool(const QString& key) const {
    const auto value = read(key);
    if (!value) return std::nullopt;
    if (value->typeId() == QMetaType::Bool) return value->toBool();
    if (value->typeId() != QMetaType::QString) return std::nullopt;
    const QString text = value->toString().trimmed();
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) return true;
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) return false;
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
    QSettings store(m_filePath, QSettings::IniFormat);
    store.setValue(key, value);
    store.sync();
}

}  // namespace moxilane
