// Probes of real files made here, with the real metadata steps installed and every online
// service pointed at a server on loopback.
#include "media/ProbeMediaFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>
#include <QThreadPool>
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>

#include "media/MediaSummary.h"
#include "media/MediaValues.h"
#include "media/ProbeSteps.h"
#include "media/StreamAnalysis.h"
#include "metadata/FileChapters.h"
#include "metadata/LookUpFixtures.h"
#include "metadata/MetadataProbeSteps.h"
#include "metadata/ServiceTestSupport.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

// One source with two titled chapters, made once and copied under the names a test needs.
QString chapteredSource() {
  static const QString path = [] {
    const QString dir = freshFolder("source");
    const QString chapters =
        writeFile(dir + "/chapters.txt",
                  ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=500\ntitle=One\n"
                  "[CHAPTER]\nTIMEBASE=1/1000\nSTART=500\nEND=1000\ntitle=Two\n");
    const QString made = dir + "/source.mkv";
    makeMedia(made, {"-f",
                     "lavfi",
                     "-i",
                     "testsrc=size=64x48:rate=10:duration=1",
                     "-f",
                     "lavfi",
                     "-i",
                     "sine=frequency=440:sample_rate=8000:duration=1",
                     "-i",
                     chapters,
                     "-map",
                     "0:v",
                     "-map",
                     "1:a",
                     "-map_chapters",
                     "2",
                     "-c:v",
                     "libx264",
                     "-preset",
                     "ultrafast",
                     "-c:a",
                     "aac"});
    return made;
  }();
  return path;
}

QString copiedSource(const QString& folder, const QString& name) {
  const QString path = folder + "/" + name;
  EXPECT_TRUE(QFile::copy(chapteredSource(), path)) << path.toStdString();
  return path;
}

// What the notifications said about each item when they were posted.
class ProbeNotices {
 public:
  struct Seen {
    QString name;
    bool lookedUp;
    MediaState state;
  };

  ProbeNotices() {
    for (const char* name : {kRefreshWindow, kMakeFileTable})
      tokens_.push_back(NotificationCenter::defaultCenter().addObserver(
          QString::fromLatin1(name), [this](const Notification& n) {
            const auto* item = static_cast<const MediaFile*>(n.object);
            Seen seen{n.name, item->didlookup(), item->state()};
            std::function<void(const MediaFile&, const QString&)> hook;
            {
              std::lock_guard<std::mutex> guard(lock_);
              seen_[item].push_back(seen);
              hook = onPost_;
            }
            if (hook) hook(*item, n.name);
          }));
  }
  ~ProbeNotices() {
    for (auto token : tokens_) NotificationCenter::defaultCenter().removeObserver(token);
  }
  std::vector<Seen> of(const MediaFile& item) const {
    std::lock_guard<std::mutex> guard(lock_);
    auto found = seen_.find(&item);
    return found == seen_.end() ? std::vector<Seen>{} : found->second;
  }
  int count(const MediaFile& item, const char* name) const {
    int n = 0;
    for (const Seen& s : of(item)) n += s.name == QLatin1String(name);
    return n;
  }
  // Called on the posting thread after each notice (a stand-in for the table rebuild).
  void setOnPost(std::function<void(const MediaFile&, const QString&)> hook) {
    std::lock_guard<std::mutex> guard(lock_);
    onPost_ = std::move(hook);
  }

 private:
  mutable std::mutex lock_;
  std::map<const MediaFile*, std::vector<Seen>> seen_;
  std::function<void(const MediaFile&, const QString&)> onPost_;
  std::vector<NotificationCenter::Token> tokens_;
};

QStringList texts(const QVariantList& values) {
  QStringList list;
  for (const QVariant& value : values) list << value.toString();
  return list;
}

class Probing : public ServiceTest {
 protected:
  ~Probing() override { waitForProbes(); }
  static void waitForProbes() { ASSERT_TRUE(probeThreadPool().waitForDone(120000)); }

  QString folder = freshFolder("videos");
  ProbeNotices notices;
  // What every probe of a test is handed; a test may change its steps before it starts one.
  ProbeSetup setup{ProbeContext{reporter, nullptr, cache, "en"}, withMetadataProbeSteps(ProbeSteps{})};
};

TEST_F(Probing, FortyFilesAtOnceAreProbedWhole) {
  ScopedSettings settings{{"AutomaticallyLookUpShowInformation", false},
                          {"AutomaticallyConvertAllFiles", true}};
  std::atomic<int> mostRunning{0};
  ProbeSteps steps = withMetadataProbeSteps(ProbeSteps{});
  steps.ChaptersFromReport = [&mostRunning](MediaFile& item, const QString& report, const Reporter& log) {
    int running = RunningProbeCount(), seen = mostRunning.load();
    while (running > seen && !mostRunning.compare_exchange_weak(seen, running)) {
    }
    return ChaptersFromFFprobeReport(item, report, log);
  };
  setup.steps = steps;

  QList<MediaFilePtr> items;
  for (int episode = 1; episode <= 40; ++episode)
    items << initializeMediaWithPath(
        copiedSource(folder, QStringLiteral("Some Show S02E%1.mkv").arg(episode, 2, 10, QChar('0'))), true,
        true, setup);
  waitForProbes();

  EXPECT_LE(mostRunning.load(), kRunningProbeThreshold + 1);
  EXPECT_EQ(RunningProbeCount(), 0);
  for (int i = 0; i < items.size(); ++i) {
    const MediaFile& item = *items[i];
    const std::string name = item.filename().toStdString();
    EXPECT_EQ(item.type(), "File") << name;
    EXPECT_TRUE(item.drop()) << name;
    EXPECT_EQ(item.filesize(), QFileInfo(chapteredSource()).size()) << name;
    EXPECT_EQ(item.myvideotrack().width(), 64u) << name;
    EXPECT_EQ(item.myvideotrack().height(), 48u) << name;
    EXPECT_NE(item.durationstring(), "Unknown") << name;
    EXPECT_EQ(item.AudioTracks().size(), 1) << name;
    EXPECT_EQ(item.seriesname(), "Some Show") << name;
    EXPECT_EQ(item.season(), 2u) << name;
    EXPECT_EQ(item.show(), quint32(i + 1)) << name;
    EXPECT_EQ(item.mediatype(), MediaType::TVShow) << name;
    ASSERT_EQ(item.Chapters().size(), 2) << name;
    EXPECT_EQ(item.Chapters()[1].title(), "Two") << name;
    EXPECT_FALSE(item.hadexistingtags()) << name;
    EXPECT_TRUE(item.didlookup()) << name;
    EXPECT_EQ(item.state(), MediaState::Queued) << name;

    // Redrawn after the look-up step and at the end; offered to the rebuild once it is whole.
    EXPECT_GE(notices.count(item, kRefreshWindow), 2) << name;
    const auto seen = notices.of(item);
    ASSERT_FALSE(seen.empty()) << name;
    EXPECT_EQ(seen.back().name, kRefreshWindow) << name;
    EXPECT_TRUE(seen.back().lookedUp) << name;
    bool offeredWhole = false;
    for (const auto& s : seen)
      offeredWhole |= s.name == QLatin1String(kMakeFileTable) && s.lookedUp && s.state == MediaState::Queued;
    EXPECT_TRUE(offeredWhole) << name;
  }
  EXPECT_TRUE(requests().isEmpty()) << "no look-up was asked for";
}

TEST_F(Probing, TwelveAtOnceStartElevenAndTheTwelfthFollowsWhenOneEnds) {
  ScopedSettings settings{{"AutomaticallyLookUpShowInformation", false}};
  std::mutex lock;
  std::condition_variable released;
  bool open = false;
  std::atomic<int> entered{0};
  ProbeSteps steps = withMetadataProbeSteps(ProbeSteps{});
  steps.ChaptersFromReport = [&](MediaFile& item, const QString& report, const Reporter& log) {
    ++entered;
    std::unique_lock<std::mutex> guard(lock);
    released.wait(guard, [&] { return open; });
    guard.unlock();
    return ChaptersFromFFprobeReport(item, report, log);
  };
  setup.steps = steps;

  QList<MediaFilePtr> items;
  for (int i = 0; i < 12; ++i)
    items << initializeMediaWithPath(copiedSource(folder, QStringLiteral("clip%1.mkv").arg(i)), false, false,
                                     setup);

  QElapsedTimer clock;
  clock.start();
  while (entered.load() < 11 && clock.elapsed() < 60000) QThread::msleep(20);
  QThread::msleep(2500);  // the twelfth looks again at least twice meanwhile
  EXPECT_EQ(entered.load(), 11);
  EXPECT_EQ(RunningProbeCount(), 11);
  int unprobed = 0;
  for (const MediaFilePtr& item : items) unprobed += item->myvideotrack().width() == 0;
  EXPECT_EQ(unprobed, 1);

  {
    std::lock_guard<std::mutex> guard(lock);
    open = true;
  }
  released.notify_all();
  waitForProbes();
  EXPECT_EQ(entered.load(), 12);
  EXPECT_EQ(RunningProbeCount(), 0);
  for (const MediaFilePtr& item : items) {
    EXPECT_TRUE(item->didlookup());
    EXPECT_EQ(item->state(), MediaState::InFilesTable) << "not queued without the autoprocess flag";
  }
}

TEST_F(Probing, ASolidEpisodeIsQueuedOnlyOnceItsChaptersAndRulesAreDone) {
  ScopedSettings settings{{"TVSource", 0}, {"AutomaticallyConvertFiles", true}};
  routeGalactica(server);
  // A queue runner that takes what the rebuild would move, the moment it is offered.
  std::atomic<bool> chaptersMatched{false}, takenEarly{false}, taken{false};
  std::atomic<int> heldDuringMatch{0};
  notices.setOnPost([&](const MediaFile& item, const QString& name) {
    if (name != QLatin1String(kMakeFileTable) || item.state() != MediaState::Queued || !item.didlookup())
      return;
    if (!chaptersMatched) takenEarly = true;
    taken = const_cast<MediaFile&>(item).exchangeState(MediaState::Queued, MediaState::Converting);
  });
  ProbeSteps steps = withMetadataProbeSteps(ProbeSteps{});
  steps.matchChapters = [&](MediaFile& item, const QString& language, const QString& cachePath,
                            const Reporter& log) {
    if (item.state() == MediaState::Queued && !item.didlookup()) ++heldDuringMatch;
    matchChapters(item, language, cachePath, log);
    chaptersMatched = true;
  };
  setup.steps = steps;

  MediaFilePtr item =
      initializeMediaWithPath(copiedSource(folder, "Battlestar.Galactica.S01E02.mkv"), false, true, setup);
  waitForProbes();

  EXPECT_TRUE(item->soliddetection());
  EXPECT_EQ(item->episodename(), "Lost Planet of the Gods (1)");
  EXPECT_EQ(heldDuringMatch.load(), 1) << "queued by the look-up, but not yet to be taken";
  EXPECT_FALSE(takenEarly.load());
  EXPECT_TRUE(taken.load());
  EXPECT_EQ(item->state(), MediaState::Converting);
  EXPECT_TRUE(logged("File Battlestar.Galactica.S01E02.mkv completed lookup", 4));
  EXPECT_TRUE(
      logged("File Battlestar.Galactica.S01E02.mkv is a solid detection so setting state to 2 in line with "
             "preferences",
             4));
}

TEST_F(Probing, ADuplicateIsRemovedBeforeAnyRunnerCanTakeIt) {
  ScopedSettings settings{{"TVSource", 0},
                          {"AutomaticallyConvertFiles", true},
                          {"AutomaticallyCheckForDuplicates", true},
                          {"AutomaticallyDeleteDuplicates", true}};
  routeGalactica(server);
  std::atomic<bool> taken{false};
  notices.setOnPost([&](const MediaFile& item, const QString& name) {
    if (name == QLatin1String(kMakeFileTable) && item.state() == MediaState::Queued && item.didlookup())
      taken = const_cast<MediaFile&>(item).exchangeState(MediaState::Queued, MediaState::Converting);
  });
  std::atomic<int> asked{0};
  ProbeSteps steps = withMetadataProbeSteps(ProbeSteps{});
  steps.tvShowExistsIniTunes = [&](const QString& series, quint32 season, quint32 episode, const Reporter&) {
    ++asked;
    return series == "Battlestar Galactica" && season == 1 && episode == 2;
  };
  setup.steps = steps;

  MediaFilePtr item =
      initializeMediaWithPath(copiedSource(folder, "Battlestar.Galactica.S01E02.mkv"), false, true, setup);
  waitForProbes();

  EXPECT_EQ(asked.load(), 2) << "the check and the deletion each ask";
  EXPECT_FALSE(taken.load());
  EXPECT_EQ(item->state(), MediaState::Removed);
  EXPECT_EQ(item->reasonfordeselection(), DeselectionReason::Duplicate);
  EXPECT_FALSE(item->selected());
  EXPECT_GE(notices.count(*item, kMakeFileTable), 1);
}

TEST_F(Probing, AnItemAlreadyConvertingIsNeverRemovedAsADuplicate) {
  ScopedSettings settings{{"TVSource", 0}, {"AutomaticallyDeleteDuplicates", true}};
  routeGalactica(server);
  ProbeSteps steps = withMetadataProbeSteps(ProbeSteps{});
  steps.tvShowExistsIniTunes = [](const QString&, quint32, quint32, const Reporter&) { return true; };
  setup.steps = steps;
  auto item = itemNamed("Battlestar Galactica", 1, 2);
  item->setMediatype(MediaType::TVShow);
  item->setFullpath("/videos/Battlestar.Galactica.S01E02.mkv");
  item->setAutoprocess(true);
  item->setState(MediaState::Converting);

  EXPECT_FALSE(LookUpShow(*item, setup).Error());
  EXPECT_EQ(item->state(), MediaState::Converting);
  EXPECT_TRUE(item->didlookup());
  EXPECT_TRUE(
      logged("[RED]File Battlestar.Galactica.S01E02.mkv is a duplicate but already converting or converted; "
             "it stays",
             3));
}

TEST_F(Probing, WithoutTheDuplicateChecksInstalledNothingIsADuplicate) {
  ScopedSettings settings{{"AutomaticallyLookUpShowInformation", false}};
  auto tv = itemNamed("Battlestar Galactica", 1, 2);
  tv->setMediatype(MediaType::TVShow);
  tv->setSelected(true);
  auto movie = itemNamed("Blade Runner");
  movie->setSelected(true);
  for (const auto& item : {tv, movie}) {
    CheckForDuplicateFile(*item, setup);
    EXPECT_TRUE(item->selected());
    EXPECT_NE(item->reasonfordeselection(), DeselectionReason::Duplicate);
  }
}

TEST_F(Probing, ExistingTagsAreTakenOverInsteadOfALookUp) {
  ScopedSettings settings{{"ImportExistingMP4Information", true}, {"TVSource", 0}};
  const QString path = folder + "/Show.S01E02.mp4";
  makeTestVideo(path, 1, 64, 48);
  const CommandResult tagged = runCommand(
      "AtomicParsley", {path, "--TVShowName", "Tagged Show", "--TVSeasonNum", "3", "--TVEpisodeNum", "4",
                        "--title", "Tagged Episode", "--stik", "TV Show", "--overWrite"});
  ASSERT_EQ(tagged.exitCode, 0) << tagged.output.toStdString();
  std::atomic<int> lookUps{0};
  ProbeSteps steps = withMetadataProbeSteps(ProbeSteps{});
  steps.LookUpShowData = [&](MediaFile&, const QString&, const QString&, bool, const Reporter&) {
    ++lookUps;
    return BCError::NoError();
  };
  setup.steps = steps;

  MediaFilePtr item = initializeMediaWithPath(path, false, false, setup);
  waitForProbes();

  EXPECT_TRUE(item->hadexistingtags());
  EXPECT_TRUE(item->soliddetection());
  EXPECT_EQ(item->reasonfordeselection(), DeselectionReason::None);
  EXPECT_EQ(item->seriesname(), "Tagged Show");
  EXPECT_EQ(item->episodename(), "Tagged Episode");
  EXPECT_EQ(item->season(), 3u);
  EXPECT_EQ(item->show(), 4u);
  EXPECT_EQ(lookUps.load(), 0);
  EXPECT_TRUE(item->didlookup());
}

TEST_F(Probing, ANameThatMerelyHoldsMp4IsTestedForTagsAndFailsQuietly) {
  ScopedSettings settings{{"AutomaticallyLookUpShowInformation", false},
                          {"ImportExistingMP4Information", true}};
  MediaFilePtr item = initializeMediaWithPath(copiedSource(folder, "mp4 rip.avi"), false, false, setup);
  waitForProbes();
  EXPECT_FALSE(item->hadexistingtags());
  EXPECT_TRUE(item->didlookup());
  EXPECT_EQ(item->myvideotrack().width(), 64u);
  EXPECT_TRUE(logged("Testing for existing MP4 Tags", 4));
  EXPECT_TRUE(logged("[RED]Unable to open file to test for MP4 Tags", 3));
}

TEST_F(Probing, OneRunOfEachToolGivesTheStreamsAndTheChapters) {
  ScopedSettings settings{{"AutomaticallyLookUpShowInformation", false}};
  // The tools of the probe, each counting its runs before it runs the real one.
  const QString tools = freshFolder("counted-tools");
  for (const char* tool : {"ffprobe", "mediainfo"}) {
    const QString script =
        writeFile(tools + "/" + tool, QStringLiteral("#!/bin/sh\necho run >> '%1/%2.runs'\nexec %3 \"$@\"\n")
                                          .arg(tools, tool, QStandardPaths::findExecutable(tool))
                                          .toUtf8());
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  const QString source = copiedSource(folder, "Some Show S01E04.mkv");
  paths::setResourceRoots(QString(), tools);
  MediaFilePtr item = initializeMediaWithPath(source, false, false, setup);
  waitForProbes();
  paths::setResourceRoots(QString(), QString());
  EXPECT_EQ(readFile(tools + "/ffprobe.runs"), "run\n");
  EXPECT_EQ(readFile(tools + "/mediainfo.runs"), "run\n");

  // What the chapter reader and the audio numbering find when each runs the tools itself.
  MediaFile alone;
  alone.setFullpath(source);
  alone.setFilename(QFileInfo(source).fileName());
  ASSERT_FALSE(MediaInfoFromFile(alone, AnalysisContext{reporter, cache, "en"}).Error());
  ASSERT_FALSE(ChaptersFromFile(alone, cache, reporter).Error());
  ASSERT_EQ(item->Chapters().size(), 2);
  EXPECT_EQ(item->Chapters()[0].title(), "One");
  EXPECT_EQ(item->Chapters()[1].title(), "Two");
  EXPECT_EQ(item->Chapters(), alone.Chapters());
  ASSERT_EQ(item->AudioTracks().size(), 1);
  EXPECT_EQ(item->AudioTracks()[0].ffmpegstreamnumber(), 1);
  EXPECT_EQ(item->AudioTracks(), alone.AudioTracks());
}

TEST_F(Probing, AnEyeTVPackageIsProbedThroughTheVideoInside) {
  ScopedSettings settings{{"AutomaticallyLookUpShowInformation", false}};
  const QString package = folder + "/Nature Watch - The Otters.eyetv";
  ASSERT_TRUE(QDir().mkpath(package));
  writeFile(package + "/info.plist", "<plist/>");
  makeMedia(package + "/000001.mpg",
            {"-f", "lavfi", "-i", "testsrc=size=96x64:rate=25:duration=1", "-c:v", "mpeg2video"});

  MediaFilePtr item = initializeMediaWithPath(package, false, false, setup);
  waitForProbes();

  EXPECT_EQ(item->type(), "Eye TV");
  EXPECT_EQ(item->packagepath(), package + "/000001.mpg");
  EXPECT_EQ(item->filesize(), QFileInfo(package + "/000001.mpg").size());
  EXPECT_EQ(item->myvideotrack().width(), 96u);
  EXPECT_EQ(item->seriesname(), "Nature Watch");
  EXPECT_EQ(item->episodename(), "The Otters");
  EXPECT_EQ(item->mediatype(), MediaType::TVShow);
  EXPECT_TRUE(item->didlookup());
}

TEST_F(Probing, AnEyeTVPackageWithoutVideoIsProbedAtItsOwnPath) {
  ScopedSettings settings{{"AutomaticallyLookUpShowInformation", false}};
  const QString package = folder + "/Empty Recording.EyeTV";
  ASSERT_TRUE(QDir().mkpath(package));
  MediaFilePtr item = initializeMediaWithPath(package, false, false, setup);
  waitForProbes();
  EXPECT_EQ(item->type(), "Eye TV");
  EXPECT_EQ(item->packagepath(), "");
  EXPECT_EQ(item->mediatype(), MediaType::Movie);
  EXPECT_TRUE(item->didlookup());
}

TEST_F(Probing, QueueingWithoutALookUpFollowsTheAutoprocessFlagOfEachItem) {
  ScopedSettings settings{{"AutomaticallyLookUpShowInformation", false},
                          {"AutomaticallyConvertAllFiles", true}};
  MediaFilePtr automatic = initializeMediaWithPath(copiedSource(folder, "Holiday.mkv"), false, true, setup);
  MediaFilePtr byHand = initializeMediaWithPath(copiedSource(folder, "Birthday.mkv"), false, false, setup);
  waitForProbes();
  EXPECT_EQ(automatic->state(), MediaState::Queued);
  EXPECT_EQ(byHand->state(), MediaState::InFilesTable);
  EXPECT_TRUE(requests().isEmpty());
}

TEST_F(Probing, AnUnidentifiedMovieBecomesASelectedHomeMovieNamedAfterItsFile) {
  ScopedSettings settings{{"AssumeMediaType", "Home Movie"}, {"MovieSource", 0}};
  MediaFilePtr item =
      initializeMediaWithPath(copiedSource(folder, "Holiday at the lake.mkv"), false, false, setup);
  waitForProbes();
  EXPECT_FALSE(item->soliddetection());
  EXPECT_EQ(item->mediatype(), MediaType::HomeMovie);
  EXPECT_TRUE(item->selected());
  EXPECT_EQ(item->reasonfordeselection(), DeselectionReason::None);
  EXPECT_EQ(item->seriesname(), "Holiday at the lake.mkv");
  EXPECT_TRUE(item->didlookup());
}

TEST_F(Probing, SummariesShowTheProbedFactsOnceLookedUp) {
  ScopedSettings settings{{"AutomaticallyLookUpShowInformation", false}};
  auto fresh = std::make_shared<MediaFile>();
  EXPECT_EQ(texts(summaryArray(*fresh)), QStringList(8, QString()));

  MediaFilePtr item =
      initializeMediaWithPath(copiedSource(folder, "Some Show S01E05.mkv"), false, false, setup);
  waitForProbes();
  const QString text = summary(*item);
  EXPECT_TRUE(text.startsWith("Some Show S01E05.mkv\nFile Size: ")) << text.toStdString();
  EXPECT_TRUE(text.contains("KB \nDuration:")) << text.toStdString();
  EXPECT_TRUE(text.endsWith("AVC 64x48\n")) << text.toStdString();
  EXPECT_EQ(texts(summaryArray(*item)),
            QStringList({"Some Show", item->episodename(), "TV Show", "1", "5", "2"}));

  item->setHasSurround(true);
  QImage art(4, 4, QImage::Format_RGB32);
  art.fill(Qt::blue);
  item->setImage(art);
  const QVariantList values = summaryArray(*item);
  ASSERT_EQ(values.size(), 7);
  EXPECT_EQ(values[5], "6");
  EXPECT_EQ(values[6].value<QImage>().size(), QSize(4, 4));
}

TEST_F(Probing, ADVDTitleCarriesItsRecordAndIsLookedUpInTheBackground) {
  ScopedSettings settings{{"AutomaticallyLookUpShowInformation", false},
                          {"IncludeSubtitleTracks", 1},
                          {"AutoscanForDVDSubtitles", true}};
  DVDTrack record("Title 3", "/media/dvd", 3);
  record.setTrackname("Some Series");
  record.setSeason(2);
  record.setEpisode(7);
  record.setMediatype("TV Show");
  record.setWidth(720);
  record.setHeight(576);
  record.setFramerate("25");
  record.setBitrate("6000");
  AudioTrack stereo, surround;
  stereo.setChannels(2);
  surround.setChannels(6);
  record.setAudioTracks({stereo, surround});
  SubtitleTrack bitmap, english, french;
  bitmap.setFormat("VobSub");
  english.setFormat("UTF-8");
  english.setLanguage("English");
  french.setFormat("UTF-8");
  french.setLanguage("French");
  record.setSubtitleTracks({bitmap, english, french});
  ChapterTrack chapter;
  chapter.setTitle("Opening");
  record.setChapters({chapter});

  MediaFilePtr item = initializeMediaWithDVD("Title 3", record, false, setup);
  EXPECT_EQ(notices.count(*item, kRefreshWindow), 1);
  waitForProbes();

  EXPECT_TRUE(item->isDVD());
  EXPECT_EQ(item->fullpath(), "DVD:Title 3");
  EXPECT_EQ(item->filename(), "DVD:Title 3");
  EXPECT_EQ(item->type(), "DVD");
  EXPECT_EQ(item->DVDTitle(), "Title 3");
  ASSERT_TRUE(item->DVDTrackInfo().has_value());
  EXPECT_EQ(item->DVDTrackInfo()->dvdpath(), "/media/dvd");
  EXPECT_EQ(item->DVDTrackInfo()->tracknumber(), 3);
  EXPECT_EQ(item->seriesname(), "Some Series");
  EXPECT_EQ(item->season(), 2u);
  EXPECT_EQ(item->show(), 7u);
  EXPECT_EQ(item->mediatype(), MediaType::TVShow);
  EXPECT_FALSE(item->fastmode());
  EXPECT_EQ(item->reasonfornofastmode(), "DVD");
  EXPECT_EQ(item->myvideotrack().videoformat(), "MPEG2");
  EXPECT_EQ(item->myvideotrack().width(), 720u);
  EXPECT_TRUE(item->hasSurround());
  EXPECT_EQ(item->AudioTracks().size(), 2);
  EXPECT_EQ(item->Chapters().size(), 1);
  ASSERT_EQ(item->HardSubtitleTracks().size(), 1);
  ASSERT_EQ(item->SoftSubtitleTracks().size(), 2);
  EXPECT_TRUE(item->SoftSubtitleTracks()[0].selected()) << "the user's language";
  EXPECT_FALSE(item->SoftSubtitleTracks()[1].selected());
  EXPECT_TRUE(item->OnlyScanForForcedSubtitle());
  EXPECT_TRUE(item->didlookup());
  EXPECT_GE(notices.count(*item, kRefreshWindow), 2);
}

}  // namespace
