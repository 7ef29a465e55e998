#pragma once
// Answers of the four services for a few shows and movies, routed onto a loopback server,
// as the look-up tests need them whole: search, record and artwork of each.
#include <QDir>
#include <QString>
#include <memory>

#include "media/MediaFile.h"
#include "metadata/ServiceTestSupport.h"

namespace zuvo::test {

inline const QString kTVDBKey = "A3C9E71B04D28F56";
inline const QString kMovieDBKey = "4f1c8e2a9b7d3065e1a2c4b6d8f09e73";
inline const QString kTagChimpPrefix = "/ape/search.php?token=58302947615AB7410D9EF26";

inline QByteArray tvdbSearchTarget(const QString& escapedLowerName) {
  return ("/api/GetSeries.php?seriesname=%22" + escapedLowerName + "%22").toUtf8();
}
inline QByteArray tvdbRecordTarget(int id, const QString& language = "en") {
  return QStringLiteral("/data/series/%1/all/%2.xml").arg(id).arg(language).toUtf8();
}
inline QByteArray tvdbBannersTarget(int id) {
  return QStringLiteral("/api/%1/series/%2/banners.xml").arg(kTVDBKey).arg(id).toUtf8();
}
inline QByteArray movieDBSearchTarget(const QString& escapedName, const QString& language = "en") {
  return QStringLiteral("/2.1/Movie.search/%1/xml/%2/%3").arg(language, kMovieDBKey, escapedName).toUtf8();
}
inline QByteArray movieDBRecordTarget(int id, const QString& language = "en") {
  return QStringLiteral("/2.1/Movie.getInfo/%1/xml/%2/%3").arg(language, kMovieDBKey).arg(id).toUtf8();
}
inline QByteArray tagChimpTVSearchTarget(const QString& name, int season, int episode) {
  return (kTagChimpPrefix + "&type=search&title=" + name + "&show=" + name +
          "&totalChapters=X&limit=200&lang=en&videoKind=TVShow&season=" + QString::number(season) +
          "&episode=" + QString::number(episode))
      .toUtf8();
}
inline QByteArray tagChimpMovieSearchTarget(const QString& name) {
  return (kTagChimpPrefix + "&type=search&title=" + name +
          "&totalChapters=X&limit=20&locked=false&lang=en&videoKind=Movie")
      .toUtf8();
}
inline QByteArray tagChimpRecordTarget(int id) {
  return (kTagChimpPrefix + "&type=lookup&totalChapters=X&id=" + QString::number(id)).toUtf8();
}
inline QByteArray tvRageSearchTarget(const QString& escapedLowerName) {
  return ("/feeds/search.php?show=%22" + escapedLowerName + "%22").toUtf8();
}
inline QByteArray tvRageEpisodesTarget(int id) {
  return "/feeds/episode_list.php?sid=" + QByteArray::number(id);
}

// TheTVDB's full record of "Battlestar Galactica" (id 71173): season 1 with two episodes.
inline const QByteArray kGalacticaRecord = R"(<?xml version="1.0" encoding="UTF-8" ?>
<Data>
<Series>
<id>71173</id>
<Actors>|Lorne Greene|Richard Hatch|Dirk Benedict|</Actors>
<ContentRating>TV-PG</ContentRating>
<Genre>|Science-Fiction|Adventure|</Genre>
<SeriesName>Battlestar Galactica</SeriesName>
</Series>
<Episode>
<EpisodeName>Saga of a Star World</EpisodeName>
<EpisodeNumber>1</EpisodeNumber>
<FirstAired>1978-09-17</FirstAired>
<Overview>The Cylons attack.</Overview>
<SeasonNumber>1</SeasonNumber>
</Episode>
<Episode>
<EpisodeName>Lost Planet of the Gods &amp;#40;1&amp;#41;</EpisodeName>
<EpisodeNumber>2</EpisodeNumber>
<FirstAired>1978-09-24</FirstAired>
<Overview>Apollo &amp;amp; Starbuck fly to Kobol.</Overview>
<SeasonNumber>1</SeasonNumber>
</Episode>
</Data>
)";

// TheTVDB: "Battlestar Galactica" (id 71173) beside the 2003 series, season 1 with two
// episodes, a season banner and a series banner.
inline void routeGalactica(LoopbackHttpServer& server) {
  server.route(tvdbSearchTarget("battlestar%20galactica"),
               xmlAnswer(R"(<?xml version="1.0" encoding="UTF-8" ?>
<Data>
<Series>
<seriesid>73545</seriesid>
<SeriesName>Battlestar Galactica (2003)</SeriesName>
</Series>
<Series>
<seriesid>71173</seriesid>
<SeriesName>Battlestar Galactica</SeriesName>
</Series>
</Data>
)"));
  server.route(tvdbRecordTarget(71173), xmlAnswer(kGalacticaRecord));
  server.route(tvdbBannersTarget(71173), xmlAnswer(R"(<?xml version="1.0" encoding="UTF-8" ?>
<Banners>
<Banner>
<BannerPath>seasons/71173-1.jpg</BannerPath>
<Rating>6</Rating>
<Season>1</Season>
</Banner>
<Banner>
<BannerPath>graphical/71173-g.jpg</BannerPath>
<Rating>9</Rating>
</Banner>
</Banners>
)"));
  server.route("/banners/seasons/71173-1.jpg", pictureAnswer(Qt::red));
  server.route("/banners/graphical/71173-g.jpg", pictureAnswer(Qt::green));
}

// TheMovieDB: "Blade Runner" (id 78) and its sequel; the record with cast, genres and a
// wide and a narrow poster.
inline void routeBladeRunner(LoopbackHttpServer& server) {
  server.route(movieDBSearchTarget("blade%20runner"), xmlAnswer(R"(<?xml version="1.0" encoding="UTF-8"?>
<OpenSearchDescription>
<movies>
<movie>
<name>Blade Runner 2049</name>
<id>335984</id>
</movie>
<movie>
<name>Blade Runner</name>
<id>78</id>
</movie>
</movies>
</OpenSearchDescription>
)"));
  server.route(movieDBRecordTarget(78), xmlAnswer(QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?>
<OpenSearchDescription>
<movies>
<movie>
<name>Blade Runner</name>
<overview>Deckard hunts replicants &amp; their maker.</overview>
<certification>R</certification>
<released>1982-06-25</released>
<categories>
<category type="genre" name="Science Fiction" url="http://x/genre/878" id="878"/>
<category type="genre" name="Drama" url="http://x/genre/18" id="18"/>
</categories>
<cast>
<person name="Harrison Ford" character="Rick Deckard" job="Actor" id="3"/>
<person name="Rutger Hauer" character="Roy Batty" job="Actor" id="585"/>
<person name="Ridley Scott" job="Director" id="578"/>
<person name="Michael Deeley" job="Producer" id="581"/>
</cast>
<images>
<image type="poster" url="{base}/posters/br-small.jpg" size="cover" width="185" height="278" id="p1"/>
<image type="poster" url="{base}/posters/br.jpg" size="original" width="1000" height="1500" id="p2"/>
</images>
</movie>
</movies>
</OpenSearchDescription>
)")
                                                      .replace("{base}", server.baseURL().toUtf8())));
  server.route("/posters/br.jpg", pictureAnswer(Qt::blue));
  server.route("/posters/br-small.jpg", pictureAnswer(Qt::yellow));
}

// tagChimp: "Doctor Who" S01E01 (id 9001) as a TV search and record with a cover.
inline void routeDoctorWho(LoopbackHttpServer& server) {
  server.route(tagChimpTVSearchTarget("doctor%20who", 1, 1), xmlAnswer(R"(<?xml version="1.0"?>
<items>
<movie>
<tagChimpID>9001</tagChimpID>
<movieHeader>
<movieTitle>Rose</movieTitle>
</movieHeader>
<television>
<showName>Doctor Who</showName>
<season>1</season>
<episode>1</episode>
</television>
</movie>
</items>
)"));
  server.route(tagChimpRecordTarget(9001) + "&season=1&episode=1",
               xmlAnswer(QByteArray(R"(<?xml version="1.0"?>
<items>
<movie>
<tagChimpID>9001</tagChimpID>
<movieHeader>
<movieTitle>Rose</movieTitle>
</movieHeader>
<movieTags>
<television>
<showName>Doctor Who</showName>
</television>
<info>
<releaseDate>2005-03-26</releaseDate>
<genre>Sci-Fi</genre>
<rating>TV-PG</rating>
<longDescription>Rose meets the Doctor &amp; the Autons.</longDescription>
</info>
<cast>
<actor>Christopher Eccleston</actor>
<actor>Billie Piper</actor>
</cast>
<directors>
<director>Keith Boak</director>
</directors>
<producers>
<producer>Phil Collinson</producer>
</producers>
<coverArtLarge>{base}/covers/9001.jpg</coverArtLarge>
</movieTags>
</movie>
</items>
)")
                             .replace("{base}", server.baseURL().toUtf8())));
  server.route("/covers/9001.jpg", pictureAnswer(Qt::cyan));
}

// An item as the probe leaves it for "Twin.Peaks.S01E02.avi", with a title to match.
inline MediaFilePtr twinPeaksItem() {
  auto item = std::make_shared<MediaFile>();
  item->setFilename("Twin.Peaks.S01E02.avi");
  item->setSeriesname("Twin Peaks");
  item->setEpisodename("Traces");
  item->setSeason(1);
  item->setShow(2);
  return item;
}

// Forgets every answer a look-up stored, so that the next one asks again.
inline void emptyCache(const QString& cache) {
  QDir(cache).removeRecursively();
  QDir().mkpath(cache);
}

// TVRage: "Twin Peaks" (id 2204) and its first episodes over two seasons.
inline void routeTwinPeaks(LoopbackHttpServer& server) {
  server.route(tvRageSearchTarget("twin%20peaks"), xmlAnswer(R"(<?xml version="1.0" encoding="UTF-8" ?>
<Results>
<show>
<showid>2204</showid>
<name>Twin Peaks</name>
</show>
<show>
<showid>31415</showid>
<name>Twin Peaks: The Return</name>
</show>
</Results>
)"));
  server.route(tvRageEpisodesTarget(2204), xmlAnswer(R"(<?xml version="1.0" encoding="UTF-8" ?>
<Show>
<name>Twin Peaks</name>
<Episodelist>
<Season no="1">
<episode><epnum>1</epnum><seasonnum>01</seasonnum><title>Pilot</title></episode>
<episode><epnum>2</epnum><seasonnum>02</seasonnum><title>Traces to Nowhere</title></episode>
<episode><epnum>3</epnum><seasonnum>03</seasonnum><title>Zen, or the Skill to Catch a Killer</title></episode>
</Season>
<Season no="2">
<episode><epnum>9</epnum><seasonnum>01</seasonnum><title>May the Giant Be with You</title></episode>
<episode><epnum>10</epnum><seasonnum>02</seasonnum><title>Coma &amp; Co</title></episode>
</Season>
</Episodelist>
</Show>
)"));
}

}  // namespace zuvo::test
