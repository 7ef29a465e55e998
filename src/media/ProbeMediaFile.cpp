#include "media/ProbeMediaFile.h"

#include <QFileInfo>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "media/BCConversionRule.h"
#include "media/EyeTVPackage.h"
#include "media/FileHelpers.h"
#include "media/FileTypes.h"
#include "media/LanguageRecord.h"
#include "media/MediaLabels.h"
#include "media/MediaValues.h"
#include "media/ProbeSteps.h"
#include "media/RegisteredSettings.h"
#include "media/StreamAnalysis.h"
#include "media/VideoDataFromFilename.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"

namespace zuvo {
namespace {

const QString kEyeTVExtension = QStringLiteral("eyetv");
const QString kDVDPathFormat = QStringLiteral("DVD:%1");
const QString kDVDVideoFormat = QStringLiteral("MPEG2");

const QString kCompletedLookup = QStringLiteral("File %1 completed lookup");
const QString kSolidQueued =
    QStringLiteral("File %1 is a solid detection so setting state to 2 in line with preferences");
const QString kKeptStarted =
    QStringLiteral("[RED]File %1 is a duplicate but already converting or converted; it stays");
const QString kNoTagStep =
    QStringLiteral("Taking over existing MP4 tags is not available; the file name is used");
const QString kNoChapterStep = QStringLiteral("Reading chapters is not available; no chapters read");
const QString kNoMatchStep = QStringLiteral("Matching chapter titles is not available; titles left as read");
const QString kNoLookUpStep = QStringLiteral("[RED]Online look-up is not available; %1 not looked up");
const QString kNoChapterSearch =
    QStringLiteral("Chapter title search is not available; no candidates searched");

std::atomic<int> runningProbes{0};

void report(const Reporter& log, const QString& message, quint32 level) {
  if (log) log->report(message, level);
}

void post(const char* name, const MediaFile& item) {
  NotificationCenter::defaultCenter().post(QString::fromLatin1(name), &item);
}

QString lastComponent(const QString& path) { return QFileInfo(path).fileName(); }

// The gate: wait while more than the threshold run, then count in, as one atomic step so
// that two probes cannot both take the last slot. A waiter looks again every second, and
// at once when a probe ends, so that a freed slot does not stay idle for up to a second.
std::mutex gateLock;
std::condition_variable gateOpened;

void enterGate() {
  for (;;) {
    int running = runningProbes.load();
    if (running > kRunningProbeThreshold) {
      std::unique_lock<std::mutex> guard(gateLock);
      gateOpened.wait_for(guard, std::chrono::seconds(1),
                          [] { return runningProbes.load() <= kRunningProbeThreshold; });
      continue;
    }
    if (runningProbes.compare_exchange_weak(running, running + 1)) return;
  }
}

void leaveGate() {
  runningProbes.fetch_sub(1);
  { std::lock_guard<std::mutex> guard(gateLock); }  // a waiter between its test and its wait sees the change
  gateOpened.notify_all();
}

struct GateSlot {
  GateSlot() { enterGate(); }
  ~GateSlot() { leaveGate(); }
  GateSlot(const GateSlot&) = delete;
  GateSlot& operator=(const GateSlot&) = delete;
};

// Holds the item "not looked up" for a scope; on leaving, an item that was queued while held
// is offered to the table rebuild again, as the rebuild skipped it then.
class LookUpHold {
 public:
  explicit LookUpHold(MediaFile& item) : item_(item) { item_.holdLookUp(); }
  ~LookUpHold() {
    item_.releaseLookUp();
    if (item_.state() == MediaState::Queued && item_.didlookup()) post(kMakeFileTable, item_);
  }
  LookUpHold(const LookUpHold&) = delete;
  LookUpHold& operator=(const LookUpHold&) = delete;

 private:
  MediaFile& item_;
};

// Queues an item of the files table; one that is queued already stays so. An item that a
// conversion has taken is never put back.
bool queueUnlessStarted(MediaFile& item) {
  item.exchangeState(MediaState::InFilesTable, MediaState::Queued);
  return item.state() == MediaState::Queued;
}

// Removes an item only while no conversion has taken it.
bool removeUnlessStarted(MediaFile& item) {
  for (MediaState state = item.state(); state == MediaState::InFilesTable || state == MediaState::Queued;
       state = item.state())
    if (item.exchangeState(state, MediaState::Removed)) return true;
  return false;
}

void queueAutomatically(MediaFile& item, const Reporter& log) {
  if (!queueUnlessStarted(item)) return;
  report(log, kSolidQueued.arg(lastComponent(item.fullpath())), 4);
  post(kMakeFileTable, item);
}

AnalysisContext analysisContext(const ProbeContext& context) {
  return AnalysisContext{context.mainLog, context.cacheFolder, context.userLanguage};
}

void readSourceKind(MediaFile& item) {
  if (!PathExtension(item.fullpath()).toLower().contains(kEyeTVExtension)) {
    item.setType(QString::fromLatin1(kSourceTypeFile));
    return;
  }
  item.setType(QString::fromLatin1(kSourceTypeEyeTV));
  const BCError found = FindMPEGInEyeTVPackage(item.fullpath());
  if (found.Error()) return;
  const QString video = found.NoErrorResult().toString();
  item.setPackagepath(video);
  item.setFilesize(QFileInfo(video).size());
}

void readExistingTags(MediaFile& item, const ProbeSteps& steps, const ProbeContext& context) {
  const QString name = lastComponent(item.fullpath()).toLower();
  const bool mp4Name = name.contains(QLatin1String("m4v")) || name.contains(QLatin1String("mp4"));
  if (mp4Name && (!steps.testforMP4tags || !steps.createVideoDataFromm4v)) {
    report(context.mainLog, kNoTagStep, 4);
  } else if (mp4Name && steps.testforMP4tags(item, context.mainLog) &&
             Defaults::standard().get(setting::ImportExistingMP4Information)) {
    reportIfFailed(context.mainLog,
                   steps.createVideoDataFromm4v(item, context.userLanguage, context.cacheFolder,
                                                context.mainLog, item.autoprocess()),
                   QStringLiteral("Reading the tags of %1").arg(item.filename()));
    item.setHadexistingtags(true);
    return;
  }
  item.setHadexistingtags(false);
}

void matchChapterTitles(MediaFile& item, const ProbeSteps& steps, const ProbeContext& context) {
  if (steps.matchChapters)
    steps.matchChapters(item, context.userLanguage, context.cacheFolder, context.mainLog);
  else
    report(context.mainLog, kNoMatchStep, 4);
}

// CheckForDuplicateFile with the steps and the log a probe already holds.
void checkForDuplicate(MediaFile& item, const ProbeSteps& steps, const Reporter& log) {
  bool duplicate = false;
  switch (item.mediatype()) {
    case MediaType::Movie:
      duplicate = steps.movieExistsIniTunes && steps.movieExistsIniTunes(item.seriesname(), log);
      break;
    case MediaType::TVShow:
      duplicate = steps.tvShowExistsIniTunes &&
                  steps.tvShowExistsIniTunes(item.seriesname(), item.season(), item.show(), log);
      break;
    default:
      return;
  }
  if (!duplicate) return;
  item.setSelected(false);
  item.setReasonfordeselection(DeselectionReason::Duplicate);
}

// The look-up proper, up to the decisions after it; false when the item was removed as a
// duplicate, which ends the look-up.
bool lookUpAndDecide(MediaFile& item, const ProbeSteps& steps, const ProbeContext& context) {
  const Defaults& defaults = Defaults::standard();
  const bool autoprocess = item.autoprocess();
  item.setDidlookup(false);
  if (defaults.get(setting::AutomaticallyLookUpShowInformation)) {
    if (steps.LookUpShowData)
      reportIfFailed(context.mainLog,
                     steps.LookUpShowData(item, context.cacheFolder, context.userLanguage,
                                          defaults.get(setting::GuessAtUnmatchedShowNames), context.mainLog),
                     QStringLiteral("Looking up %1").arg(item.filename()));
    else
      report(context.mainLog, kNoLookUpStep.arg(item.filename()), 3);

    if (!item.soliddetection() && item.mediatype() == MediaType::Movie) {
      // An unknown label would leave the item without any valid type: keep it a movie.
      const MediaType assumed = MediaTypeFromName(defaults.get(setting::AssumeMediaType));
      if (assumed != kUnknownMediaType) item.setMediatype(assumed);
      if (assumed == MediaType::HomeMovie) {
        const DeselectionReason reason = item.reasonfordeselection();
        if (reason != DeselectionReason::ProtectedByDRM && reason != DeselectionReason::UnsupportedVideo &&
            reason != DeselectionReason::NoVideo) {
          item.setSelected(true);
          item.setReasonfordeselection(DeselectionReason::None);
        }
        item.setSeriesname(item.isDVD() ? item.DVDTitle() : item.filename());
      }
    }

    if (steps.TagChimpSearchChapterAlternates)
      reportIfFailed(context.mainLog,
                     steps.TagChimpSearchChapterAlternates(item, context.userLanguage, context.cacheFolder,
                                                           context.mainLog),
                     QStringLiteral("Searching chapter titles"));
    else
      report(context.mainLog, kNoChapterSearch, 4);

    item.setDidlookup(true);
    report(context.mainLog, kCompletedLookup.arg(lastComponent(item.fullpath())), 4);

    if (autoprocess && item.soliddetection() && defaults.get(setting::AutomaticallyConvertFiles))
      queueAutomatically(item, context.mainLog);
    if (item.selected() && defaults.get(setting::AutomaticallyCheckForDuplicates))
      checkForDuplicate(item, steps, context.mainLog);
    if (defaults.get(setting::AutomaticallyDeleteDuplicates) && autoprocess) {
      checkForDuplicate(item, steps, context.mainLog);
      if (item.reasonfordeselection() == DeselectionReason::Duplicate) {
        item.setDidlookup(true);
        if (removeUnlessStarted(item)) {
          post(kMakeFileTable, item);
          return false;
        }
        report(context.mainLog, kKeptStarted.arg(lastComponent(item.fullpath())), 3);
      }
    }
  }
  if (autoprocess && defaults.get(setting::AutomaticallyConvertAllFiles))
    queueAutomatically(item, context.mainLog);
  item.setDidlookup(true);
  return true;
}

void lookUpDVDTitleInBackground(const MediaFilePtr& item, const ProbeSetup& setup) {
  LookUpHold hold(*item);
  reportIfFailed(setup.context.mainLog, LookUpShow(*item, setup),
                 QStringLiteral("Looking up %1").arg(item->filename()));
  matchChapterTitles(*item, setup.steps, setup.context);
}

void copyDVDSubtitles(MediaFile& item, const DVDTrack& record, const ProbeContext& context) {
  const int include = Defaults::standard().get(setting::IncludeSubtitleTracks);
  QList<SubtitleTrack> soft, hard;
  for (SubtitleTrack track : record.SubtitleTracks()) {
    if (IsBitmapSubtitleFormat(track.format())) {
      hard.append(track);
      continue;
    }
    if (include == 2) {
      track.setSelected(true);
    } else if (include == 1) {
      const auto language = LanguageRecord::LanguageWithString(track.language());
      if (language && language->twochar() == context.userLanguage) track.setSelected(true);
    }
    soft.append(track);
  }
  item.setSoftSubtitleTracks(soft);
  item.setHardSubtitleTracks(hard);
}

}  // namespace

QThreadPool& probeThreadPool() {
  static QThreadPool* pool = [] {
    auto* made = new QThreadPool;
    made->setMaxThreadCount(16);
    return made;
  }();
  return *pool;
}

int RunningProbeCount() { return runningProbes.load(); }

MediaFilePtr newMediaWithPath(const QString& path, bool drop, bool autoprocess) {
  auto item = std::make_shared<MediaFile>();
  item->setAutoprocess(autoprocess);
  item->setIsDVD(false);
  item->setOnlyScanForForcedSubtitle(false);
  item->setFullpath(path);
  item->setDrop(drop);
  item->setFilename(lastComponent(path));
  item->setFilesize(QFileInfo(path).size());
  return item;
}

void startProbe(const MediaFilePtr& item, const ProbeSetup& setup) {
  probeThreadPool().start([item, setup] { probeMediaFileInBackground(item, setup); });
}

MediaFilePtr initializeMediaWithPath(const QString& path, bool drop, bool autoprocess,
                                     const ProbeSetup& setup) {
  MediaFilePtr item = newMediaWithPath(path, drop, autoprocess);
  startProbe(item, setup);
  return item;
}

MediaFilePtr newMediaWithDVD(const QString& title, const DVDTrack& record, bool autoprocess,
                             const ProbeSetup& setup) {
  auto item = std::make_shared<MediaFile>();
  item->setAutoprocess(autoprocess);
  item->setDVDTrackInfo(DVDTrack(title, record.dvdpath(), record.tracknumber()));
  item->setIsDVD(true);
  item->setFilename(kDVDPathFormat.arg(title));
  item->setFullpath(kDVDPathFormat.arg(title));
  item->setType(QString::fromLatin1(kSourceTypeDVD));
  item->setSeriesname(record.trackname());
  item->setSeason(quint32(std::max(0, record.season())));
  item->setShow(quint32(std::max(0, record.episode())));
  item->setMediatype(MediaTypeFromName(record.mediatype()));
  item->setDVDTitle(title);

  item->setFastmode(false);
  item->setReasonfornofastmode(QString::fromLatin1(kSourceTypeDVD));
  VideoTrack video = item->myvideotrack();
  video.setVideoformat(kDVDVideoFormat);
  video.setWidth(quint32(std::max(0, record.width())));
  video.setHeight(quint32(std::max(0, record.height())));
  video.setFramerate(record.framerate());
  video.setBitrate(record.bitrate());
  item->setMyvideotrack(video);
  item->setHasdrm(false);
  const QList<AudioTrack> audio = record.AudioTracks();
  item->setAudioTracks(audio);
  item->setHasSurround(std::any_of(audio.begin(), audio.end(), [](const AudioTrack& t) {
    return t.channels() == 6 || t.channels() == 7;
  }));
  item->setChapters(record.Chapters());
  copyDVDSubtitles(*item, record, setup.context);
  item->setOnlyScanForForcedSubtitle(Defaults::standard().get(setting::AutoscanForDVDSubtitles));
  return item;
}

void startDVDLookUp(const MediaFilePtr& item, const ProbeSetup& setup) {
  probeThreadPool().start([item, setup] { lookUpDVDTitleInBackground(item, setup); });
  post(kRefreshWindow, *item);
}

MediaFilePtr initializeMediaWithDVD(const QString& title, const DVDTrack& record, bool autoprocess,
                                    const ProbeSetup& setup) {
  MediaFilePtr item = newMediaWithDVD(title, record, autoprocess, setup);
  startDVDLookUp(item, setup);
  return item;
}

void probeMediaFileInBackground(const MediaFilePtr& item, const ProbeSetup& setup) {
  MediaFile& media = *item;
  {
    GateSlot slot;
    // Released before the slot: the item is whole when it reads "looked up".
    LookUpHold hold(media);
    const ProbeSteps& steps = setup.steps;
    const ProbeContext& context = setup.context;

    readSourceKind(media);
    // One run of each tool: the streams and the chapters are read from the same reports.
    const AnalysisReports reports = analysisReports(
        media.packagepath().isEmpty() ? media.fullpath() : media.packagepath(), context.cacheFolder);
    reportIfFailed(context.mainLog, MediaInfoFromReports(media, reports, analysisContext(context)),
                   QStringLiteral("Analysing %1").arg(media.filename()), 3);

    const bool eyeTV = media.type() == QLatin1String(kSourceTypeEyeTV);
    if (!eyeTV) {
      reportIfFailed(context.mainLog, getVideoDataFromFilename(media, context.mainLog),
                     QStringLiteral("Reading the name of %1").arg(media.filename()));
      readExistingTags(media, steps, context);
    }

    if (steps.ChaptersFromReport)
      reportIfFailed(context.mainLog, steps.ChaptersFromReport(media, reports.ffprobe, context.mainLog),
                     QStringLiteral("Reading chapters"));
    else
      report(context.mainLog, kNoChapterStep, 4);

    reportIfFailed(context.mainLog, ApplyRulesBeforeLookup(media, context.mainLog, context.userLog),
                   QStringLiteral("Applying the rules"));
    if (eyeTV)
      reportIfFailed(context.mainLog, ParseEyeTVRecordingName(media, context.mainLog),
                     QStringLiteral("Reading the recording's name"));

    if (media.hadexistingtags()) {
      media.setSoliddetection(true);
      // Tags do not make up for a missing picture (a tagged sound file).
      if (media.reasonfordeselection() == DeselectionReason::NoVideo)
        media.setSelected(false);
      else
        media.setReasonfordeselection(DeselectionReason::None);
      post(kRefreshWindow, media);
    } else {
      reportIfFailed(context.mainLog, LookUpShow(media, setup),
                     QStringLiteral("Looking up %1").arg(media.filename()));
    }

    media.setDidlookup(true);
    matchChapterTitles(media, steps, context);
    reportIfFailed(context.mainLog, ApplyRulesAfterLookup(media, context.mainLog, context.userLog),
                   QStringLiteral("Applying the rules"));
  }
  post(kRefreshWindow, media);
}

BCError LookUpShow(MediaFile& item, const ProbeSetup& setup) {
  LookUpHold hold(item);
  if (lookUpAndDecide(item, setup.steps, setup.context)) post(kRefreshWindow, item);
  return BCError::NoError();
}

void CheckForDuplicateFile(MediaFile& item, const ProbeSetup& setup) {
  checkForDuplicate(item, setup.steps, setup.context.mainLog);
}

}  // namespace zuvo
