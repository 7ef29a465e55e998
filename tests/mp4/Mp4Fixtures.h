#pragma once
// MP4 fixtures made with ffmpeg at test time, and the readers we did not write.
#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <functional>

#include "mp4/Mp4Error.h"
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
      : layout(layout),
        ffmpegMetadata(std::move(ffmpegMetadata)),
        chapters(chapters),
        atomicParsleyTags(atomicParsleyTags) {}
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
// ffprobe's streams and mediainfo's tracks as JSON.
QJsonArray ffprobeStreams(const QString& path);
QJsonArray mediainfoTracks(const QString& path);
// The packets of one stream ("0:a:1"), copied, not decoded: equal digests mean equal media.
QByteArray streamDigest(const QString& path, const QString& stream);
QByteArray mediainfo(const QString& path);
QByteArray atomicParsley(const QString& path);  // -t

// Writes a free box of `size` bytes (64-bit header, sparse content) at the file's position
// and moves past it: a file beyond 4 GiB that costs no disk space.
bool writeSparseFreeBox(QFile& file, quint64 size);

// Runs `edit` on a copy of `original` in `folder` that may do 0 writes, then on one that may do
// 1, and so on until an edit completes, leaving each copy as a crash at that point would;
// `check` then looks at the copy.
void crashAtEveryWrite(const QString& original, const QString& folder, int maxWrites,
                       const std::function<Mp4Error(const QString& path)>& edit,
                       const std::function<void(const QString& path, bool completed)>& check);
// The same for the copies that may do `first` to `end` - 1 writes, so that a long run can be
// cut into slices; true once an edit completed.
bool crashAtWrites(const QString& original, const QString& folder, int first, int end,
                   const std::function<Mp4Error(const QString& path)>& edit,
                   const std::function<void(const QString& path, bool completed)>& check);

// The top-level boxes in file order, "type:size", read by a few lines of Python.
QStringList topLevelBoxes(const QString& path);

}  // namespace zuvo::test
