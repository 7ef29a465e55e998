#pragma once
// A video file's name cut into the words its parse looks at.
#include <QString>
#include <QStringList>

namespace zuvo {

// The pieces of the name ended by a space, a hyphen or a full stop (underscores belong
// to a word). What follows the last of them is the extension and no word, so a name
// without any yields none; two in a row yield an empty word.
QStringList FileNameWords(const QString& name);

}  // namespace zuvo
