#pragma once

#include <QString>
#include <QStringList>

#include <expected>

namespace moxilane {

// The Tesseract languages to read with, as "eng+deu": the setting when the user gave one,
// else the installed languages that match the user's locales, always with English.
// installed holds the data files' base names ("eng", "chi_sim"). The error is the alert's
// text, naming the package that brings the missing data.
[[nodiscard]] std::expected<QString, QString> chooseTextLanguages(const QString& setting,
                                                                  const QStringList& localeNames,
                                                                  const QStringList& installed);

// The folder of Tesseract's data files, and the languages found there.
QString textDataFolder();
QStringList installedTextLanguages(const QString& folder);

}  // namespace moxilane
