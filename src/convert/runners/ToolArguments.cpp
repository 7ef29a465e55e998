#include "convert/runners/ToolArguments.h"

#include "media/StringHelpers.h"

namespace zuvo {
namespace {

constexpr QLatin1StringView kPlaceholder("%@");

// An argument that starts with a value starting with "-" would be read as an option; the
// same relative path with "./" in front cannot be.
QString atArgumentStart(const QString& value) {
  return value.startsWith(u'-') ? QStringLiteral("./") + value : value;
}

}  // namespace

ToolArguments& ToolArguments::append(const QString& templateText, const QStringList& values) {
  qsizetype next = 0;
  auto take = [&]() { return next < values.size() ? values[next++] : QString(); };

  for (const QString& piece : SplitArguments(templateText)) {
    QString argument;
    qsizetype from = 0;
    for (qsizetype at; (at = piece.indexOf(kPlaceholder, from)) >= 0; from = at + kPlaceholder.size())
      argument += piece.mid(from, at - from) + (at == 0 ? atArgumentStart(take()) : take());
    list_ << argument + piece.mid(from);
  }

  next = 0;
  qsizetype from = 0;
  for (qsizetype at; (at = templateText.indexOf(kPlaceholder, from)) >= 0; from = at + kPlaceholder.size())
    text_ += templateText.mid(from, at - from) + take();
  text_ += templateText.mid(from);
  return *this;
}

}  // namespace zuvo
