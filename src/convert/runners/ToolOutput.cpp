#include "convert/runners/ToolOutput.h"

namespace zuvo {
namespace {
// A tool that never ends its line still gets read: past this length the text held counts
// as a line.
constexpr qsizetype kLongestLine = 64 * 1024;

bool isLineEnd(QChar c) { return c == u'\r' || c == u'\n'; }
}  // namespace

QStringList ToolOutput::lines(const QByteArray& read) {
  pending_ += utf8_.decode(read);
  QStringList complete;
  qsizetype start = 0;
  for (qsizetype i = 0; i < pending_.size(); ++i) {
    if (!isLineEnd(pending_[i])) continue;
    if (i > start) complete << pending_.mid(start, i - start);
    start = i + 1;
  }
  pending_.remove(0, start);
  if (pending_.size() > kLongestLine) complete << std::exchange(pending_, QString());
  return complete;
}

QStringList ToolOutput::finish() {
  // A character cut off by the end of the output is dropped with it.
  QString rest = std::exchange(pending_, QString());
  return rest.isEmpty() ? QStringList() : QStringList{rest};
}

}  // namespace zuvo
