#pragma once
// A tool's merged output, read by read, as whole lines of text. The bytes are decoded as
// UTF-8 across reads: a character cut between two reads is joined, a bad byte becomes
// U+FFFD and the rest of its read stands. A line ends at CR, LF or CR LF (progress lines
// end at CR, messages at LF, often in one read); a line cut between two reads is joined
// before anyone sees it. Empty lines are dropped.
#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

namespace zuvo {

class ToolOutput {
 public:
  // The lines that this read completes, in order.
  QStringList lines(const QByteArray& read);
  // At the end of the output: the unfinished last line, if any.
  QStringList finish();

 private:
  QStringDecoder utf8_{QStringDecoder::Utf8};
  QString pending_;
};

}  // namespace zuvo
