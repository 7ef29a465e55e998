#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <csignal>

#include "media/MediaValues.h"
#include "metadata/BCLookUpShow.h"
#include "metadata/LookUpTestSupport.h"
#include "metadata/ServiceTestSupport.h"
#include "platform/RunLoop.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

constexpr const char* kTVPlugin = "tvinfo";
constexpr const char* kMoviePlugin = "movieinfo";

// The arguments a plug-in was given, one file per argument list ("\0" between them).
constexpr const char* kRecordArguments = "printf '%s\\0' \"$@\" > args.bin\n";

class PluginTest : public ::testing::Test {
 protected:
  PluginTest() {
    lookup.setPluginTimeLimit(10);
    for (const char* name : {kTVPlugin, kMoviePlugin}) QFile::remove(metadataPluginPath(name));
  }

  MediaFilePtr tvItem() {
    auto item = std::make_shared<MediaFile>();
    item->setMediatype(MediaType::TVShow);
    item->setFilename("The Office - 2x05 - Halloween.avi");
    item->setSeriesname("The \"Office\" & Co\nUK");
    item->setSeason(2);
    item->setShow(5);
    item->setShowyear("2005");
    item->setShowmonth("10");
    item->setShowday("18");
    return item;
  }
  MediaFilePtr movieItem() {
    auto item = std::make_shared<MediaFile>();
    item->setMediatype(MediaType::Movie);
    item->setFilename("Amélie (2001).mkv");
    item->setSeriesname("Amélie");
    item->setShowyear("2001");
    return item;
  }
  QStringList arguments() const {
    QByteArray bytes = readFile(cache + "/args.bin");
    bytes.chop(1);
    QStringList list;
    for (const QByteArray& piece : bytes.split('\0')) list << QString::fromUtf8(piece);
    return list;
  }
  bool ranInCache() const { return QFileInfo::exists(cache + "/args.bin"); }
  QString log() const { return captured.text(); }

  ScopedSettings settings{
      {"TVSource", 2}, {"MovieSource", 2}, {"TVShowPlugIn", kTVPlugin}, {"MoviePlugIn", kMoviePlugin}};
  QString cache = freshFolder("cache");
  CapturedLog captured;
  BCLookUpShow lookup{cache, "en", true, captured.reporter};
  ServiceNotices notices;
};

void expectNoResult(const BCError& answer, const std::string& what) {
  EXPECT_TRUE(answer.Error()) << what;
  EXPECT_EQ(answer.Code(), LookUpCode::NoPluginResult) << what;
  EXPECT_EQ(answer.Description(), "Plug In did not return a result") << what;
}

// Gone, or a zombie left for whoever adopted it to reap.
bool processEnded(pid_t pid) {
  if (::kill(pid, 0) != 0) return true;
  const QByteArray stat = readFile(QStringLiteral("/proc/%1/stat").arg(pid));
  const qsizetype close = stat.lastIndexOf(')');
  return close > 0 && stat.mid(close + 2, 1) == "Z";
}

bool processGone(const QString& pidFile) {
  const pid_t pid = readFile(pidFile).trimmed().toInt();
  return pid > 0 && ::kill(pid, 0) != 0;
}

TEST_F(PluginTest, AnIdentifiedTVShowTakesTheAnswerWithArtworkFromTheCacheFolder) {
  QImage cover(32, 24, QImage::Format_RGB32);
  cover.fill(Qt::red);
  ASSERT_TRUE(cover.save(cache + "/cover.png"));
  writePlugin(kTVPlugin, QByteArray(kRecordArguments) + R"(cat <<'END'
starting up
<Flash>green</Flash>
<Result>Yes</Result>
<Description>Michael &amp; the staff dress up.</Description>
<Actors>Steve Carell, Rainn Wilson</Actors>
<Producers>Greg Daniels</Producers>
<Directors>Paul Feig</Directors>
<Release Date>2005-10-18</Release Date>
<Rating>TV-PG</Rating>
<Genre>Situation Comedy</Genre>
<Image>cover.png</Image>
END
)");
  MediaFilePtr item = tvItem();
  const BCError answer = lookup.usePlugin(*item);

  EXPECT_FALSE(answer.Error()) << answer.Description().toStdString();
  EXPECT_EQ(arguments(), QStringList({"The Office - 2x05 - Halloween.avi", "The \"Office\" & Co\nUK", "2",
                                      "5", "2005", "10", "18"}));
  EXPECT_EQ(item->description(), "Michael &amp; the staff dress up.");
  EXPECT_EQ(item->actors(), "Steve Carell, Rainn Wilson");
  EXPECT_EQ(item->producers(), "Greg Daniels");
  EXPECT_EQ(item->directors(), "Paul Feig");
  EXPECT_EQ(item->releasedate(), "2005-10-18");
  EXPECT_EQ(item->rating(), "TV-PG");
  EXPECT_EQ(item->genre(), "Comedy");
  EXPECT_EQ(item->image().size(), QSize(32, 24));
  EXPECT_EQ(item->image().pixelColor(0, 0), QColor(Qt::red));
  EXPECT_TRUE(item->soliddetection());
  EXPECT_EQ(item->reasonfordeselection(), DeselectionReason::None);
  EXPECT_TRUE(item->selected());
  EXPECT_FALSE(item->didlookup()) << "the caller sets it";
  EXPECT_EQ(notices.names(), QStringList{"TVOnline"});
  EXPECT_TRUE(notices.allFrom(&lookup));
  EXPECT_TRUE(hasLogLine(log(), "[BLUE]Using plugin for show lookup", 4)) << log().toStdString();
}

TEST_F(PluginTest, AMovieGivesFileNameSeriesAndYearToTheMoviePlugin) {
  writePlugin(kTVPlugin, "echo '<Result>yes</Result>' > wrongplugin\n");
  writePlugin(kMoviePlugin, QByteArray(kRecordArguments) +
                                "echo '<Flash>Green</Flash><Result>yes</Result><Genre>Romance</Genre>'\n");
  MediaFilePtr item = movieItem();
  EXPECT_FALSE(lookup.usePlugin(*item).Error());
  EXPECT_EQ(arguments(), QStringList({"Amélie (2001).mkv", "Amélie", "2001"}));
  EXPECT_FALSE(QFileInfo::exists(cache + "/wrongplugin"));
  EXPECT_EQ(item->genre(), "Romance");
  EXPECT_EQ(notices.names(), QStringList{"MovieOnline"});
}

TEST_F(PluginTest, ResultYesAloneEmptiesEveryTextAndTheGenreBecomesUnknown) {
  writePlugin(kTVPlugin, "echo '<Result>YES</Result>'\n");
  MediaFilePtr item = tvItem();
  item->setDescription("old");
  item->setActors("old");
  item->setProducers("old");
  item->setDirectors("old");
  item->setReleasedate("old");
  item->setRating("old");
  item->setGenre("Drama");
  EXPECT_FALSE(lookup.usePlugin(*item).Error());
  for (const QString& text : {item->description(), item->actors(), item->producers(), item->directors(),
                              item->releasedate(), item->rating()})
    EXPECT_EQ(text, "");
  EXPECT_EQ(item->genre(), "Unknown");
  EXPECT_TRUE(item->soliddetection());
  EXPECT_TRUE(item->selected());
  EXPECT_TRUE(notices.names().isEmpty());
}

TEST_F(PluginTest, AnyOtherResultDeselectsTheItemAndChangesNoField) {
  writePlugin(kTVPlugin, "echo '<Result>no</Result><Description>new</Description><Genre>Drama</Genre>'\n");
  MediaFilePtr item = tvItem();
  item->setDescription("old");
  item->setGenre("Crime");
  item->setSelected(true);
  item->setSoliddetection(true);
  item->setReasonfordeselection(DeselectionReason::None);
  EXPECT_FALSE(lookup.usePlugin(*item).Error());
  EXPECT_EQ(item->description(), "old");
  EXPECT_EQ(item->genre(), "Crime");
  EXPECT_FALSE(item->soliddetection());
  EXPECT_FALSE(item->selected());
  EXPECT_EQ(item->reasonfordeselection(), DeselectionReason::NoLookUpMatch);
}

TEST_F(PluginTest, FlashNamesTheServiceStateAndAnAnswerWithoutResultIsCodeFour) {
  struct Case {
    MediaType mediatype;
    const char* flash;
    const char* notice;  // null: none
  } cases[] = {
      {MediaType::TVShow, "Red", "TVOffline"},    {MediaType::Movie, "RED", "MovieOffline"},
      {MediaType::TVShow, "green", "TVOnline"},   {MediaType::Movie, "gReEn", "MovieOnline"},
      {MediaType::HomeMovie, "red", "TVOffline"}, {MediaType::TVShow, "amber", nullptr},
  };
  for (const Case& c : cases) {
    const std::string what = std::to_string(codeOf(c.mediatype)) + " " + c.flash;
    const QByteArray body = QByteArray("echo '<Flash>") + c.flash + "</Flash>'\n";
    writePlugin(kTVPlugin, body);
    writePlugin(kMoviePlugin, body);
    ServiceNotices seen;
    MediaFile item;
    item.setMediatype(c.mediatype);
    item.setDescription("kept");
    expectNoResult(lookup.usePlugin(item), what);
    EXPECT_EQ(seen.names(), c.notice ? QStringList{c.notice} : QStringList{}) << what;
    EXPECT_EQ(item.description(), "kept") << what;
  }
  EXPECT_TRUE(hasLogLine(log(), "[RED]Plug In failed to return a result", 3)) << log().toStdString();
}

TEST_F(PluginTest, AMissingOrUnstartablePluginIsCodeFour) {
  MediaFilePtr item = tvItem();
  expectNoResult(lookup.usePlugin(*item), "missing");
  const QString path = writePlugin(kTVPlugin, "echo '<Result>yes</Result>'\n");
  EXPECT_FALSE(lookup.usePlugin(*item).Error()) << "named and executable";
  QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  expectNoResult(lookup.usePlugin(*item), "not executable");
  writePlugin("", "echo '<Result>yes</Result>'\n");
  ScopedSettings none{{"TVShowPlugIn", ""}};
  expectNoResult(lookup.usePlugin(*item), "no plug-in named");
}

TEST_F(PluginTest, APluginThatNeverEndsIsStoppedAtTheTimeLimitAndAnswersCodeFour) {
  lookup.setPluginTimeLimit(1);
  struct Case {
    const char* what;
    const char* body;
  } cases[] = {
      {"silent", "echo $$ > pid\nexec sleep 60\n"},
      {"answers, then hangs",
       "echo $$ > pid\necho '<Result>yes</Result><Rating>R</Rating>'\nexec sleep 60\n"},
      {"closes its output and runs on", "echo $$ > pid\nexec >/dev/null 2>&1\nexec sleep 60\n"},
      {"ignores termination", "echo $$ > pid\ntrap '' TERM\nwhile :; do sleep 1; done\n"},
  };
  for (const Case& c : cases) {
    writePlugin(kTVPlugin, c.body);
    MediaFilePtr item = tvItem();
    QElapsedTimer clock;
    clock.start();
    expectNoResult(lookup.usePlugin(*item), c.what);
    EXPECT_LT(clock.elapsed(), 5000) << c.what;
    EXPECT_EQ(item->rating(), "") << c.what;
    EXPECT_TRUE(processGone(cache + "/pid")) << c.what;
  }
  EXPECT_TRUE(log().contains("did not end within 1 seconds and was stopped")) << log().toStdString();
}

TEST_F(PluginTest, AChildLeftBehindByThePluginDoesNotHoldTheAnswerBackNorOutliveIt) {
  struct Case {
    const char* what;
    const char* body;
  } cases[] = {
      {"keeps the output open",
       "sleep 60 &\necho $! > pid\necho '<Result>yes</Result><Rating>TV-14</Rating>'\n"},
      {"lets go of the output",
       "sleep 60 >/dev/null 2>&1 &\necho $! > pid\necho '<Result>yes</Result><Rating>TV-14</Rating>'\n"},
      {"ignores termination",
       "(trap '' TERM; exec sleep 60) >/dev/null 2>&1 &\necho $! > pid\necho "
       "'<Result>yes</Result><Rating>TV-14</Rating>'\n"},
  };
  for (const Case& c : cases) {
    writePlugin(kTVPlugin, c.body);
    MediaFilePtr item = tvItem();
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(lookup.usePlugin(*item).Error()) << c.what;
    EXPECT_LT(clock.elapsed(), 5000) << c.what;
    EXPECT_EQ(item->rating(), "TV-14") << c.what;
    const pid_t child = readFile(cache + "/pid").trimmed().toInt();
    ASSERT_GT(child, 0) << c.what;
    EXPECT_TRUE(runloop::waitUntil([&] { return processEnded(child); }, 5, 20)) << c.what;
    ::kill(child, SIGKILL);
  }
}

TEST_F(PluginTest, AFileNameThatLooksLikeAnOptionReachesThePluginAsItsAbsolutePath) {
  // A plug-in that reads options the usual way, then looks at the file it was given.
  writePlugin(
      kTVPlugin,
      QByteArray(kRecordArguments) +
          "while getopts x: option; do echo \"<Result>no</Result><Rating>option</Rating>\"; exit; done\n"
          "test -f \"$1\" && echo '<Result>yes</Result><Rating>TV-14</Rating>'\n");
  const QString folder = freshFolder("videos");
  for (const QString& name : {QStringLiteral("-x S01E01.mkv"), QStringLiteral("--help S01E02.mkv")}) {
    SCOPED_TRACE(name.toStdString());
    const QString video = writeFile(folder + "/" + name, "video");
    MediaFilePtr item = tvItem();
    item->setFilename(name);
    item->setFullpath(video);
    EXPECT_FALSE(lookup.usePlugin(*item).Error());
    ASSERT_FALSE(arguments().isEmpty());
    EXPECT_EQ(arguments().first(), video);
    EXPECT_EQ(arguments().size(), 7);
    EXPECT_EQ(item->rating(), "TV-14");
  }
}

TEST_F(PluginTest, TheMainThreadKeepsServingItsEventsWhileAPluginRuns) {
  writePlugin(kTVPlugin, "sleep 1\necho '<Result>yes</Result>'\n");
  int ticks = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  timer.start(50);
  MediaFilePtr item = tvItem();
  EXPECT_FALSE(lookup.usePlugin(*item).Error());
  EXPECT_GE(ticks, 10);
}

TEST_F(PluginTest, GarbageAndVeryLongOutput) {
  lookup.setPluginTimeLimit(2);
  struct Case {
    const char* what;
    const char* body;
    bool identified;
  } cases[] = {
      {"random bytes", "head -c 65536 /dev/urandom\n", false},
      {"an answer between random bytes",
       "head -c 4096 /dev/urandom\necho\necho '<Result>yes</Result><Rating>TV-14</Rating>'\nhead -c 4096 "
       "/dev/urandom\n",
       true},
      {"invalid UTF-8 beside the answer",
       "printf '\\377\\376<Result>yes</Result><Rating>TV-14</Rating>\\300\\n'\n", true},
      {"megabytes before the answer",
       "yes 'a line of progress output that goes on and on' | head -n 200000\n"
       "echo '<Result>yes</Result><Rating>TV-14</Rating>'\n",
       true},
      {"output without end", "exec yes 'more and more output'\n", false},
  };
  for (const Case& c : cases) {
    writePlugin(kTVPlugin, c.body);
    MediaFilePtr item = tvItem();
    const BCError answer = lookup.usePlugin(*item);
    if (c.identified) {
      EXPECT_FALSE(answer.Error()) << c.what;
      EXPECT_EQ(item->rating(), "TV-14") << c.what;
    } else {
      expectNoResult(answer, c.what);
    }
  }
}

TEST_F(PluginTest, AnImageThatCannotBeReadLeavesTheArtwork) {
  writeFile(cache + "/notanimage.png", "plain text");
  QImage before(8, 8, QImage::Format_RGB32);
  before.fill(Qt::blue);
  for (const char* path : {"missing.png", "notanimage.png", "/nonexistent/cover.jpg"}) {
    writePlugin(kTVPlugin, QByteArray("echo '<Result>yes</Result><Image>") + path + "</Image>'\n");
    MediaFilePtr item = tvItem();
    item->setImage(before);
    EXPECT_FALSE(lookup.usePlugin(*item).Error()) << path;
    EXPECT_EQ(item->image(), before) << path;
  }
}

TEST_F(PluginTest, OnlyTVShowsAndMoviesWhoseSourceSaysSoGoToAPlugin) {
  writePlugin(kTVPlugin, QByteArray(kRecordArguments) + "echo '<Result>yes</Result>'\n");
  writePlugin(kMoviePlugin, QByteArray(kRecordArguments) + "echo '<Result>yes</Result>'\n");
  // Every other source is a service that does not answer.
  ScopedServiceAddresses offline(QStringLiteral("http://127.0.0.1:%1").arg(portNobodyListensOn()));
  struct Case {
    MediaType mediatype;
    int tvSource;
    int movieSource;
    bool plugin;
  } cases[] = {
      {MediaType::TVShow, 2, 0, true},     {MediaType::Movie, 0, 2, true},  {MediaType::TVShow, 0, 2, false},
      {MediaType::TVShow, 1, 2, false},    {MediaType::Movie, 2, 0, false}, {MediaType::Movie, 2, 1, false},
      {MediaType::HomeMovie, 2, 2, false},
  };
  for (const Case& c : cases) {
    const std::string what = "type " + std::to_string(codeOf(c.mediatype)) + " TVSource " +
                             std::to_string(c.tvSource) + " MovieSource " + std::to_string(c.movieSource);
    ScopedSettings sources{{"TVSource", c.tvSource}, {"MovieSource", c.movieSource}};
    QFile::remove(cache + "/args.bin");
    MediaFilePtr item = c.mediatype == MediaType::Movie ? movieItem() : tvItem();
    item->setMediatype(c.mediatype);
    const BCError answer = lookup.LookUpShowData(*item);
    EXPECT_EQ(ranInCache(), c.plugin) << what;
    if (c.plugin) {
      EXPECT_FALSE(answer.Error()) << what;
      EXPECT_FALSE(item->didlookup()) << what;
    } else {
      EXPECT_TRUE(item->didlookup()) << what;
    }
  }
}

}  // namespace
