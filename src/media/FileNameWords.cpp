#include "media/FileNameWords.h"

namespace zuvo {

QStringList FileNameWords(const QString& name) {
  QStringList words;
  QString word;
  for (const QChar c : name) {
    if (c == u' ' || c == u'-' || c == u'.') {
      words << word;
      word.clear();
    } else {
      word += c;
    }
  }
  return words;
}

}  // namespace zuvo
