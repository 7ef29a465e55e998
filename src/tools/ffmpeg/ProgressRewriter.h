#pragma once
// Turns the messages of Debian's ffmpeg 5.1 into the form the conversion's ffmpeg runner
// reads, which is the old ffmpeg's: progress as "time=65.40" (seconds) where 5.1 prints
// "time=00:01:05.40", and the old wording of the fatal time-stamp error beside the new one.
// Everything else passes byte for byte.
#include <QByteArray>

namespace zuvo::ffmpeg {

class ProgressRewriter {
 public:
  // Takes the next piece of output and returns what can be passed on now: every line
  // completed by a CR or LF, rewritten. An unfinished line waits for the next piece.
  QByteArray feed(const QByteArray& chunk);
  // The unfinished line, rewritten as far as it goes (at the end of the output, or when
  // ffmpeg leaves a line unfinished for long).
  QByteArray flush();
  bool hasPending() const { return !pending_.isEmpty(); }

  // One line, with or without its line end.
  static QByteArray rewriteLine(const QByteArray& line);

 private:
  QByteArray pending_;
};

}  // namespace zuvo::ffmpeg
