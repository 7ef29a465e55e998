#pragma once
// Media objects and converted files for the media library's tests: short videos tagged by
// the converter's own tag writer, and the library's index as the programs wrote it.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "media/MediaFile.h"
#include "media/MediaValues.h"
#include "metadata/SaveMP4Tags.h"
#include "support/TestSupport.h"

namespace zuvo::test {

inline MediaFilePtr libraryEpisode(const QString& series, quint32 season, quint32 episode) {
  auto media = std::make_shared<MediaFile>();
  media->setMediatype(MediaType::TVShow);
  media->setSeriesname(series);
  media->setEpisodename("The Pilot");
  media->setSeason(season);
  media->setShow(episode);
  return media;
}

inline MediaFilePtr libraryMovie(const QString& title, MediaType type = MediaType::Movie) {
  auto media = std::make_shared<MediaFile>();
  media->setMediatype(type);
  media->setSeriesname(title);
  return media;
}

// "folder/name": a one-second video, tagged for `media` as the converter tags its output
// (untagged without one).
inline QString taggedVideo(const QString& folder, const QString& name, const MediaFilePtr& media) {
  static QString master;
  if (master.isEmpty()) {
    master = freshFolder("master") + "/master.m4v";
    makeTestVideo(master, 1, 160, 120);
  }
  const QString path = folder + "/" + name;
  QFile::remove(path);
  EXPECT_TRUE(QFile::copy(master, path));
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
  if (media) {
    EXPECT_FALSE(saveMP4Tags(path, 0, *media, 0, BCCReporter::dummy()).Error());
  }
  return path;
}

// The items of the library's index.
inline QJsonArray libraryItems(const QString& library) {
  return QJsonDocument::fromJson(readFile(library + "/.zuvo-library.json")).object().value("items").toArray();
}

}  // namespace zuvo::test
