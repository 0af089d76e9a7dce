#pragma once

#include "flows/HelpText.h"
#include "platform/Session.h"

#include <QStringList>

#include <vector>

namespace moxilane {

// sway's configuration lines that bind each capture kind's shortcut to its command, in the
// kinds' order: "bindsym --to-code Ctrl+Shift+1 exec moxilane area". --to-code binds the
// key position, as the shortcuts do on X11: without it, a layout whose Shift+1 types "1"
// (French) would never match, since sway compares the key's unshifted symbol.
QStringList swayBindingLines();

// The help's rows: each shortcut and its line.
std::vector<HelpRow> swayBindingRows();

// What the agent says once on standard error at start-up where the compositor's
// configuration binds the keys, the lines alone on theirs so they paste as they stand;
// empty on other sessions.
QString compositorBindingNotice(Session session);
void printCompositorBindingNotice(Session session);

}  // namespace moxilane
