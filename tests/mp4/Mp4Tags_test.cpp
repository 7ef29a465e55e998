#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include "Mp4Fixtures.h"
#include "mp4/Mp4File.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

struct Fixture {
  const char* label;
  FixtureRecipe recipe;
};

const Fixture kFixtures[] = {
    {"moov last", {Layout::MoovLast}},
    {"moov first", {Layout::MoovFirst}},
    {"moov first with padding", {Layout::MoovFirstPadded}},
    {"tags from ffmpeg",
     {Layout::MoovLast, {"title=Old", "artist=Old Artist", "comment=Old comment", "genre=Old"}}},
    {"tags from AtomicParsley", {Layout::MoovFirst, {}, false, true}},
    {"chapters from ffmpeg", {Layout::MoovFirst, {}, true}},
};

QString md5(const Mp4Buffer& b) {
  return QCryptographicHash::hash(QByteArrayView(b.data(), qsizetype(b.size())), QCryptographicHash::Md5)
      .toHex();
}

Mp4Error write(const QString& path, const Mp4Tags& tags) {
  Mp4File f;
  if (auto e = f.open(path.toStdString(), Mp4File::Mode::Modify)) return e;
  f.storeTags(tags);
  return f.commit();
}

Mp4Tags read(const QString& path) {
  Mp4File f;
  const Mp4Error e = f.open(path.toStdString(), Mp4File::Mode::Read);
  EXPECT_FALSE(e) << e.message();
  return f.tags();
}

// What mutagen must see for tvEpisodeTags(): key, JSON of its value list.
const std::pair<const char*, const char*> kMutagenExpectations[] = {
    {"\u00a9nam", R"j(["Pilot"])j"},
    {"\u00a9ART", R"j(["The Show"])j"},
    {"aART", R"j(["The Show"])j"},
    {"\u00a9alb", R"j(["The Show, Season 1"])j"},
    {"\u00a9grp", R"j(["Group"])j"},
    {"\u00a9wrt", R"j(["Composer"])j"},
    {"\u00a9cmt", R"j(["Comment"])j"},
    {"\u00a9gen", R"j(["Drama","Rock"])j"},  // mutagen adds the gnre number's name (18: Rock)
    {"\u00a9day", R"j(["2008-01-20"])j"},
    {"tvsh", R"j(["The Show"])j"},
    {"tvnn", R"j(["AMC"])j"},
    {"tven", R"j(["112"])j"},
    {"desc", R"j(["Short"])j"},
    {"ldes", R"j(["Ein langer Text über \"Ärger\" – 日本語"])j"},
    {"\u00a9lyr", R"j(["La la"])j"},
    {"sonm", R"j(["Pilot"])j"},
    {"soar", R"j(["Show, The"])j"},
    {"soaa", R"j(["Show, The"])j"},
    {"soal", R"j(["Show, The, Season 1"])j"},
    {"soco", R"j(["Composer, A"])j"},
    {"sosn", R"j(["Show, The"])j"},
    {"cprt", R"j(["(c) Studio"])j"},
    {"\u00a9too", R"j(["Tool 1.0"])j"},
    {"\u00a9enc", R"j(["Zuvo (Kelvane Software)"])j"},
    {"purd", R"j(["2009-01-01 10:00:00"])j"},
    {"apID", R"j(["me@example.com"])j"},
    {"trkn", R"j([[12,0]])j"},
    {"disk", R"j([[1,1]])j"},
    {"tmpo", R"j([120])j"},
    {"stik", R"j([10])j"},
    {"hdvd", R"j([1])j"},
    {"rtng", R"j([4])j"},
    {"pgap", R"j([1])j"},
    {"cpil", R"j([0])j"},
    {"pcst", R"j([0])j"},
    {"tvsn", R"j([1])j"},
    {"tves", R"j([12])j"},
    {"cnID", R"j([123456])j"},
    {"atID", R"j([42])j"},
    {"plID", R"j([1234567890123])j"},
    {"geID", R"j([7])j"},
    {"cmID", R"j([9])j"},
    {"sfID", R"j([143441])j"},
};

const char* kAtomicParsleyLines[] = {
    "Atom \"\u00a9nam\" contains: Pilot",
    "Atom \"tvsh\" contains: The Show",
    "Atom \"tvnn\" contains: AMC",
    "Atom \"tven\" contains: 112",
    "Atom \"tvsn\" contains: 1",
    "Atom \"tves\" contains: 12",
    "Atom \"stik\" contains: TV Show",
    "Atom \"hdvd\" contains: 1",
    "Atom \"trkn\" contains: 12",
    "Atom \"disk\" contains: 1 of 1",
    "Atom \"gnre\" contains: Rock",
    "Atom \"tmpo\" contains: 120",
    "Atom \"cnID\" contains: 123456",
    "Atom \"plID\" contains: 1234567890123",
    "Atom \"rtng\" contains: Explicit Content",
    "Atom \"pgap\" contains: true",
    "Atom \"covr\" contains: 1 piece of artwork",
};

const char* kFfprobeLines[] = {
    "TAG:title=Pilot",
    "TAG:artist=The Show",
    "TAG:album_artist=The Show",
    "TAG:album=The Show, Season 1",
    "TAG:show=The Show",
    "TAG:network=AMC",
    "TAG:episode_id=112",
    "TAG:season_number=1",
    "TAG:episode_sort=12",
    "TAG:media_type=10",
    "TAG:hd_video=1",
    "TAG:date=2008-01-20",
    "TAG:description=Short",
    "TAG:synopsis=Ein langer Text über \"Ärger\" – 日本語",
    "TAG:sort_show=Show, The",
    "TAG:encoder=Zuvo (Kelvane Software)",
    "TAG:disc=1/1",
};

const char* kMediainfoPatterns[] = {
    R"(Track name\s+: Pilot)",    R"(Collection\s+: The Show)", R"(Season\s+: 1)",
    R"(ContentType\s+: TV Show)", R"(TVNetworkName\s+: AMC)",   R"(Cover\s+: Yes)",
    R"(HDVideo\s+: Yes)",         R"(Part_ID\s+: 112)",
};

}  // namespace

TEST(Mp4Tags, EveryItemWrittenIsReadBackByReadersWeDidNotWrite) {
  const QString folder = freshFolder("covers");
  const Mp4Buffer jpeg = makePicture(folder + "/cover.jpg");
  Mp4Tags tags = tvEpisodeTags();
  tags.artwork = {Mp4Cover::fromPicture(jpeg)};
  ASSERT_EQ(tags.artwork[0].format, Mp4DataType::Jpeg);

  for (const Fixture& fixture : kFixtures) {
    SCOPED_TRACE(fixture.label);
    const QString path = makeMp4(fixture.recipe);
    const QByteArray mediaBefore = packetDigest(path);
    const QByteArray chaptersBefore = ffprobe(path).contains("[CHAPTER]") ? "with" : "without";

    const Mp4Error e = write(path, tags);
    ASSERT_FALSE(e) << e.message();
    EXPECT_EQ(read(path), tags);

    const QJsonObject mutagen = mutagenView(path)["tags"].toObject();
    for (const auto& [key, json] : kMutagenExpectations)
      EXPECT_EQ(QJsonDocument(mutagen[key].toArray()).toJson(QJsonDocument::Compact), QByteArray(json))
          << "mutagen key " << key;
    const QJsonObject cover = mutagen["covr"].toArray().at(0).toObject();
    EXPECT_EQ(cover["format"].toInt(), 13);
    EXPECT_EQ(cover["md5"].toString(), md5(jpeg));

    const QByteArray ap = atomicParsley(path);
    for (const char* line : kAtomicParsleyLines)
      EXPECT_TRUE(ap.contains(line)) << line << "\n" << ap.toStdString();
    const QByteArray probe = ffprobe(path);
    for (const char* line : kFfprobeLines)
      EXPECT_TRUE(probe.contains(line)) << line << "\n" << probe.toStdString();
    EXPECT_EQ(probe.contains("[CHAPTER]") ? "with" : "without", chaptersBefore);
    const QString info = QString::fromUtf8(mediainfo(path));
    for (const char* pattern : kMediainfoPatterns)
      EXPECT_TRUE(info.contains(QRegularExpression(pattern))) << pattern << "\n" << info.toStdString();

    EXPECT_EQ(packetDigest(path), mediaBefore);
  }
}

TEST(Mp4Tags, StoringRemovesUnsetKnownItemsAndKeepsUnknownAndFreeformOnes) {
  const QString path =
      makeMp4({Layout::MoovFirst, {"title=Old", "artist=Old Artist", "comment=Old comment"}});
  // Items this library does not know, written by a reader we did not write.
  runCommand("/usr/bin/python3",
             {"-c",
              "import sys\nfrom mutagen.mp4 import MP4, MP4FreeForm\nf = MP4(sys.argv[1])\n"
              "f['xtra'] = ['kept']\nf['----:com.example:note'] = [MP4FreeForm(b'free text')]\n"
              "f['keyw'] = ['a keyword']\nf.save()",
              path});
  Mp4Box unknownBefore;
  {
    Mp4File f;
    ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Read));
    ASSERT_NE(f.moov().find("udta.meta.ilst.xtra"), nullptr);
    unknownBefore = *f.moov().find("udta.meta.ilst.xtra");
    EXPECT_EQ(f.tags().artist, "Old Artist");
  }
  Mp4Tags only;
  only.name = "New";
  ASSERT_FALSE(write(path, only));

  const QJsonObject tags = mutagenView(path)["tags"].toObject();
  EXPECT_EQ(tags["\u00a9nam"].toArray().at(0).toString(), "New");
  for (const char* gone : {"\u00a9ART", "\u00a9cmt", "\u00a9too"}) EXPECT_FALSE(tags.contains(gone)) << gone;
  EXPECT_EQ(tags["xtra"].toArray().at(0).toString(), "kept");
  EXPECT_EQ(tags["keyw"].toArray().at(0).toString(), "a keyword");
  EXPECT_EQ(tags["----:com.example:note"].toArray().at(0).toString(), "free text");
  Mp4File f;
  ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Read));
  EXPECT_EQ(f.moov().find("udta.meta.ilst.xtra")->serialize(), unknownBefore.serialize());
}

TEST(Mp4Tags, IntegerItemsHaveTheWidthsITunesWrites) {
  const QString path = makeMp4({Layout::MoovLast});
  ASSERT_FALSE(write(path, tvEpisodeTags()));
  const struct {
    const char* code;
    size_t bytes;
    Mp4DataType type;
  } cases[] = {
      {"stik", 1, Mp4DataType::SignedInteger}, {"hdvd", 1, Mp4DataType::SignedInteger},
      {"rtng", 1, Mp4DataType::SignedInteger}, {"pgap", 1, Mp4DataType::SignedInteger},
      {"cpil", 1, Mp4DataType::SignedInteger}, {"pcst", 1, Mp4DataType::SignedInteger},
      {"tmpo", 2, Mp4DataType::SignedInteger}, {"gnre", 2, Mp4DataType::Implicit},
      {"tvsn", 4, Mp4DataType::SignedInteger}, {"tves", 4, Mp4DataType::SignedInteger},
      {"cnID", 4, Mp4DataType::SignedInteger}, {"atID", 4, Mp4DataType::SignedInteger},
      {"geID", 4, Mp4DataType::SignedInteger}, {"cmID", 4, Mp4DataType::SignedInteger},
      {"sfID", 4, Mp4DataType::SignedInteger}, {"plID", 8, Mp4DataType::SignedInteger},
      {"trkn", 8, Mp4DataType::Implicit},      {"disk", 6, Mp4DataType::Implicit},
  };
  Mp4File f;
  ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Read));
  for (const auto& c : cases) {
    const Mp4Box* box = f.moov().find(std::string("udta.meta.ilst.") + c.code);
    ASSERT_NE(box, nullptr) << c.code;
    Mp4Item item;
    ASSERT_FALSE(Mp4Item::fromBox(*box, item)) << c.code;
    ASSERT_EQ(item.data().size(), 1u) << c.code;
    EXPECT_EQ(item.data()[0].value.size(), c.bytes) << c.code;
    EXPECT_EQ(item.data()[0].type, uint32_t(c.type)) << c.code;
  }
}

TEST(Mp4Tags, CoversKeepTheirFormatAndAnEmptyListRemovesThem) {
  const QString folder = freshFolder("covers");
  const Mp4Buffer jpeg = makePicture(folder + "/a.jpg", 64);
  const Mp4Buffer png = makePicture(folder + "/b.png", 48);
  const QString path = makeMp4({Layout::MoovFirst});
  Mp4Tags tags;
  tags.artwork = {Mp4Cover::fromPicture(jpeg), Mp4Cover::fromPicture(png)};
  ASSERT_FALSE(write(path, tags));
  EXPECT_EQ(read(path).artwork, tags.artwork);
  const QJsonArray covers = mutagenView(path)["tags"].toObject()["covr"].toArray();
  ASSERT_EQ(covers.size(), 2);
  EXPECT_EQ(covers[0].toObject()["format"].toInt(), 13);
  EXPECT_EQ(covers[0].toObject()["md5"].toString(), md5(jpeg));
  EXPECT_EQ(covers[1].toObject()["format"].toInt(), 14);
  EXPECT_EQ(covers[1].toObject()["md5"].toString(), md5(png));

  ASSERT_FALSE(write(path, Mp4Tags()));
  EXPECT_TRUE(read(path).artwork.empty());
  EXPECT_FALSE(mutagenView(path)["tags"].toObject().contains("covr"));
}

TEST(Mp4Tags, ExistingTagsFromOtherWritersAreRead) {
  const QString fromFfmpeg =
      makeMp4({Layout::MoovLast, {"title=Old Title", "show=Old Show", "genre=Comedy", "date=2001"}});
  const Mp4Tags a = read(fromFfmpeg);
  EXPECT_EQ(a.name, "Old Title");
  EXPECT_EQ(a.tvShow, "Old Show");
  EXPECT_EQ(a.genre, "Comedy");
  EXPECT_EQ(a.releaseDate, "2001");
  const Mp4Tags b = read(makeMp4({Layout::MoovFirst, {}, false, true}));
  EXPECT_EQ(b.name, "AP Title");
  EXPECT_EQ(b.artist, "AP Artist");
  EXPECT_EQ(b.tvNetwork, "AP Network");
  EXPECT_EQ(b.mediaType, 10);
}
