#pragma once

#include <QSettings>

namespace moxilane {

// The INI settings format, read tolerantly: a line that cannot be understood (an
// unbalanced quote, a stray word, binary garbage) loses its own key and no other, where
// QSettings' own reader drops every key after it. Writes what QSettings' INI reader
// reads too. Registered with QSettings on first use.
QSettings::Format tolerantIniFormat();

}  // namespace moxilane
