#pragma once

#include "flows/HelpText.h"

#include <QString>

#include <expected>
#include <map>

namespace moxilane {

// Help pages in roff for man(7): the manual page's generated parts.
QString roffEscape(const QString& text);         // one line of running text
QString roffSynopsis(const QStringList& usage);  // the usage lines, unfilled
// The paragraphs and sections; a top-level page gives each section an .SH of its own, a
// nested one (a command's own page) an .SS.
enum class ManualLevel { Top, Nested };
QString roffHelpPage(const HelpPage& page, ManualLevel level);

// The template with each line `.\" generated: NAME` replaced by parts[NAME]. A name
// without a part, or a part the template never asks for, is an error.
[[nodiscard]] std::expected<QString, QString> fillManualTemplate(
    const QString& roffTemplate, const std::map<QString, QString>& parts);

}  // namespace moxilane
