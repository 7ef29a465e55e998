#include "tools/ffmpeg/ProgressRewriter.h"

#include <cctype>

namespace zuvo::ffmpeg {
namespace {

constexpr char kTimeMarker[] = "time=";

// Messages of 5.1 whose old wording the runner looks for: the new text, and the old text
// that is printed after it with the new message's "A >= B" tail.
struct MessageRewrite {
  const char* current;
  const char* legacy;
};
constexpr MessageRewrite kMessages[] = {
    {"non monotonically increasing dts to muxer in stream", "error, non monotone timestamps "},
};

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Reads digits at `pos`; false when there are none.
bool digits(const QByteArray& text, int& pos, QByteArray& out) {
  const int start = pos;
  while (pos < text.size() && isDigit(text[pos])) ++pos;
  out = text.mid(start, pos - start);
  return pos > start;
}

// "[-]H:MM:SS[.frac]" at `pos` as "[-]seconds[.frac]"; `end` is set past it.
QByteArray clockToSeconds(const QByteArray& text, int pos, int& end) {
  const bool negative = pos < text.size() && text[pos] == '-';
  if (negative) ++pos;
  QByteArray hours, minutes, seconds, fraction;
  if (!digits(text, pos, hours) || pos >= text.size() || text[pos++] != ':') return {};
  if (!digits(text, pos, minutes) || pos >= text.size() || text[pos++] != ':') return {};
  if (!digits(text, pos, seconds)) return {};
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    digits(text, pos, fraction);
  }
  end = pos;
  const qint64 total = hours.toLongLong() * 3600 + minutes.toLongLong() * 60 + seconds.toLongLong();
  QByteArray result = (negative ? "-" : "") + QByteArray::number(total);
  if (!fraction.isEmpty()) result += "." + fraction;
  return result;
}

}  // namespace

QByteArray ProgressRewriter::rewriteLine(const QByteArray& line) {
  QByteArray out = line;
  const int marker = out.indexOf(kTimeMarker);
  if (marker >= 0) {
    const int start = marker + int(sizeof kTimeMarker) - 1;
    int end = start;
    const QByteArray seconds = clockToSeconds(out, start, end);
    if (!seconds.isEmpty()) out.replace(start, end - start, seconds);
  }
  for (const MessageRewrite& message : kMessages) {
    const int at = out.indexOf(message.current);
    if (at < 0) continue;
    const int tail = out.indexOf(": ", at);
    QByteArray comparison = tail < 0 ? QByteArray() : out.mid(tail + 2).trimmed();
    out +=
        QByteArray(out.endsWith('\n') || out.endsWith('\r') ? "" : "\n") + message.legacy + comparison + "\n";
  }
  return out;
}

QByteArray ProgressRewriter::feed(const QByteArray& chunk) {
  pending_ += chunk;
  QByteArray ready;
  int start = 0;
  for (int i = 0; i < pending_.size(); ++i) {
    if (pending_[i] != '\n' && pending_[i] != '\r') continue;
    ready += rewriteLine(pending_.mid(start, i + 1 - start));
    start = i + 1;
  }
  pending_.remove(0, start);
  return ready;
}

QByteArray ProgressRewriter::flush() {
  QByteArray rest = rewriteLine(pending_);
  pending_.clear();
  return rest;
}

}  // namespace zuvo::ffmpeg
