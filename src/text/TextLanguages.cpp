#include "text/TextLanguages.h"

#include <QDir>
#include <QLocale>

namespace moxilane {

namespace {

const QString kEnglish = QStringLiteral("eng");

QString packageFor(const QString& language) {
    return QStringLiteral("tesseract-ocr-") + language.toLower().replace(u'_', u'-');
}

QString missingData(const QString& language) {
    return QStringLiteral(
               "The text recognition data for “%1” is not installed. Install the "
               "package %2, or change the textLanguages setting.")
        .arg(language, packageFor(language));
}

// Tesseract names its data by ISO 639-2 codes, the terminological ones mostly ("deu") but
// the bibliographic for some ("chi_sim"), with a script after an underscore.
QStringList dataFor(const QString& localeName, const QStringList& installed) {
    const QLocale locale(localeName);
    if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage) return {};
    const QString codes[] = {QLocale::languageToCode(locale.language(), QLocale::ISO639Part2T),
                             QLocale::languageToCode(locale.language(), QLocale::ISO639Part2B)};
    QStringList found;
    for (const QString& name : installed) {
        // Vertical-text data reads columns, not a screen's lines.
        if (name.endsWith(QLatin1String("_vert"))) continue;
        for (const QString& code : codes) {
            if (!code.isEmpty() && (name == code || name.startsWith(code + u'_'))) {
                found << name;
                break;
            }
        }
    }
    return found;
}

}  // namespace

std::expected<QString, QString> chooseTextLanguages(const QString& setting,
                                                    const QStringList& localeNames,
                                                    const QStringList& installed) {
    QStringList chosen;
    if (!setting.trimmed().isEmpty()) {
        for (const QString& part : setting.split(u'+', Qt::SkipEmptyParts)) {
            const QString language = part.trimmed();
            if (!installed.contains(language)) return std::unexpected(missingData(language));
            if (!chosen.contains(language)) chosen << language;
        }
        return chosen.join(u'+');
    }
    if (!installed.contains(kEnglish)) return std::unexpected(missingData(kEnglish));
    for (const QString& localeName : localeNames) {
        for (const QString& language : dataFor(localeName, installed))
            if (!chosen.contains(language)) chosen << language;
    }
    if (!chosen.contains(kEnglish)) chosen << kEnglish;
    return chosen.join(u'+');
}

QString textDataFolder() {
    // As Tesseract itself looks: the variable first, then where Debian puts the data.
    const QString prefix = qEnvironmentVariable("TESSDATA_PREFIX");
    if (!prefix.isEmpty()) return prefix;
    return QStringLiteral("/usr/share/tesseract-ocr/5/tessdata");
}

QStringList installedTextLanguages(const QString& folder) {
    QStringList languages;
    for (const QString& file :
         QDir(folder).entryList({QStringLiteral("*.traineddata")}, QDir::Files | QDir::Readable))
        languages << file.chopped(int(sizeof ".traineddata") - 1);
    languages.removeAll(QStringLiteral("osd"));  // orientation data, not a language
    return languages;
}

}  // namespace moxilane
