#include "app/controller/TimedActivities.h"

#include "app/files/FileLists.h"
#include "app/files/SourceScanner.h"
#include "app/queue/QueueRunner.h"
#include "app/shared/CacheExpiry.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"

namespace zuvo {
namespace {
constexpr int kNeverExpire = 4;
}

TimedActivities::TimedActivities(ControllerState& state, const ControllerHooks& hooks, QueueRunner& runner,
                                 SourceScanner& scanner, FileLists& lists)
    : state_(state), hooks_(hooks), runner_(runner), scanner_(scanner), lists_(lists) {}

void TimedActivities::timedScan() {
  scanner_.checksources(true);
  if (state_.quitting) return;
  lists_.makefilestable();
  ControllerHooks::call(hooks_.reloadFilesTable);
}

void TimedActivities::timedactivities() {
  const Defaults& defaults = Defaults::standard();
  ControllerHooks::call(hooks_.setWindowTitle, QStringLiteral("Zuvo"));

  const bool wantStatusItem = defaults.get(setting::ShowStatusItem);
  if (wantStatusItem && !state_.statusItemShown)
    ControllerHooks::call(hooks_.activateStatusMenu);
  else if (!wantStatusItem && state_.statusItemShown)
    ControllerHooks::call(hooks_.deactivateStatusMenu);

  runner_.startconversion();

  const QDateTime now = now_();
  if (defaults.get(setting::AutomaticallyScanForFiles) &&
      now.time().hour() == defaults.get(setting::AutomaticallyScanForFilesHour) && now.time().minute() == 0) {
    state_.mainLog->report(
        QStringLiteral("[BLUE]Current time matches automatic time set in preferences, checking sources"), 3);
    timedScan();
  }
  // A quit that came during a scan's redraw ends the tick there.
  if (state_.quitting) return;

  if (state_.nextScan <= now && defaults.get(setting::ScanVideoSourcesEveryMinutes)) {
    state_.nextScan = now.addSecs(static_cast<qint64>(defaults.get(setting::AutomateEveryMinutes)) * 60);
    state_.mainLog->report(
        QStringLiteral("[BLUE]Doing Timed Scan of Video Sources at %1").arg(state_.nextScan.toString()), 3);
    timedScan();
  }
  if (state_.quitting) return;

  if (!state_.tvOffline) ControllerHooks::call(hooks_.clearOnlineBox, true);
  if (!state_.movieOffline) ControllerHooks::call(hooks_.clearOnlineBox, false);

  if (state_.cacheCountdown == 0) {
    state_.cacheCountdown = kTicksBetweenCacheExpiry;
    if (defaults.get(setting::CacheDuration) != kNeverExpire)
      expireCacheFiles(defaults.get(setting::ConversionDirectory), now, state_.mainLog,
                       [this](const QString& path) { return runner_.usesFile(path); });
  }
  --state_.cacheCountdown;
}

}  // namespace zuvo
