#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QThreadPool>

#include "app/shared/CacheExpiry.h"
#include "app/shared/Feed.h"
#include "app/support/ControllerFixture.h"
#include "media/MediaTestSupport.h"
#include "media/ProbeMediaFile.h"
#include "metadata/ServiceCache.h"
#include "platform/MadeFiles.h"
#include "platform/Paths.h"
#include "platform/PlacedOutputs.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

const QDateTime kNow(QDate(2024, 3, 10), QTime(3, 0, 0));
const QStringList kSettings{"AutomaticallyScanForFiles",
                            "AutomaticallyScanForFilesHour",
                            "ScanVideoSourcesEveryMinutes",
                            "AutomateEveryMinutes",
                            "CacheDuration",
                            "CacheInformation",
                            "ConversionDirectory",
                            kSourcesKey};

// A file in `folder` last changed `age` seconds before kNow.
void age(const QString& path, qint64 seconds) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadWrite));
  EXPECT_TRUE(file.setFileTime(kNow.addSecs(-seconds), QFileDevice::FileModificationTime));
}

// A cache file as the look-ups leave it: written, and named in the folder's record.
QString agedFile(const QString& folder, const QString& name, qint64 seconds) {
  const QString path = writeFile(folder + "/" + name, "cached");
  madefiles::add(folder, {name});
  age(path, seconds);
  return path;
}

class TimedActivitiesTest : public ::testing::Test, public ControllerFixture {
 protected:
  void SetUp() override {
    for (const QString& key : kSettings) Defaults::standard().removeObjectForKey(key);
    cache = freshFolder("cache");
    Defaults::standard().setString(cache, "ConversionDirectory");
    tick = std::make_unique<TimedActivities>(state, hooks, *runner, *scanner, *lists);
    tick->setClock([this] { return clock; });
    scanner->setClock([this] { return clock; });
    state.nextScan = kNow.addSecs(3600);
  }
  void TearDown() override {
    for (const QString& key : kSettings) Defaults::standard().removeObjectForKey(key);
  }
  void watch(const QString& folder) {
    Feed source;
    source.setPath(folder);
    storeVideoSources({source});
  }

  QString cache;
  QDateTime clock = kNow;
  std::unique_ptr<TimedActivities> tick;
};

}  // namespace

TEST_F(TimedActivitiesTest, TheHourScanRunsOnEveryTickOfItsMinuteAndAddsEachFileOnce) {
  const QString source = freshFolder("hourly");
  writeFile(source + "/show.mkv", "video");
  watch(source);
  Defaults::standard().setBool(true, "AutomaticallyScanForFiles");
  Defaults::standard().setInteger(3, "AutomaticallyScanForFilesHour");
  Defaults::standard().setInteger(4, "CacheDuration");
  for (int second = -10; second <= 60; second += 10) {
    clock = kNow.addSecs(second);
    tick->timedactivities();
  }
  EXPECT_EQ(mainLog().filter("Current time matches automatic time set in preferences").size(), 6);
  // Taken once two scans ten seconds apart have seen it unchanged, and announced then only.
  EXPECT_EQ(userLog().filter("Found file " + source + "/show.mkv").size(), 1);
  EXPECT_EQ(state.files.size(), 1);
  EXPECT_EQ(probedAutoprocess, QList<bool>({false}));
}

TEST_F(TimedActivitiesTest, TheMinutesScanRunsWhenItsTimeHasComeAndReArms) {
  watch(freshFolder("minutes"));
  Defaults::standard().setInteger(4, "CacheDuration");
  Defaults::standard().setInteger(30, "AutomateEveryMinutes");
  state.nextScan = kNow.addSecs(-1);
  tick->timedactivities();
  EXPECT_TRUE(mainLog().filter("Doing Timed Scan").isEmpty()) << "the setting is off";

  Defaults::standard().setBool(true, "ScanVideoSourcesEveryMinutes");
  tick->timedactivities();
  EXPECT_EQ(state.nextScan, kNow.addSecs(30 * 60));
  clock = kNow.addSecs(10);
  tick->timedactivities();
  EXPECT_EQ(mainLog().filter("[BLUE]Doing Timed Scan of Video Sources at").size(), 1);
}

TEST_F(TimedActivitiesTest, CacheFilesExpireByAgeAndRule) {
  struct Case {
    const char* name;
    qint64 age;
    int duration;
    bool cacheInformation;
    bool deleted;
  } cases[] = {
      {"59min.tvdbftc", 59 * 60, 3, false, false},
      {"60min.tvdbftc", 60 * 60, 3, false, true},
      {"hour.moviedbftc", 2 * 3600, 1, true, true},
      {"TV7.2.3.jpg", 7 * 86400, 3, true, false},
      {"MOVIE Face-Off.1.0.jpg", 8 * 86400, 3, true, true},
      {"23h.tagchimpftc", 23 * 3600, 2, true, false},
      {"day.ftc", 86400, 2, true, true},
      {"holiday.jpg", 30 * 86400, 1, false, false},  // the user's own picture
      {"TV.jpg", 30 * 86400, 1, false, false},
      {"notes.txt", 30 * 86400, 1, false, false},
  };
  for (const Case& c : cases) {
    const QString path = agedFile(cache, c.name, c.age);
    Defaults::standard().setInteger(c.duration, "CacheDuration");
    Defaults::standard().setBool(c.cacheInformation, "CacheInformation");
    expireCacheFiles(cache, kNow, state.mainLog);
    EXPECT_EQ(!QFile::exists(path), c.deleted) << c.name;
    QFile::remove(path);
  }
  EXPECT_TRUE(mainLog().contains("MOVIE Face-Off.1.0.jpg  is older than 1 week so deleting"));
}

TEST_F(TimedActivitiesTest, ExpiryDeletesOnlyWhatTheLookUpsDownloadedNotTheUsersLookAlikes) {
  test::LoopbackHttpServer server;
  server.route("/art.jpg", {200, "jpeg bytes", "image/jpeg"});
  server.route("/series.xml", {200, "<Data/>"});
  const QStringList downloaded = {"TV7.2.3.jpg", "MOVIE Face-Off.1.0.jpg", "81189.tvdbftc"};
  for (const QString& name : downloaded) {
    const QString address = server.baseURL() + (name.endsWith(".jpg") ? "/art.jpg" : "/series.xml");
    ASSERT_TRUE(downloadIntoCache(address, cache + "/" + name, 10, nullptr)) << name.toStdString();
    age(cache + "/" + name, 30 * 86400);
  }
  // The work folder is a folder of the user's: their pictures and notes look like artwork.
  const QStringList users = {"TV Room.2021.03.jpg", "MOVIE Night.2019.07.jpg", "TV1.1.1.jpg", "old.tvdbftc"};
  for (const QString& name : users) age(writeFile(cache + "/" + name, "the user's"), 30 * 86400);
  Defaults::standard().setInteger(1, "CacheDuration");
  expireCacheFiles(cache, kNow, state.mainLog);
  for (const QString& name : downloaded)
    EXPECT_FALSE(QFile::exists(cache + "/" + name)) << name.toStdString();
  for (const QString& name : users)
    EXPECT_EQ(readFile(cache + "/" + name), "the user's") << name.toStdString();
  EXPECT_TRUE(madefiles::names(cache).isEmpty()) << "the record forgets what was deleted";

  // A user's file that later takes a deleted cache file's name is theirs.
  age(writeFile(cache + "/TV7.2.3.jpg", "the user's"), 30 * 86400);
  expireCacheFiles(cache, kNow, state.mainLog);
  EXPECT_TRUE(QFile::exists(cache + "/TV7.2.3.jpg"));
}

TEST_F(TimedActivitiesTest, ExpiryRunsOnTheFirstAndEveryTwelfthTickNeverUnderFourNorOnAFileInUse) {
  Defaults::standard().setBool(false, "CacheInformation");
  Defaults::standard().setInteger(4, "CacheDuration");
  const QString old = agedFile(cache, "old.tvdbftc", 86400);
  tick->timedactivities();
  EXPECT_TRUE(QFile::exists(old)) << "never expire";

  Defaults::standard().setInteger(3, "CacheDuration");
  state.cacheCountdown = 0;
  // A running tags-only job rewrites a file that carries a cache name.
  const MediaFilePtr item = queued("x.tvdbftc", ConversionFormat::TagsOnly);
  item->setFullpath(old);
  const QString other = agedFile(cache, "other.tvdbftc", 86400);
  tick->timedactivities();
  EXPECT_TRUE(QFile::exists(old));
  EXPECT_FALSE(QFile::exists(other));
  EXPECT_EQ(state.cacheCountdown, kTicksBetweenCacheExpiry - 1);

  runTagsJobs();
  for (int i = 0; i < kTicksBetweenCacheExpiry - 1; ++i) tick->timedactivities();
  EXPECT_TRUE(QFile::exists(old)) << "not yet the 12th tick";
  tick->timedactivities();
  EXPECT_FALSE(QFile::exists(old));
}

TEST_F(TimedActivitiesTest, TheTickKeepsTheStatusItemAndOnlineBoxesInLine) {
  Defaults::standard().setInteger(4, "CacheDuration");
  QStringList calls;
  hooks.setWindowTitle = [&](const QString& title) { calls << title; };
  hooks.activateStatusMenu = [&] {
    calls << "activate";
    state.statusItemShown = true;
  };
  hooks.deactivateStatusMenu = [&] {
    calls << "deactivate";
    state.statusItemShown = false;
  };
  hooks.clearOnlineBox = [&](bool tv) { calls << (tv ? "tv" : "movie"); };
  state.movieOffline = true;
  tick->timedactivities();
  tick->timedactivities();
  Defaults::standard().setBool(false, "ShowStatusItem");
  tick->timedactivities();
  Defaults::standard().removeObjectForKey("ShowStatusItem");
  EXPECT_EQ(calls, QStringList({"Zuvo", "activate", "tv", "Zuvo", "tv", "Zuvo", "deactivate", "tv"}));
}

// The program's loop with the destination in the watched folder: every minute a scan, the
// real probe, the real converter and the original to the Trash. The output the first
// conversion placed there is never taken for a new source.
TEST_F(TimedActivitiesTest, AWatchedFolderThatIsTheDestinationYieldsOneOutputThroughThreeScans) {
  const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
  enum class Where { Folder, OriginalFolder, Library };
  for (const Where where : {Where::Folder, Where::OriginalFolder, Where::Library}) {
    SCOPED_TRACE(where == Where::Folder           ? "destination the watched folder"
                 : where == Where::OriginalFolder ? "destination Original Folder"
                                                  : "the library in the watched folder");
    state.files.clear();
    state.queue.clear();
    qputenv("XDG_DATA_HOME", freshFolder("data").toLocal8Bit());
    state.supportFolder = paths::applicationSupportFolder();
    QDir().mkpath(state.supportFolder);
    const QString watched = freshFolder("watched-destination");
    // The library files its videos in folders of their own.
    Feed feed;
    feed.setPath(watched);
    feed.setRecurse(true);
    storeVideoSources({feed});
    test::ScopedEnv library("ZUVO_MEDIA_LIBRARY", watched.toLocal8Bit());
    const QString destination = where == Where::Folder           ? watched
                                : where == Where::OriginalFolder ? QStringLiteral("Original Folder")
                                                                 : QStringLiteral("iTunes");
    ScopedSettings settings{{"ScanVideoSourcesEveryMinutes", true},
                            {"AutomateEveryMinutes", 1},
                            {"AutomaticallyConvertAllFiles", true},
                            {"AutomaticallyLookUpShowInformation", false},
                            {"TVShowDestination", destination},
                            {"MovieDestination", destination},
                            {"HomeMovieDestination", destination},
                            {"VideoSourcesFileAction", 1},
                            {"ImportTVShowFileIntoiTunes", false},
                            {"ImportMovieFileIntoiTunes", false},
                            {"ImportHomeMovieFileIntoiTunes", false},
                            {"PreserveOriginalFileModifyTime", true},
                            {"ConversionThreads", 2},
                            {"CacheDuration", 4}};
    const QString source = watched + "/Clip One.mkv";
    makeTestVideo(source, 2);
    age(source, 3600);

    QThreadPool pool;
    ConversionJobs jobs = ConversionJobs::real(pool);
    jobs.runConversion = [this](std::function<void()> job) { conversionJobs.push_back(std::move(job)); };
    runner = std::make_unique<QueueRunner>(state, *notices, hooks, *lists, std::move(jobs));
    tick = std::make_unique<TimedActivities>(state, hooks, *runner, *scanner, *lists);
    tick->setClock([this] { return clock; });
    lists->setProbeStarter([](const MediaFilePtr& media, bool autoprocess) {
      media->setAutoprocess(autoprocess);
      probeMediaFileInBackground(media);
    });

    // Four minutes of ticks: the source's scan and conversion, then three scans more.
    state.nextScan = clock.addSecs(-1);
    const qsizetype scansBefore = mainLog().filter("[BLUE]Doing Timed Scan of Video Sources at").size();
    for (int second = 0; second < 4 * 60; second += 10) {
      clock = clock.addSecs(10);
      tick->timedactivities();
      lists->makefilestable();
      runConversions();
    }
    EXPECT_EQ(mainLog().filter("[BLUE]Doing Timed Scan of Video Sources at").size() - scansBefore, 4);

    QStringList outputs;
    for (QDirIterator it(watched, {"*.m4v", "*.mp4"}, QDir::Files, QDirIterator::Subdirectories);
         it.hasNext();)
      outputs << QDir(watched).relativeFilePath(it.next());
    EXPECT_EQ(outputs.size(), 1) << outputs.join(", ").toStdString() << "\n"
                                 << mainLog().join('\n').toStdString();
    EXPECT_FALSE(QFileInfo::exists(source)) << "the original went to the Trash";
    EXPECT_TRUE(state.files.isEmpty());
    ASSERT_EQ(state.queue.size(), 1);
    EXPECT_TRUE(state.queue.first()->conversionfinished())
        << state.queue.first()->conversionerror().toStdString();
    if (outputs.size() != 1) continue;
    const QString output = watched + "/" + outputs.first();
    const QString told =
        QStringLiteral("File %1 was made by Zuvo, it is not taken as a new source").arg(output);
    EXPECT_EQ(userLog().count(told), 1) << userLog().join('\n').toStdString();

    // The next run of the program knows it too, and says nothing more.
    state.queue.clear();
    SourceScanner restarted(state, *notices, hooks, *lists);
    restarted.checksources(true);
    EXPECT_TRUE(state.files.isEmpty());
    EXPECT_EQ(userLog().count(told), 1);
    EXPECT_TRUE(QFileInfo(state.supportFolder + "/" + placedoutputs::kRecordName).isFile());

    // Changed by the user since, it is a new source like any other.
    {
      QFile file(output);
      ASSERT_TRUE(file.open(QIODevice::Append));
      file.write("edited");
    }
    age(output, 3600);
    restarted.checksources(true);
    EXPECT_EQ(state.files.size(), 1);
    state.files.clear();
  }
  qputenv("XDG_DATA_HOME", dataHome);
}
