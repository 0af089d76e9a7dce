#pragma once

#include <QDateTime>
#include <QString>

#include <cstddef>

namespace moxilane {

// "Screenshot 2024-03-05 at 14.07.09.123": the capture time in local time, formatted the
// same under every locale and clock preference.
QString screenshotBaseName(const QDateTime& time);

// The file name of the capture at index (from 0) of one delivery: the first plain,
// the others numbered from (2), as "Screenshot … (2).png".
QString screenshotFileName(const QString& baseName, std::size_t index);

}  // namespace moxilane
