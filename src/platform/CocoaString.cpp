#include "platform/CocoaString.h"

namespace zuvo {

QString capitalizedString(const QString& text) {
  QString out = text.toLower();
  bool wordStart = true;
  for (QChar& c : out) {
    if (c.isSpace()) {
      wordStart = true;
    } else if (wordStart) {
      c = c.toTitleCase();
      wordStart = false;
    }
  }
  return out;
}

bool hasPrefix(const QString& text, const QString& prefix) {
  return !prefix.isEmpty() && text.startsWith(prefix, Qt::CaseSensitive);
}

}  // namespace zuvo
