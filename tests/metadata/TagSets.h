#pragma once
// The three kinds of tag set the writer handles, on media objects, and the fixtures the
// writer tests share.
#include <QImage>

#include "media/MediaFile.h"
#include "media/MediaTestSupport.h"

namespace zuvo::test {

inline ChapterTrack chapterAt(const char* start, const char* title) {
  ChapterTrack c;
  c.setStarttime(QString::fromLatin1(start));
  c.setTitle(QString::fromUtf8(title));
  return c;
}

// A 600x600 picture with some detail, as the look-ups deliver covers.
inline QImage coverPicture(int size = 600) {
  QImage image(size, size, QImage::Format_RGB32);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) image.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
  return image;
}

inline MediaFilePtr tvEpisode() {
  registerSettingDefaults();
  auto m = std::make_shared<MediaFile>();
  m->setMediatype(MediaType::TVShow);
  m->setSeriesname("The Show & Co");
  m->setEpisodename(QString::fromUtf8("Pilot – Teil 1"));
  m->setSeason(1);
  m->setShow(12);
  m->setGenre("Drama");
  m->setReleasedate("2008-01-20");
  m->setDescription(QString::fromUtf8("A \"long\" description <with> ümlauts & more"));
  m->setRating("TV-14");
  m->setActors(QString::fromUtf8("Anna Ärger, Bob <B> Smith,Conan O'Brien ,  Dee & Co"));
  m->setDirectors("Ed Director");
  m->setProducers("");
  m->setImage(coverPicture());
  m->setChapters({chapterAt("00:00:00", "Opening"), chapterAt("00:00:01", "Middle & more"),
                  chapterAt("00:00:02", "Ende – Schluß")});
  return m;
}

inline MediaFilePtr movie() {
  registerSettingDefaults();
  auto m = std::make_shared<MediaFile>();
  m->setMediatype(MediaType::Movie);
  m->setSeriesname("The Movie");
  m->setGenre("Thriller");
  m->setReleasedate("1999-05-01");
  m->setDescription("What happens.");
  m->setRating("PG-13");
  m->setActors("Star One, Star Two");
  m->setDirectors("First Director, Second Director");
  m->setProducers("Pat Producer");
  m->setImage(coverPicture(300));
  // The first chapter does not start at 0.
  m->setChapters({chapterAt("00:00:01", "Start"), chapterAt("00:00:02", "Second")});
  return m;
}

inline MediaFilePtr homeMovie() {
  registerSettingDefaults();
  auto m = std::make_shared<MediaFile>();
  m->setMediatype(MediaType::HomeMovie);
  m->setSeriesname("Summer 2009");
  m->setDescription("At the lake.");
  return m;
}

}  // namespace zuvo::test
