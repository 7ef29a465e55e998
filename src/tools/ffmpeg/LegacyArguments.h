#pragma once
// The conversion steps write their ffmpeg command lines for the ffmpeg of about 2010
// (libfaac, -deinterlace, -flags2 bits, -directpred, -map 0.N:0.1, -newaudio, -v 5, ...).
// Debian's ffmpeg 5.1 rejects many of those spellings and reads others differently; this
// turns one such command line into one with the same effect there. Options it does not
// know pass through unchanged. Arguments are bytes: paths are never re-encoded.
#include <QByteArrayList>
#include <functional>

namespace zuvo::ffmpeg {

// The most audio channels any stream of an input holds; 0 when unknown.
using SourceChannels = std::function<int(const QByteArray& input)>;

// `sourceChannels` tells a downmix (-ac below what an input holds), which is then kept
// from going over full scale.
QByteArrayList translateArguments(const QByteArrayList& legacy, const SourceChannels& sourceChannels = {});

}  // namespace zuvo::ffmpeg
