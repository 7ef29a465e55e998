#include "metadata/AnswerLines.h"

#include "media/StringHelpers.h"

namespace zuvo {
namespace {

const QString kImageLineMarker = QStringLiteral("<image type=");
const QString kPosterType = QStringLiteral("poster");
constexpr int kMinimumPosterWidth = 500;

// Pieces are counted from 1 (the element's opening) and read past a fixed attribute prefix.
constexpr qsizetype kTypePiece = 2, kTypeSkip = 5;    // type=
constexpr qsizetype kURLPiece = 3, kURLSkip = 4;      // url=
constexpr qsizetype kWidthPiece = 5, kWidthSkip = 6;  // width=

}  // namespace

std::optional<QString> elementValue(const QString& line, const QString& name) {
  if (!HasXMLElement(line, name)) return std::nullopt;
  return XMLElementText(line, name).value_or(QString());
}

QString multiLineElementText(const QStringList& lines, qsizetype& at, const QString& name,
                             const std::function<void()>& joined) {
  const QString opening = QStringLiteral("<%1>").arg(name);
  const QString closing = QStringLiteral("</%1>").arg(name);
  const QString& first = lines[at];
  if (first.contains(closing)) return XMLElementText(first, name).value_or(QString());
  QString text = SubstringAfter(first, opening).value_or(QString());
  while (at + 1 < lines.size()) {
    const QString& line = lines[++at];
    if (joined) joined();
    if (line.contains(closing)) {
      text += SubstringBefore(line, closing).value_or(QString());
      break;
    }
    text += line;
  }
  return text;
}

bool isImageLine(const QString& line) { return line.contains(kImageLineMarker); }

std::optional<QString> posterAddress(const QString& line) {
  if (!isImageLine(line)) return std::nullopt;
  const QStringList pieces = SplitArguments(line);
  if (pieces.size() < kWidthPiece) return std::nullopt;
  const QString type = pieces[kTypePiece - 1].mid(kTypeSkip);
  const int width = IntegerValue(QStringView(pieces[kWidthPiece - 1]).mid(kWidthSkip));
  if (type != kPosterType || width < kMinimumPosterWidth) return std::nullopt;
  return pieces[kURLPiece - 1].mid(kURLSkip);
}

}  // namespace zuvo
