#pragma once
// MP4 fixtures made with ffmpeg at test time, and the readers we did not write.
#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include "mp4/Mp4Tags.h"
#include "support/TestSupport.h"

namespace zuvo::test {

enum class Layout {
  MoovLast,         // ffmpeg's default: moov after mdat
  MoovFirst,        // -movflags faststart
  MoovFirstPadded,  // moov first with reserved free space after it (-moov_size)
};

struct FixtureRecipe {
  FixtureRecipe(Layout layout = Layout::MoovLast, QStringList ffmpegMetadata = {}, bool chapters = false,
              bool atomicParsleyTags = false)
      : layout(layout), ffmpegMetadata(std::move(ffmpegMetadata)), chapters(chapters), atomicParsleyTags(atomicParsleyTags) {}
  Layout layout;
  QStringList ffmpegMetadata;  // "key=value" pairs for -metadata
  bool chapters;               // chapters from an ffmetadata file: 0 "One", 1 s "Two", 2 s "Three"
  bool atomicParsleyTags;      // title, artist, TV network and media kind written by AtomicParsley
  double seconds = 3;
};

// Makes the fixture in a fresh folder and returns its path.
QString makeMp4(const FixtureRecipe& recipe);
QString layoutName(Layout layout);

// A TV episode's tag set using every field but the artwork.
Mp4Tags tvEpisodeTags();
// A square test picture made by ffmpeg; the format follows the path's extension.
Mp4Buffer makePicture(const QString& path, int size = 600);

QString copyTo(const QString& source, const QString& folder, const QString& name);

// `ffmpeg -f framemd5` over the video (not cover) and audio packets, copied, not decoded: equal output means
// the media data is unchanged.
QByteArray packetDigest(const QString& path);
// mutagen's view of the file: {"tags": {key: [values]}, "chapters": [[start s, title]]}.
// Text and freeform values are strings, integers numbers, pairs arrays, covers
// {"format": 13|14, "size": n, "md5": hex}.
QJsonObject mutagenView(const QString& path);
QByteArray ffprobe(const QString& path);  // -show_format -show_chapters -show_streams
QByteArray mediainfo(const QString& path);
QByteArray atomicParsley(const QString& path);  // -t

// The top-level boxes in file order, "type:size", read by a few lines of Python.
QStringList topLevelBoxes(const QString& path);

}  // namespace zuvo::test
