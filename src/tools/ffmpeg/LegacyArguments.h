#pragma once
// The conversion steps write their ffmpeg command lines for the ffmpeg of about 2010
// (libfaac, -deinterlace, -flags2 bits, -directpred, -map 0.N:0.1, -newaudio, -v 5, ...).
// Debian's ffmpeg 5.1 rejects many of those spellings and reads others differently; this
// turns one such command line into one with the same effect there. Options it does not
// know pass through unchanged. Arguments are bytes: paths are never re-encoded.
#include <QByteArrayList>

namespace zuvo::ffmpeg {

QByteArrayList translateArguments(const QByteArrayList& legacy);

}  // namespace zuvo::ffmpeg
