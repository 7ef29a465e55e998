// Saves a TV episode's tags in place with saveMP4TagsInPlace (a cover, a rating and a cast
// list), again and again, on a copy of the given file, and prints the median time of one save.
//
//   savemp4tags_bench FILE COVER.jpg [REPEATS]
#include <QCoreApplication>
#include <QImage>
#include <cstdio>
#include <filesystem>

#include "TimedSaves.h"
#include "media/MediaFile.h"
#include "metadata/SaveMP4Tags.h"

using namespace zuvo;

namespace {

MediaFilePtr episode(const QImage& cover) {
  auto m = std::make_shared<MediaFile>();
  m->setMediatype(MediaType::TVShow);
  m->setSeriesname("Benchmark Show");
  m->setSeason(2);
  m->setGenre("Drama");
  m->setReleasedate("2008-01-20");
  m->setRating("TV-14");
  QStringList actors;
  for (int i = 1; i <= 10; ++i) actors << QStringLiteral("Actor Number %1").arg(i);
  m->setActors(actors.join(", "));
  m->setDirectors("First Director, Second Director");
  m->setProducers("A Producer");
  m->setImage(cover);
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s FILE COVER.jpg [REPEATS]\n", argv[0]);
    return 2;
  }
  const std::filesystem::path source = argv[1];
  const int repeats = bench::repeatsArgument(argc, argv);
  const QImage cover(QString::fromLocal8Bit(argv[2]));
  if (cover.isNull()) {
    std::fprintf(stderr, "cannot read the cover %s\n", argv[2]);
    return 1;
  }
  const MediaFilePtr media = episode(cover);
  const Reporter log = BCCReporter::dummy();
  return bench::timeSaves(source, repeats, [&](const std::string& copy, int round) {
    media->setShow(quint32(round % 99 + 1));
    media->setEpisodename(QStringLiteral("Episode %1").arg(round));
    media->setDescription(QStringLiteral("Episode %1 of the benchmark series.").arg(round));
    const BCError e = saveMP4TagsInPlace(QString::fromStdString(copy), *media, log);
    return e.Error() ? e.Description().toStdString() : std::string();
  });
}
