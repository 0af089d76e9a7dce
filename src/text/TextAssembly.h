#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace moxilane {

// A code's content as a line of the result: its text when it is text (decoded is the
// reader's reading of it), else its bytes escaped (\xHH), so that binary data or broken
// UTF-8 is never passed on as text.
QString codeLine(const QByteArray& bytes, const std::optional<QString>& decoded);

// What the clipboard gets: the codes first, one a line, then the recognised text with its
// lines and paragraphs (one empty line between two) as printed, hyphens at line ends
// included. Empty when nothing was found.
QString assembleText(const QStringList& codes, const QString& recognised);

}  // namespace moxilane
