#include "metadata/SaveMP4Tags.h"

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include "IndependentReaders.h"
#include "TagSets.h"
#include "mp4/Mp4File.h"
#include "mp4/Mp4FileHandle.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

const FixtureRecipe kFixtures[] = {
    {Layout::MoovLast},
    {Layout::MoovFirst},
    {Layout::MoovFirstPadded},
    {Layout::MoovLast, {"title=Old", "artist=Old Artist", "comment=Old comment", "genre=Old"}},
    {Layout::MoovFirst, {}, false, true},  // tags from AtomicParsley
    {Layout::MoovFirst, {}, true},         // chapters from ffmpeg
};
QString fixtureName(const FixtureRecipe& r) {
  return layoutName(r.layout) + (r.ffmpegMetadata.isEmpty() ? "" : ", ffmpeg tags") +
         (r.atomicParsleyTags ? ", AtomicParsley tags" : "") + (r.chapters ? ", chapters" : "");
}

constexpr uint32_t kCatalogueId = 1234;

struct Saver {
  const char* label;
  bool inPlace;
};
constexpr Saver kSavers[] = {{"saveMP4Tags", false}, {"saveMP4TagsInPlace", true}};

BCError save(const Saver& saver, const QString& path, const MediaFile& media, const Reporter& log) {
  return saver.inPlace ? saveMP4TagsInPlace(path, media, log)
                       : saveMP4Tags(path, kCatalogueId, media, 1, log);
}

// What the readers must see of one tag set.
struct TagSetCase {
  const char* label;
  MediaFilePtr media;
  std::vector<std::pair<const char*, const char*>> mutagen;  // key, JSON of its values
  std::vector<const char*> goneInPlace;                      // keys a rewrite in place drops
  QJsonObject names;                                         // the cast list as plistlib reads it
  std::optional<ChapterLines> chapters;                      // nothing: the fixture's own stay
  QStringList atomicParsley, ffprobe, mediainfo;             // lines, lines, patterns
};

TagSetCase tvEpisodeCase() {
  return {
      "TV episode",
      tvEpisode(),
      {{"\u00a9nam", R"j(["Pilot – Teil 1"])j"},
       {"\u00a9ART", R"j(["The Show & Co"])j"},
       {"aART", R"j(["The Show & Co"])j"},
       {"\u00a9alb", R"j(["The Show & Co, Season 1"])j"},
       {"soal", R"j(["The Show & Co, Season 1"])j"},
       {"sonm", R"j(["The Show & Co"])j"},
       {"tvsh", R"j(["The Show & Co"])j"},
       {"tven", R"j(["112"])j"},
       {"tvsn", R"j([1])j"},
       {"tves", R"j([12])j"},
       {"trkn", R"j([[12,0]])j"},
       {"disk", R"j([[1,1]])j"},
       {"tvnn", R"j([""])j"},
       {"stik", R"j([10])j"},
       {"\u00a9gen", R"j(["Drama"])j"},
       {"\u00a9day", R"j(["2008-01-20"])j"},
       {"desc", R"j(["A \"long\" description <with> ümlauts & more"])j"},
       {"ldes", R"j(["A \"long\" description <with> ümlauts & more"])j"},
       {"\u00a9lyr", R"j([""])j"},
       {"soar", R"j([""])j"},
       {"soaa", R"j([""])j"},
       {"sosn", R"j([""])j"},
       {"----:com.apple.iTunes:iTunEXTC", R"j(["us-tv|TV-14|500|"])j"}},
      {},
      namesJson({"Anna Ärger", "Bob <B> Smith", "Conan O'Brien", "Dee & Co"}, {"Ed Director"}, {"Unknown"}),
      ChapterLines{"0 Opening", "1000 Middle & more", "2000 Ende – Schluß"},
      {"Atom \"\u00a9nam\" contains: Pilot – Teil 1", "Atom \"tvsh\" contains: The Show & Co",
       "Atom \"tven\" contains: 112", "Atom \"tvsn\" contains: 1", "Atom \"tves\" contains: 12",
       "Atom \"stik\" contains: TV Show", "Atom \"trkn\" contains: 12", "Atom \"disk\" contains: 1 of 1",
       "Atom \"----\" [com.apple.iTunes;iTunEXTC] contains: us-tv|TV-14|500|",
       "Atom \"covr\" contains: 1 piece of artwork"},
      {"TAG:title=Pilot – Teil 1", "TAG:show=The Show & Co", "TAG:episode_id=112", "TAG:season_number=1",
       "TAG:episode_sort=12", "TAG:media_type=10", "TAG:album=The Show & Co, Season 1",
       "TAG:iTunEXTC=us-tv|TV-14|500|"},
      {R"(Track name\s+: Pilot – Teil 1)", R"(Collection\s+: The Show & Co)", R"(Season\s+: 1)",
       R"(ContentType\s+: TV Show)", R"(Actor\s+: Anna Ärger / Bob <B> Smith / Conan O'Brien / Dee & Co)",
       R"(Director\s+: Ed Director)", R"(Producer\s+: Unknown)", R"(ContentRating\s+: us-tv\|TV-14\|500\|)",
       R"(Cover\s+: Yes)"}};
}

// mediainfo names media kind 9 "Short Film".
TagSetCase movieCase() {
  return {"movie",
          movie(),
          {{"\u00a9nam", R"j(["The Movie"])j"},
           {"\u00a9ART", R"j(["First Director"])j"},
           {"soar", R"j(["First Director"])j"},
           {"\u00a9alb", R"j([""])j"},
           {"soal", R"j([""])j"},
           {"aART", R"j([""])j"},
           {"sonm", R"j([""])j"},
           {"stik", R"j([9])j"},
           {"\u00a9gen", R"j(["Thriller"])j"},
           {"\u00a9day", R"j(["1999-05-01"])j"},
           {"ldes", R"j(["What happens."])j"},
           {"----:com.apple.iTunes:iTunEXTC", R"j(["mpaa|PG-13|300|"])j"}},
          {"tvsh", "tvsn", "tves", "tven", "trkn", "disk", "tvnn"},
          namesJson({"Star One", "Star Two"}, {"First Director", "Second Director"}, {"Pat Producer"}),
          ChapterLines{"1000 Start", "2000 Second"},
          {"Atom \"\u00a9nam\" contains: The Movie", "Atom \"stik\" contains: Movie",
           "Atom \"\u00a9ART\" contains: First Director",
           "Atom \"----\" [com.apple.iTunes;iTunEXTC] contains: mpaa|PG-13|300|",
           "Atom \"covr\" contains: 1 piece of artwork"},
          {"TAG:title=The Movie", "TAG:artist=First Director", "TAG:media_type=9",
           "TAG:iTunEXTC=mpaa|PG-13|300|"},
          {R"(Movie name\s+: The Movie)", R"(ContentType\s+: Short Film)",
           R"(Director\s+: First Director / Second Director)", R"(Producer\s+: Pat Producer)",
           R"(ContentRating\s+: mpaa\|PG-13\|300\|)"}};
}

TagSetCase homeMovieCase() {
  return {"home movie",
          homeMovie(),
          {{"\u00a9nam", R"j(["Summer 2009"])j"},
           {"\u00a9ART", R"j([""])j"},
           {"soar", R"j([""])j"},
           {"stik", R"j([9])j"},
           {"ldes", R"j(["At the lake."])j"},
           {"----:com.apple.iTunes:iTunEXTC", R"j(["mpaa|NR|000|"])j"}},
          {"tvsh", "tvsn", "tves", "tven", "trkn", "disk", "tvnn", "covr"},
          namesJson({}, {}, {"Unknown"}),
          std::nullopt,
          {"Atom \"\u00a9nam\" contains: Summer 2009", "Atom \"stik\" contains: Movie",
           "Atom \"----\" [com.apple.iTunes;iTunEXTC] contains: mpaa|NR|000|"},
          {"TAG:title=Summer 2009", "TAG:media_type=9", "TAG:iTunEXTC=mpaa|NR|000|"},
          {R"(Movie name\s+: Summer 2009)", R"(ContentType\s+: Short Film)", R"(Producer\s+: Unknown)"}};
}

QByteArray json(const QJsonArray& a) { return QJsonDocument(a).toJson(QJsonDocument::Compact); }

// Both savers, one after the other, on one fixture, each result read by every reader we did
// not write.
void checkTagSet(const TagSetCase& c, const FixtureRecipe& recipe) {
  CapturedLog log;
  const int coverSize = c.media->image().isNull() ? 0 : c.media->image().width();
  {
    const QString path = makeMp4(recipe);
    const QByteArray media = packetDigest(path);
    const ChapterLines ownChapters = ffprobeChapters(path);
    const ChapterLines ownNeroChapters = mutagenChapters(path);
    for (const Saver& saver : kSavers) {
      SCOPED_TRACE(QStringLiteral("%1, %2, %3").arg(c.label, fixtureName(recipe), saver.label).toStdString());
      const BCError e = save(saver, path, *c.media, log.reporter);
      ASSERT_FALSE(e.Error()) << e.Description().toStdString();

      // Each reader runs once per save; its output serves every check.
      const QJsonObject view = mutagenView(path);
      const QJsonObject tags = view["tags"].toObject();
      for (const auto& [key, values] : c.mutagen)
        EXPECT_EQ(json(tags[key].toArray()), QByteArray(values)) << key;
      if (saver.inPlace) {
        for (const char* key : {"\u00a9enc", "cnID", "hdvd", "\u00a9too", "\u00a9cmt"})
          EXPECT_FALSE(tags.contains(key)) << key;
        for (const char* key : c.goneInPlace) EXPECT_FALSE(tags.contains(key)) << key;
      } else {
        EXPECT_EQ(json(tags["\u00a9enc"].toArray()), R"j(["Zuvo (Kelvane Software)"])j");
        EXPECT_EQ(json(tags["cnID"].toArray()), QByteArray::number(kCatalogueId).prepend('[').append(']'));
        EXPECT_EQ(json(tags["hdvd"].toArray()), "[1]");
      }
      const QJsonArray covers = tags["covr"].toArray();
      EXPECT_EQ(covers.size(), coverSize ? 1 : 0);
      if (coverSize) {
        EXPECT_EQ(covers[0].toObject()["format"].toInt(), 13);
      }
      const QJsonArray cast = tags["----:com.apple.iTunes:iTunMOVI"].toArray();
      ASSERT_EQ(cast.size(), 1);
      EXPECT_EQ(plistNames(cast[0].toString().toUtf8()), c.names);

      const QByteArray probe = ffprobe(path);
      EXPECT_EQ(chaptersInView(view), c.chapters.value_or(ownNeroChapters));
      EXPECT_EQ(chaptersInProbe(probe), c.chapters.value_or(ownChapters));

      const QByteArray ap = atomicParsley(path);
      for (const QString& line : c.atomicParsley)
        EXPECT_TRUE(ap.contains(line.toUtf8())) << line.toStdString() << "\n" << ap.toStdString();
      for (const QString& line : c.ffprobe)
        EXPECT_TRUE(probe.contains(line.toUtf8())) << line.toStdString() << "\n" << probe.toStdString();
      if (coverSize) {
        EXPECT_TRUE(probe.contains(QStringLiteral("width=%1\nheight=%1\n").arg(coverSize).toUtf8()))
            << "the cover's size";
      }
      const QString info = QString::fromUtf8(mediainfo(path));
      for (const QString& pattern : c.mediainfo)
        EXPECT_TRUE(info.contains(QRegularExpression(pattern))) << pattern.toStdString() << "\n"
                                                                << info.toStdString();

      EXPECT_EQ(packetDigest(path), media);
    }
  }
}

}  // namespace

// One case per fixture, so that the fixtures are read back side by side.
class SaveMP4TagsReadBack : public ::testing::TestWithParam<int> {
 protected:
  static const FixtureRecipe& recipe() { return kFixtures[GetParam()]; }
};

TEST_P(SaveMP4TagsReadBack, ATVEpisodeIsReadBackByReadersWeDidNotWrite) {
  checkTagSet(tvEpisodeCase(), recipe());
}
TEST_P(SaveMP4TagsReadBack, AMovieIsReadBackByReadersWeDidNotWrite) { checkTagSet(movieCase(), recipe()); }
TEST_P(SaveMP4TagsReadBack, AHomeMovieIsReadBackByReadersWeDidNotWrite) {
  checkTagSet(homeMovieCase(), recipe());
}

INSTANTIATE_TEST_SUITE_P(SaveMP4Tags, SaveMP4TagsReadBack, ::testing::Range(0, int(std::size(kFixtures))),
                         [](const ::testing::TestParamInfo<int>& info) {
                           QString name = fixtureName(kFixtures[info.param]);
                           name.replace(QRegularExpression("[^A-Za-z0-9]+"), "_");
                           return name.toStdString();
                         });

TEST(SaveMP4Tags, AConvertedFileKeepsItsOtherTagsWhileAnInPlaceSaveRewritesThemAll) {
  const QString folder = freshFolder("other");
  const QString path = makeMp4({Layout::MoovLast, {"comment=Old comment", "copyright=(c) Old"}});
  const QString oldCover = folder + "/old.png";
  makePicture(oldCover, 32);
  const CommandResult tagged = runCommand(
      "/usr/bin/python3",
      {"-c",
       "import sys\nfrom mutagen.mp4 import MP4, MP4Cover, MP4FreeForm\nf = MP4(sys.argv[1])\n"
       "f['covr'] = [MP4Cover(open(sys.argv[2], 'rb').read(), MP4Cover.FORMAT_PNG)]\n"
       "f['cnID'] = [77]\nf['\\xa9enc'] = ['Other Encoder']\n"
       "f['----:com.example:note'] = [MP4FreeForm(b'kept')]\n"
       "f['----:com.apple.iTunes:iTunEXTC'] = [MP4FreeForm(b'mpaa|R|400|'), MP4FreeForm(b'mpaa|G|100|')]\n"
       "f.save()",
       path, oldCover});
  ASSERT_EQ(tagged.exitCode, 0) << tagged.output.toStdString();
  CapturedLog log;
  const MediaFilePtr media = tvEpisode();

  ASSERT_FALSE(saveMP4Tags(path, 0, *media, 2, log.reporter).Error());
  QJsonObject tags = mutagenView(path)["tags"].toObject();
  EXPECT_EQ(json(tags["\u00a9cmt"].toArray()), R"j(["Old comment"])j");
  EXPECT_EQ(json(tags["cprt"].toArray()), R"j(["(c) Old"])j");
  EXPECT_EQ(json(tags["cnID"].toArray()), "[77]") << "a catalogue id of 0 keeps the present one";
  EXPECT_EQ(json(tags["\u00a9enc"].toArray()), R"j(["Zuvo (Kelvane Software)"])j");
  EXPECT_EQ(json(tags["hdvd"].toArray()), "[2]");
  ASSERT_EQ(tags["covr"].toArray().size(), 2) << "the cover is added to the one there";
  EXPECT_EQ(tags["covr"].toArray()[0].toObject()["format"].toInt(), 14);
  EXPECT_EQ(tags["covr"].toArray()[1].toObject()["format"].toInt(), 13);
  EXPECT_EQ(json(tags["----:com.example:note"].toArray()), R"j(["kept"])j");
  EXPECT_EQ(json(tags["----:com.apple.iTunes:iTunEXTC"].toArray()), R"j(["us-tv|TV-14|500|"])j");
  EXPECT_FALSE(log.text().contains("Setting CNID"));

  ASSERT_FALSE(saveMP4Tags(path, 5678, *media, 1, log.reporter).Error());
  EXPECT_TRUE(log.text().contains("[BLUE]saveMP4Tags::Setting CNID to : 5678"));
  EXPECT_EQ(json(mutagenView(path)["tags"].toObject()["cnID"].toArray()), "[5678]");

  ASSERT_FALSE(saveMP4TagsInPlace(path, *media, log.reporter).Error());
  tags = mutagenView(path)["tags"].toObject();
  for (const char* gone : {"\u00a9cmt", "cprt", "cnID", "\u00a9enc", "hdvd"})
    EXPECT_FALSE(tags.contains(gone)) << gone;
  ASSERT_EQ(tags["covr"].toArray().size(), 1);
  EXPECT_EQ(tags["covr"].toArray()[0].toObject()["format"].toInt(), 13);
  EXPECT_EQ(json(tags["----:com.example:note"].toArray()), R"j(["kept"])j");
}

TEST(SaveMP4Tags, AFileThatCannotBeChangedIsReportedAndLeftAlone) {
  const QString folder = freshFolder("refused");
  const QString readOnly = copyTo(makeMp4({Layout::MoovLast}), folder, "read-only.m4v");
  QFile::setPermissions(readOnly, QFile::ReadOwner);
  const QString moovFirst = makeMp4({Layout::MoovFirst});
  const QByteArray mp4 = readFile(moovFirst);
  // The free box between the moov and the media declared as running to the end of the file: a
  // save there would overwrite the media.
  QByteArray openEndedFree = mp4;
  const qsizetype freeAt = openEndedFree.indexOf("free") - 4;
  ASSERT_EQ(topLevelBoxes(moovFirst).indexOf(QStringLiteral("free:8")), 2);
  openEndedFree.replace(freeAt, 4, QByteArray(4, '\0'));
  struct Case {
    const char* label;
    QString path;
  };
  std::vector<Case> cases = {
      {"missing", folder + "/missing.m4v"},
      {"not an MP4 file", writeFile(folder + "/text.m4v", "just some text, no boxes at all\n")},
      {"truncated", writeFile(folder + "/truncated.m4v", mp4.left(mp4.size() / 2))},
      {"media in free space", writeFile(folder + "/free.m4v", openEndedFree)},
  };
  if (geteuid() != 0) cases.push_back({"read-only", readOnly});  // root may write anyway
  const MediaFilePtr media = tvEpisode();
  for (const Case& c : cases) {
    for (const Saver& saver : kSavers) {
      SCOPED_TRACE(std::string(c.label) + ", " + saver.label);
      CapturedLog log;
      const QByteArray before = readFile(c.path);
      const BCError e = save(saver, c.path, *media, log.reporter);
      EXPECT_TRUE(e.Error());
      EXPECT_EQ(e.Code(), kMP4CannotOpenCode);
      const QString line = saver.inPlace
                               ? "saveMP4TagsInPlace::Can't open MP4 file to apply HD tags : " + c.path
                               : "[RED]saveMP4Tags::Can't open MP4 file to apply HD tags : " + c.path;
      EXPECT_TRUE(log.text().contains(line)) << log.text().toStdString();
      EXPECT_TRUE(e.Description().startsWith(line)) << e.Description().toStdString();
      EXPECT_EQ(readFile(c.path), before);
    }
  }
  EXPECT_FALSE(QFile::exists(folder + "/missing.m4v"));
}

TEST(SaveMP4Tags, AWriteThatFailsIsReportedAndTheFileKeepsItsOldTags) {
  const QString path = makeMp4({Layout::MoovLast, {"title=Old"}});
  const QByteArray before = readFile(path);
  CapturedLog log;
  log.reporter->report("start", 3);  // the log file exists before the limit
  const MediaFilePtr media = tvEpisode();
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit small = saved;
  small.rlim_cur = rlim_t(before.size() + 4096);  // far less than the new moov with its cover needs
  void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const BCError converted = saveMP4Tags(path, kCatalogueId, *media, 1, log.reporter);
  const BCError inPlace = saveMP4TagsInPlace(path, *media, log.reporter);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previous);

  for (const BCError& e : {converted, inPlace}) {
    EXPECT_TRUE(e.Error());
    EXPECT_EQ(e.Code(), kMP4CannotWriteCode);
    EXPECT_TRUE(e.Description().contains(path)) << e.Description().toStdString();
  }
  EXPECT_TRUE(log.text().contains("[RED]saveMP4Tags::Can't write the tags of " + path))
      << log.text().toStdString();
  EXPECT_TRUE(log.text().contains("saveMP4TagsInPlace::Can't write the tags of " + path))
      << log.text().toStdString();
  EXPECT_EQ(readFile(path), before);
}

TEST(SaveMP4Tags, WithoutALogWriterTheOutcomeStillComesBackAsTheAnswer) {
  const QString folder = freshFolder("no-log");
  const MediaFilePtr media = tvEpisode();
  for (const Saver& saver : kSavers) {
    SCOPED_TRACE(saver.label);
    const BCError missing = save(saver, folder + "/missing.m4v", *media, nullptr);
    EXPECT_EQ(missing.Code(), kMP4CannotOpenCode);
    EXPECT_TRUE(missing.Description().contains(folder + "/missing.m4v"))
        << missing.Description().toStdString();
    const QString text = writeFile(folder + "/text.m4v", "no boxes at all\n");
    EXPECT_EQ(save(saver, text, *media, nullptr).Code(), kMP4CannotOpenCode);
    EXPECT_EQ(readFile(text), "no boxes at all\n");

    const QString path = copyTo(makeMp4({Layout::MoovLast}), folder, QString(saver.label) + ".m4v");
    const BCError saved = save(saver, path, *media, nullptr);
    EXPECT_FALSE(saved.Error()) << saved.Description().toStdString();
    EXPECT_EQ(json(mutagenView(path)["tags"].toObject()["tvsh"].toArray()), R"j(["The Show & Co"])j");
  }
  EXPECT_FALSE(QFile::exists(folder + "/missing.m4v"));
}

TEST(SaveMP4Tags, AFlushFailingOnceTheNewTagsAreInPlaceIsLoggedButIsNoFailure) {
  const QString path = makeMp4({Layout::MoovLast, {"title=Old"}});
  const MediaFilePtr media = tvEpisode();
  for (const Saver& saver : kSavers) {
    SCOPED_TRACE(saver.label);
    CapturedLog log;
    Mp4FileHandle::setFailingSyncForTesting(2);  // the last of a save's three flushes
    const BCError e = save(saver, path, *media, log.reporter);
    Mp4FileHandle::setFailingSyncForTesting(-1);
    EXPECT_FALSE(e.Error()) << e.Description().toStdString();
    const QString line = QString::fromLatin1(saver.inPlace ? "saveMP4TagsInPlace" : "[RED]saveMP4Tags") +
                         "::The tags of " + path + " are written but may not be on disk yet : ";
    EXPECT_TRUE(log.text().contains(line)) << log.text().toStdString();
    EXPECT_TRUE(log.text().contains("cannot flush")) << log.text().toStdString();
    EXPECT_EQ(json(mutagenView(path)["tags"].toObject()["\u00a9nam"].toArray()), R"j(["Pilot – Teil 1"])j");
  }
}

namespace {

// Where the video's and the audio's packets lie, in file order per stream.
QList<qint64> mediaPositions(const QString& path) {
  QList<qint64> positions;
  for (const char* streams : {"V", "a"}) {  // V: no cover pictures
    const CommandResult r = runCommand("ffprobe", {"-v", "error", "-select_streams", streams, "-show_entries",
                                                   "packet=pos", "-of", "csv=p=0", path});
    for (const QByteArray& line : r.output.split('\n'))
      if (!line.trimmed().isEmpty()) positions << line.split(',').first().trimmed().toLongLong();
  }
  return positions;
}

qint64 moovOffset(const QString& path) {
  qint64 at = 0;
  for (const QString& box : topLevelBoxes(path)) {
    if (box.startsWith("moov:")) return at;
    at += box.section(':', 1).toLongLong();
  }
  return -1;
}

}  // namespace

TEST(SaveMP4Tags, AConvertedFileKeepsItsIndexBeforeTheMediaWhileAnInPlaceSaveMovesNoMedia) {
  const struct {
    const char* label;
    Layout layout;
    bool interleaved;  // laid out as the multiplexer leaves a file: room for about 64 KiB of tags
  } cases[] = {{"moov last", Layout::MoovLast, false},
               {"moov first without room", Layout::MoovFirst, false},
               {"interleaved with room", Layout::MoovLast, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const QString path = makeMp4({c.layout});
    if (c.interleaved) {
      Mp4File f;
      ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Modify));
      ASSERT_FALSE(f.rewriteInterleaved());
    }
    const QByteArray media = packetDigest(path);
    CapturedLog log;
    // The cover alone is larger than the room kept.
    const MediaFilePtr episode = tvEpisode();
    ASSERT_FALSE(saveMP4Tags(path, kCatalogueId, *episode, 1, log.reporter).Error())
        << log.text().toStdString();

    const QList<qint64> positions = mediaPositions(path);
    ASSERT_FALSE(positions.isEmpty());
    const qint64 moovAt = moovOffset(path);
    EXPECT_LT(moovAt, *std::min_element(positions.begin(), positions.end()))
        << topLevelBoxes(path).join(' ').toStdString();
    EXPECT_EQ(packetDigest(path), media);
    const QJsonObject tags = mutagenView(path)["tags"].toObject();
    EXPECT_EQ(tags["\u00a9nam"].toArray().first().toString(), QString::fromUtf8("Pilot – Teil 1"));
    EXPECT_EQ(tags["covr"].toArray().size(), 1);
    EXPECT_EQ(ffprobeChapters(path), ChapterLines({"0 Opening", "1000 Middle & more", "2000 Ende – Schluß"}));
    qint64 freeBytes = 0, moovBytes = 0;
    for (const QString& box : topLevelBoxes(path)) {
      if (box.startsWith("free:")) freeBytes += box.section(':', 1).toLongLong();
      if (box.startsWith("moov:")) moovBytes = box.section(':', 1).toLongLong();
    }
    EXPECT_LE(freeBytes, std::max<qint64>(moovBytes, Mp4File::kMinimumPadding))
        << "only the room kept for later saves";

    // The user's later saves, larger each time, never move the media.
    for (int size : {700, 900}) {
      episode->setImage(coverPicture(size));
      ASSERT_FALSE(saveMP4TagsInPlace(path, *episode, log.reporter).Error());
      EXPECT_EQ(mediaPositions(path), positions) << size;
      EXPECT_EQ(mutagenView(path)["tags"].toObject()["covr"].toArray().size(), 1);
      EXPECT_TRUE(atomicParsley(path).contains("Pilot")) << size;
    }
  }
}
