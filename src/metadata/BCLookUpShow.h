#pragma once
// The look-up: turns an item whose name is known into a described TV episode or movie.
// It picks the source the preferences name (TheTVDB, TheMovieDB, tagChimp or a
// plug-in), searches it for candidates, fetches the chosen record into the item, says
// whether the service answered ("TVOnline", "TVOffline", "MovieOnline", "MovieOffline"),
// maps the genre and cleans the texts.
//
// One object is made per use and works on its caller's thread, which it blocks while
// downloads and plug-ins run: a probe thread, or the main thread for the look-ups the
// user starts. The episode picker (rows, panel) belongs to the object that runs it on
// the main thread; objects made on probe threads have no panel and never wait on one.
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <optional>

#include "media/BCCReporter.h"
#include "media/BCError.h"
#include "media/MediaFile.h"
#include "metadata/EpisodeItem.h"
#include "metadata/EpisodePickerPanel.h"
#include "metadata/MetadataPlugin.h"

namespace zuvo {

// The codes of a look-up's failures.
namespace LookUpCode {
inline constexpr qint32 NoShowName = 1;
inline constexpr qint32 NoCandidate = 2;
inline constexpr qint32 Offline = 3;  // the service could not be reached
inline constexpr qint32 NoPluginResult = 4;
}  // namespace LookUpCode

// Answer texts of a look-up and of the pickers.
inline constexpr const char* kNothingFound = "NothingFound";
inline constexpr const char* kNoData = "No Data";

// The tables the pickers' data source serves; only the episode table has rows.
enum class PickerTable { EpisodePicker, ShowPicker };

class BCLookUpShow {
 public:
  BCLookUpShow(const QString& cachePath, const QString& language, bool guessAtShowName,
               const Reporter& reporter);
  BCLookUpShow(const BCLookUpShow&) = delete;
  BCLookUpShow& operator=(const BCLookUpShow&) = delete;

  // The plug-in for a TV show or movie whose source setting says so, else the service
  // search and record. Success whether or not a record was found; code 1 for no name,
  // 2 for no TV candidate, 3 when the service did not answer, 4 from the plug-in.
  BCError LookUpShowData(MediaFile& item);
  // `alternates` YES searches for candidates first; NO uses the item's forced id or
  // its current choice among the candidates it has.
  BCError LookUpShowData(MediaFile& item, bool alternates);
  static void FixGenre(MediaFile& item);
  // Runs the plug-in the settings name for the item. Code 4 "Plug In did not return a
  // result" when it gives no "Result", cannot start or does not end within
  // pluginTimeLimit().
  BCError usePlugin(MediaFile& item);

  // Main thread only. Returns when the picker has closed; OK leaves `pickerShow` set.
  // Without a panel, or off the main thread, there is no user to choose: the picker
  // ends as Cancel does.
  void RunEpisodePicker(const MediaFilePtr& item);
  // The picker's rows for the series from TVRage, scored against `episodeName`; 1 when
  // the episode list could not be fetched, else 0.
  int CreateEpisodePickerList(const QString& seriesName, const QString& episodeName);
  // A better show name from TVRage's show search, or "NothingFound".
  QString RunInvisibleShowPicker(const MediaFile& item);
  // The names TVRage finds for the series into `names`; 1 when it could not be asked.
  int CreateShowPickerList(const QString& seriesName, QStringList& names);

  // The episode panel's actions.
  void EpisodePickerMatrixPress();
  void EpisodePickerOKButtonPressed();
  void EpisodePickerCancelButtonPressed();
  // The episode table's data source: columns "SeriesName", "ShowNumber",
  // "SeasonNumber", "EpisodeName", "Match"; empty cells while the picker is not running.
  int numberOfRowsInTableView(PickerTable table) const;
  QVariant objectValueForTableColumn(PickerTable table, const QString& identifier, int row) const;

  MediaFilePtr pickerShow() const { return pickerShow_; }
  void setPickerShow(const MediaFilePtr& item) { pickerShow_ = item; }
  bool pickerrunning() const { return pickerrunning_; }
  void setPickerrunning(bool running) { pickerrunning_ = running; }
  QObject* MainWindow() const { return MainWindow_; }
  void setMainWindow(QObject* window) { MainWindow_ = window; }
  EpisodePickerPanel* episodePickerPanel() const { return panel_.get(); }
  void setEpisodePickerPanel(std::unique_ptr<EpisodePickerPanel> panel) { panel_ = std::move(panel); }
  double pluginTimeLimit() const { return pluginTimeLimit_; }
  void setPluginTimeLimit(double seconds) { pluginTimeLimit_ = seconds; }

  // The busy sheet and the show picker's window are never shown.
  void showBusySheet(const QString&) {}
  void hideBusySheet() {}
  void RunShowPicker(const MediaFilePtr&) {}
  void ShowPickerOKButtonPressed() {}
  void ShowPickerCancelButtonPressed() {}

 private:
  void report(const QString& message, quint32 level) const;
  void post(const char* name, const QVariantMap& userInfo = {}) const;
  // Posts whether the service answered, with the words of its status ("text") for the
  // lights: the service asked, whether it answered and why not, and when. `source` names
  // the service when no download was made; `query` is the name that found no match, if any.
  void postAnswer(const char* name, bool answered, const QString& source, const QString& query = {}) const;
  QString serviceLanguage() const;
  // A TV search: false when the service did not answer.
  bool searchTVShow(MediaFile& item, const QString& language);
  BCError lookUpTVShow(MediaFile& item, bool alternates, const QString& language);
  BCError lookUpMovie(MediaFile& item, bool alternates, const QString& language);
  BCError endSteps(MediaFile& item);
  // The item's chosen candidate, when its list has one at the chosen index.
  std::optional<VideoAlternate> selectedAlternate(const MediaFile& item) const;
  // A panel that may be used from the calling thread.
  bool hasPanelHere() const;

  Reporter myreporter;
  QString cachepath;
  QString languagestring;
  QPointer<QObject> MainWindow_;
  bool guessatunmatchedshowname = false;
  MediaFilePtr pickerShow_;
  bool pickerrunning_ = false;
  std::unique_ptr<EpisodePickerPanel> panel_;
  double pluginTimeLimit_ = kPluginTimeLimit;
  // The series and episode names as the look-up found them, before any answer.
  QString namesAtStart_[2];

  // Episode picker state: main thread only.
  QList<EpisodeItem> pickerRows_;
  QString pickerSeriesName_;
  QString pickerEpisodeName_;
};

}  // namespace zuvo
