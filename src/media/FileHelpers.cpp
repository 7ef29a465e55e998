#include "media/FileHelpers.h"

#include <QFile>
#include <QFileInfo>

#include "media/StringHelpers.h"

namespace zuvo {
namespace {
constexpr int kUniqueNameTries = 100;
constexpr char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";

// Where the extension's dot sits in the path, or -1.
qsizetype extensionDot(const QString& path) {
  const qsizetype slash = path.lastIndexOf(u'/');
  const qsizetype dot = path.lastIndexOf(u'.');
  return dot > slash + 1 ? dot : -1;
}
}  // namespace

std::optional<QStringList> ReadLinesFromFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  QByteArray bytes = file.readAll();
  if (bytes.isEmpty()) return std::nullopt;
  if (bytes.startsWith(kUtf8ByteOrderMark)) bytes.remove(0, 3);
  return SplitLines(Utf8Text(bytes));
}

QString PathExtension(const QString& path) {
  const qsizetype dot = extensionDot(path);
  return dot < 0 ? QString() : path.mid(dot + 1);
}

QString PathWithoutExtension(const QString& path) {
  const qsizetype dot = extensionDot(path);
  return dot < 0 ? path : path.left(dot);
}

QString UniqueFilePath(const QString& path) {
  if (!QFileInfo::exists(path)) return path;
  const QString stem = PathWithoutExtension(path);
  const QString extension = PathExtension(path);
  QString candidate;
  for (int i = 1; i <= kUniqueNameTries; ++i) {
    candidate = stem + u'-' + QString::number(i) + u'.' + extension;
    if (!QFileInfo::exists(candidate)) break;
  }
  return candidate;
}

}  // namespace zuvo
