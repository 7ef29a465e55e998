#pragma once
// Debian's ffmpeg behind the adapter: finding it, and running it as our child.
#include <QByteArray>
#include <QByteArrayList>

namespace zuvo::ffmpeg {

// The first "ffmpeg" on PATH that is not this program: directories holding an adapter
// (ours, or one that started us) are skipped. /usr/bin/ffmpeg when PATH has none; empty
// when there is none at all.
QByteArray locateRealFfmpeg();

// Runs `program` with `arguments` in our process group, its standard output ours, its
// standard error relayed through the progress rewriter. SIGTERM and SIGINT sent to us
// reach it; it dies with us. Returns its exit status (128 + signal when killed).
// The most audio channels of any stream in `input`, read by the ffprobe beside `ffmpeg`;
// 0 when it cannot say (no ffprobe, a pipe, no audio).
int audioChannelsOf(const QByteArray& ffmpeg, const QByteArray& input);

int runRelayed(const QByteArray& program, const QByteArrayList& arguments);

}  // namespace zuvo::ffmpeg
