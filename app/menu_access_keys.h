// Access keys (Alt+letter) for menu texts that come from the message table: the program picks the
// letters, so no translation has to mark them and none changes.
#pragma once

#include <QStringList>

namespace zandrel {

// The texts with an access key marked ("&") in each, no two alike (letter case aside), and every
// "&" already in a text doubled so that it shows as itself. A word's first letter is preferred,
// then any other letter or digit; a text with none left gets no access key. Whatever follows a tab
// (a shortcut shown beside the item) is never chosen.
QStringList WithAccessKeys(const QStringList& texts);

}  // namespace zandrel
