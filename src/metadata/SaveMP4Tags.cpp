#include "metadata/SaveMP4Tags.h"

#include <QBuffer>
#include <QImage>

#include "media/MediaFile.h"
#include "media/StringHelpers.h"
#include "metadata/MP4Chapters.h"
#include "metadata/SetRating.h"
#include "mp4/Mp4File.h"

namespace zuvo {

namespace {

constexpr const char* kEncodedBy = "Zuvo (Kelvane Software)";
constexpr uint8_t kMovieKind = 9;
constexpr uint8_t kTVShowKind = 10;
constexpr int kCoverQuality = 100;  // compression factor 1.0

// What differs between the two savers' log lines.
struct Saver {
  const char* openFailure;
  const char* writeFailure;
  const char* chapterFailure;
  const char* notFlushed;
  // The converter's own file is laid out again when its index is not before the media or its
  // tracks do not take turns; the user's never is: its media stays where it is.
  bool keepIndexFirst;
};
constexpr Saver kConvertedFile = {
    "[RED]saveMP4Tags::Can't open MP4 file to apply HD tags : %1",
    "[RED]saveMP4Tags::Can't write the tags of %1 : %2",
    "[RED]saveMP4Tags::Can't write the chapters of %1 : %2",
    "[RED]saveMP4Tags::The tags of %1 are written but may not be on disk yet : %2", true};
constexpr Saver kOwnFile = {"saveMP4TagsInPlace::Can't open MP4 file to apply HD tags : %1",
                            "saveMP4TagsInPlace::Can't write the tags of %1 : %2",
                            "saveMP4TagsInPlace::Can't write the chapters of %1 : %2",
                            "saveMP4TagsInPlace::The tags of %1 are written but may not be on disk yet : %2",
                            false};

constexpr const char* kNotLaidOut =
    "[RED]saveMP4Tags::The tags of %1 are written, but it is not laid out for streaming : %2";

std::string utf8(const QString& text) { return text.toStdString(); }

// Callers may pass no log writer; the outcome still reaches them as the answer.
void report(const Reporter& reporter, const QString& line, quint32 level) {
  if (reporter) reporter->report(line, level);
}

// The media object's picture as a JPEG cover; nothing without a picture.
std::optional<Mp4Cover> coverOf(const MediaFile& media) {
  const QImage image = media.image();
  if (image.isNull()) return std::nullopt;
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "JPEG", kCoverQuality)) return std::nullopt;
  return Mp4Cover{Mp4DataType::Jpeg, Mp4Buffer(jpeg.begin(), jpeg.end())};
}

// Genre, date, descriptions, the emptied lyrics and sort fields, and the cover.
void setCommonTags(Mp4Tags& tags, const MediaFile& media) {
  tags.genre = utf8(media.genre());
  tags.releaseDate = utf8(media.releasedate());
  tags.description = tags.longDescription = utf8(media.description());
  tags.lyrics = tags.sortName = tags.sortArtist = tags.sortAlbumArtist = tags.sortAlbum = tags.sortTVShow =
      "";
  if (std::optional<Mp4Cover> cover = coverOf(media)) tags.artwork.push_back(std::move(*cover));
}

// The names and numbers of a TV episode or of a movie.
void setKindTags(Mp4Tags& tags, const MediaFile& media) {
  const std::string series = utf8(media.seriesname());
  if (media.mediatype() == MediaType::TVShow) {
    const quint32 season = media.season();
    const quint32 episode = media.show();
    tags.mediaType = kTVShowKind;
    tags.tvShow = series;
    tags.tvSeason = season;
    tags.tvEpisode = episode;
    tags.name = utf8(media.episodename());
    tags.tvEpisodeID = QString::number(qint32(season * 100 + episode)).toStdString();
    tags.track = Mp4IndexTotal{uint16_t(episode), 0};
    tags.disk = Mp4IndexTotal{1, 1};
    tags.tvNetwork = "";
    tags.album = tags.sortAlbum =
        utf8(QStringLiteral("%1, Season %2").arg(media.seriesname(), QString::number(qint32(season))));
    tags.sortName = series;
    tags.albumArtist = series;
    tags.artist = series;
  } else {
    const std::string firstDirector = utf8(SplitCommaList(media.directors()).value(0));
    tags.mediaType = kMovieKind;
    tags.name = series;
    tags.album = tags.sortAlbum = tags.albumArtist = "";
    tags.sortArtist = firstDirector;
    tags.artist = firstDirector;
  }
}

// Stores the tags, chapters, rating and cast, and commits.
BCError finish(Mp4File& file, const Mp4Tags& tags, const MediaFile& media, const Reporter& reporter,
               const Saver& saver) {
  const QString path = QString::fromStdString(file.path());
  file.storeTags(tags);
  const Mp4Error chapters = saveMP4Chapters(file, media);
  if (chapters)
    report(reporter,
           QString::fromLatin1(saver.chapterFailure).arg(path, QString::fromStdString(chapters.message())),
           3);
  setRating(file, media.rating(), media, reporter);
  const Mp4Error written = file.commit();
  // The new tags are what every reader sees; only their flush to disk failed.
  if (!written && !file.warning().empty())
    report(reporter, QString::fromLatin1(saver.notFlushed).arg(path, QString::fromStdString(file.warning())),
           3);
  // The converter's file is laid out here, once, after its last track is in: the multiplexer
  // appends each track, and a moov that found no room before the media went after it. Laying
  // the file out is no part of the save: the tags are in place whatever comes of it.
  if (!written && saver.keepIndexFirst && !file.interleaved())
    if (const Mp4Error laidOut = file.rewriteInterleaved())
      report(reporter, QString::fromLatin1(kNotLaidOut).arg(path, QString::fromStdString(laidOut.message())),
             3);
  file.close();
  if (written) {
    const QString line =
        QString::fromLatin1(saver.writeFailure).arg(path, QString::fromStdString(written.message()));
    report(reporter, line, 3);
    return BCError::Code(kMP4CannotWriteCode, line);
  }
  if (chapters)
    return BCError::Code(
        kMP4CannotWriteCode,
        QString::fromLatin1(saver.chapterFailure).arg(path, QString::fromStdString(chapters.message())));
  return BCError::NoError();
}

BCError openForChange(Mp4File& file, const QString& path, const Reporter& reporter, const Saver& saver) {
  const Mp4Error e = file.open(path.toStdString(), Mp4File::Mode::Modify);
  if (!e) return BCError::NoError();
  const QString line = QString::fromLatin1(saver.openFailure).arg(path);
  report(reporter, line, 3);
  return BCError::Code(kMP4CannotOpenCode,
                       line + QStringLiteral(" (%1)").arg(QString::fromStdString(e.message())));
}

}  // namespace

BCError saveMP4Tags(const QString& path, uint32_t catalogueId, const MediaFile& media, uint8_t hdVideo,
                    const Reporter& reporter) {
  Mp4File file;
  if (BCError e = openForChange(file, path, reporter, kConvertedFile); e.Error()) return e;
  Mp4Tags tags = file.tags();
  tags.encodedBy = kEncodedBy;
  setCommonTags(tags, media);
  if (catalogueId != 0) {
    tags.contentID = catalogueId;
    report(reporter, QStringLiteral("[BLUE]saveMP4Tags::Setting CNID to : %1").arg(qint32(catalogueId)), 3);
  }
  tags.hdVideo = hdVideo;
  setKindTags(tags, media);
  return finish(file, tags, media, reporter, kConvertedFile);
}

BCError saveMP4TagsInPlace(const QString& path, const MediaFile& media, const Reporter& reporter) {
  Mp4File file;
  if (BCError e = openForChange(file, path, reporter, kOwnFile); e.Error()) return e;
  Mp4Tags tags;
  setCommonTags(tags, media);
  setKindTags(tags, media);
  return finish(file, tags, media, reporter, kOwnFile);
}

}  // namespace zuvo
