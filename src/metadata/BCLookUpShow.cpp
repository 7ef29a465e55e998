#include "metadata/BCLookUpShow.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QImage>
#include <QThread>
#include <algorithm>
#include <optional>

#include "media/BCDownloader.h"
#include "media/EntityDecoding.h"
#include "media/LanguageRecord.h"
#include "media/MediaValues.h"
#include "media/RegisteredSettings.h"
#include "media/StringHelpers.h"
#include "metadata/ITunesGenre.h"
#include "metadata/ServiceCache.h"
#include "metadata/TVRage.h"
#include "metadata/TagChimp.h"
#include "metadata/TheMovieDB.h"
#include "metadata/TheTVDB.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"

namespace zuvo {
namespace {

constexpr const char* kAutomaticLanguage = "Automatic";
constexpr const char* kEnglish = "en";

// Source setting values.
constexpr int kTheTVDBOrTheMovieDB = 0;
constexpr int kTagChimp = 1;
constexpr int kPlugIn = 2;

constexpr const char* kTVOnline = "TVOnline";
constexpr const char* kTVOffline = "TVOffline";
constexpr const char* kMovieOnline = "MovieOnline";
constexpr const char* kMovieOffline = "MovieOffline";

constexpr const char* kUnknownName = "Unknown";

constexpr const char* kNoShowName = "No valid show name passed to Lookup";
constexpr const char* kNoCandidate = "Look up for show returned zero";
constexpr const char* kTVOfflineText = "TVDB Service is offline";
constexpr const char* kMovieOfflineText = "MovieDB Service is offline";
constexpr const char* kNoPluginResult = "Plug In did not return a result";

constexpr const char* kEpisodePrompt = "Please select the correct episode for %1";
constexpr const char* kNoSeriesAlert =
    "Unable to find a series with the name %1. Try and use the Search button to find the right series name.";

// The plug-in's tagged values and the fields they fill.
struct PluginField {
  const char* tag;
  void (MediaFile::*set)(const QString&);
};
constexpr PluginField kPluginFields[] = {
    {"Description", &MediaFile::setDescription},
    {"Actors", &MediaFile::setActors},
    {"Producers", &MediaFile::setProducers},
    {"Directors", &MediaFile::setDirectors},
    {"Release Date", &MediaFile::setReleasedate},
    {"Rating", &MediaFile::setRating},
    {"Genre", &MediaFile::setGenre},
};
constexpr const char* kPluginResultTag = "Result";
constexpr const char* kPluginFlashTag = "Flash";
constexpr const char* kPluginImageTag = "Image";

// The texts a finished look-up unescapes. The two names are unescaped by the service that
// answers them; the end only tidies a name the look-up left as it was.
struct TextField {
  QString (MediaFile::*get)() const;
  void (MediaFile::*set)(const QString&);
};
constexpr TextField kUnescapedNames[] = {
    {&MediaFile::seriesname, &MediaFile::setSeriesname},
    {&MediaFile::episodename, &MediaFile::setEpisodename},
};
constexpr TextField kUnescapedTexts[] = {
    {&MediaFile::actors, &MediaFile::setActors},           {&MediaFile::producers, &MediaFile::setProducers},
    {&MediaFile::directors, &MediaFile::setDirectors},     {&MediaFile::genre, &MediaFile::setGenre},
    {&MediaFile::description, &MediaFile::setDescription},
};

// The episode table's columns.
struct EpisodeColumn {
  const char* identifier;
  QVariant (*value)(const EpisodeItem&);
};
constexpr EpisodeColumn kEpisodeColumns[] = {
    {"SeriesName", [](const EpisodeItem& e) { return QVariant(e.SeriesName); }},
    {"ShowNumber", [](const EpisodeItem& e) { return QVariant(e.EpisodeNumber); }},
    {"SeasonNumber", [](const EpisodeItem& e) { return QVariant(e.SeasonNumber); }},
    {"EpisodeName", [](const EpisodeItem& e) { return QVariant(e.EpisodeName); }},
    {"Match", [](const EpisodeItem& e) { return QVariant(e.Match); }},
};

bool onGuiThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

bool unreachable(const BCError& answer) { return answer.Error() && answer.Code() == kServiceUnreachable; }

}  // namespace

BCLookUpShow::BCLookUpShow(const QString& cachePath, const QString& language, bool guessAtShowName,
                           const Reporter& reporter)
    : myreporter(reporter),
      cachepath(cachePath),
      languagestring(language),
      guessatunmatchedshowname(guessAtShowName) {}

void BCLookUpShow::report(const QString& message, quint32 level) const {
  if (myreporter) myreporter->report(message, level);
}

void BCLookUpShow::post(const char* name, const QVariantMap& userInfo) const {
  NotificationCenter::defaultCenter().post(QString::fromLatin1(name), this, userInfo);
}

void BCLookUpShow::postAnswer(const char* name, bool answered, const QString& source,
                              const QString& query) const {
  const DownloadOutcomes outcomes = takeDownloadOutcomes();
  const std::optional<DownloadOutcome> outcome =
      answered || !outcomes.firstFailure ? outcomes.first : outcomes.firstFailure;
  const QDateTime now = QDateTime::currentDateTime();
  const QString time = now.toString(QStringLiteral("HH:mm:ss"));
  const QString service = outcome && !outcome->service.isEmpty() ? outcome->service : source;
  const QString reason = answered                                 ? QString()
                         : outcome && !outcome->failure.isEmpty() ? outcome->failure
                                                                  : QStringLiteral("gave no answer");
  QString text = !answered ? QStringLiteral("%1 did not answer at %2: %3").arg(service, time, reason)
                 : outcome ? QStringLiteral("%1 answered at %2").arg(service, time)
                           : QStringLiteral("%1 answered from the cache at %2").arg(service, time);
  if (answered && !query.isEmpty()) text += QStringLiteral(": no match for '%1'").arg(query);
  post(name, {{QStringLiteral("text"), text},
              {QStringLiteral("service"), service},
              {QStringLiteral("answered"), answered},
              {QStringLiteral("reason"), reason},
              {QStringLiteral("time"), now}});
}

QString BCLookUpShow::serviceLanguage() const {
  const Defaults& defaults = Defaults::standard();
  QString language = languagestring;
  const QString chosen = defaults.get(setting::LanguageForShowInformation);
  if (chosen != QLatin1String(kAutomaticLanguage))
    if (const auto record = LanguageRecord::LanguageWithString(chosen);
        record && !record->twochar().isEmpty())
      language = record->twochar();
  if (defaults.get(setting::ForceEnglishLookup)) language = QString::fromLatin1(kEnglish);
  return language;
}

BCError BCLookUpShow::LookUpShowData(MediaFile& item) {
  const Defaults& defaults = Defaults::standard();
  const MediaType type = item.mediatype();
  if ((type == MediaType::TVShow && defaults.get(setting::TVSource) == kPlugIn) ||
      (type == MediaType::Movie && defaults.get(setting::MovieSource) == kPlugIn))
    return usePlugin(item);
  return LookUpShowData(item, true);
}

BCError BCLookUpShow::LookUpShowData(MediaFile& item, bool alternates) {
  const QString language = serviceLanguage();
  report(QStringLiteral("Look Up Show Called"), 4);
  item.setSoliddetection(false);
  for (std::size_t i = 0; i < std::size(kUnescapedNames); ++i) {
    // Through a reference: GCC's bounds check misreads an index inside a member-pointer call.
    const TextField& field = kUnescapedNames[i];
    namesAtStart_[i] = (item.*field.get)();
  }

  const QString series = item.seriesname();
  if (series.isEmpty() || series == QLatin1String(kUnknownName)) {
    report(QStringLiteral("[RED]LookUpShow called with Unknown or <empty> as show name. Exiting."), 3);
    item.determineReasonForDeselection();
    return BCError::Code(LookUpCode::NoShowName, kNoShowName);
  }
  showBusySheet(QStringLiteral("Looking up information for file \n") + item.filename());

  switch (item.mediatype()) {
    case MediaType::TVShow:
      return lookUpTVShow(item, alternates, language);
    case MediaType::Movie:
      return lookUpMovie(item, alternates, language);
    default:
      return endSteps(item);
  }
}

bool BCLookUpShow::searchTVShow(MediaFile& item, const QString& language) {
  report(QStringLiteral("Looking up TV Show %1").arg(item.seriesname()), 3);
  const bool tagChimp = Defaults::standard().get(setting::TVSource) != kTheTVDBOrTheMovieDB;
  const QString source = tagChimp ? QStringLiteral("tagChimp") : QStringLiteral("TheTVDB");
  (void)takeDownloadOutcomes();
  const BCError answer = tagChimp ? TagChimpSearchSuggestions(item, language, cachepath, true, myreporter)
                                  : TVDBLookUpShow(item, cachepath, myreporter);
  if (unreachable(answer)) {
    item.setDidlookup(true);
    postAnswer(kTVOffline, false, source);
    return false;
  }
  postAnswer(kTVOnline, true, source,
             item.AlternativeSuggestions().isEmpty() ? item.seriesname() : QString());
  return true;
}

std::optional<VideoAlternate> BCLookUpShow::selectedAlternate(const MediaFile& item) const {
  const QList<VideoAlternate> candidates = item.AlternativeSuggestions();
  const int index = item.selectedAlernativeSuggestion();
  if (candidates.isEmpty()) {
    report(QStringLiteral("[RED]Lookup:Alternate Shows missing!"), 3);
    return std::nullopt;
  }
  if (index < 0 || index >= candidates.size()) {
    report(QStringLiteral("[RED]Lookup:Alternate Shows count outside of alternate array bounds!"), 3);
    return std::nullopt;
  }
  return candidates[index];
}

BCError BCLookUpShow::lookUpTVShow(MediaFile& item, bool alternates, const QString& language) {
  const bool eyeTV = item.type() == QLatin1String(kSourceTypeEyeTV);
  const bool tagChimp = Defaults::standard().get(setting::TVSource) != kTheTVDBOrTheMovieDB;
  auto noCandidate = [&] { return item.AlternativeSuggestions().isEmpty() && item.forceid() == 0; };

  if (alternates) {
    if (eyeTV) report(QStringLiteral("Show is Eye TV format"), 4);
    if (!searchTVShow(item, language)) return BCError::Code(LookUpCode::Offline, kTVOfflineText);
    if (noCandidate()) {
      const QString better = RunInvisibleShowPicker(item);
      if (better != QLatin1String(kNothingFound) && guessatunmatchedshowname) {
        item.setSeriesname(better);
        if (!searchTVShow(item, language)) return BCError::Code(LookUpCode::Offline, kTVOfflineText);
      }
      // Found nothing under either name: the item says why it is not selected.
      if (noCandidate()) {
        report(QStringLiteral("[RED]Lookup for show id returned zero, deselecting"), 3);
        item.determineReasonForDeselection();
        hideBusySheet();
        return BCError::Code(LookUpCode::NoCandidate, kNoCandidate);
      }
    }
    report(QStringLiteral("Show is a File or DVD Track"), 4);
  }

  // Of the record fetches only TheTVDB's answer counts: an unreachable service leaves
  // the episode unknown. tagChimp's leaves the item as it was.
  BCError episodes;
  if (const qint32 forced = item.forceid(); forced != 0) {
    report(QStringLiteral("[GREEN]Forcing show ID to %1").arg(forced), 3);
    if (eyeTV)
      episodes = TVDBGetEpisodeByName(forced, item, language, cachepath, myreporter);
    else if (tagChimp)
      (void)TagChimpLookupShowData(item, forced, language, cachepath, myreporter);
    else
      episodes = TVDBGetEpisode(forced, item, language, cachepath, myreporter);
  } else if (eyeTV && (item.season() == 0 || item.show() == 0)) {
    if (const auto chosen = selectedAlternate(item))
      episodes = TVDBGetEpisodeByName(chosen->ID(), item, language, cachepath, myreporter);
  } else if (tagChimp) {
    if (item.selectedAlernativeSuggestion() == -1) item.setSelectedAlernativeSuggestion(0);
    if (const auto chosen = selectedAlternate(item)) {
      item.setSeriesname(chosen->Name());
      (void)TagChimpLookupShowData(item, chosen->ID(), language, cachepath, myreporter);
    }
  } else if (const auto chosen = selectedAlternate(item)) {
    episodes = TVDBGetEpisode(chosen->ID(), item, language, cachepath, myreporter);
  }

  if (unreachable(episodes)) {
    item.setEpisodename(kUnknownName);
  } else if (item.episodename() == QLatin1String(kTVDBNoNameFound)) {
    item.setEpisodename(kUnknownName);
    report(QStringLiteral("Empty show name returned"), 3);
  }
  return endSteps(item);
}

BCError BCLookUpShow::lookUpMovie(MediaFile& item, bool alternates, const QString& language) {
  report(QStringLiteral("Looking up Movie %1").arg(item.seriesname()), 3);
  const int source = Defaults::standard().get(setting::MovieSource);
  const bool knownSource = source == kTheTVDBOrTheMovieDB || source == kTagChimp;
  const QString sourceName = source == kTagChimp ? QStringLiteral("tagChimp") : QStringLiteral("TheMovieDB");
  auto offline = [&] {
    item.setDidlookup(true);
    postAnswer(kMovieOffline, false, sourceName);
    return BCError::Code(LookUpCode::Offline, kMovieOfflineText);
  };

  if (alternates) {
    (void)takeDownloadOutcomes();
    const BCError answer = source == kTagChimp
                               ? TagChimpSearchSuggestions(item, language, cachepath, false, myreporter)
                               : LookUpMovieDBAlternates(item, language, cachepath, myreporter);
    if (knownSource) {
      if (unreachable(answer)) return offline();
      postAnswer(kMovieOnline, true, sourceName,
                 item.AlternativeSuggestions().isEmpty() ? item.seriesname() : QString());
      if (guessatunmatchedshowname && item.selectedAlernativeSuggestion() == -1 &&
          !item.AlternativeSuggestions().isEmpty())
        item.setSelectedAlernativeSuggestion(0);
    }
  }

  const qint32 forced = item.forceid();
  if (item.AlternativeSuggestions().isEmpty() && forced == 0) {
    report(QStringLiteral("[RED]SHOW DOES NOT HAVE ANY SUGGESTIONS"), 3);
    return endSteps(item);
  }
  if (forced != 0) {
    report(QStringLiteral("[GREEN]Forcing show ID to %1").arg(forced), 3);
    reportIfFailed(myreporter,
                   source == kTagChimp ? TagChimpLookupShowData(item, forced, language, cachepath, myreporter)
                                       : LookUpMovieDBInfo(item, forced, language, cachepath, myreporter),
                   QStringLiteral("Looking up movie %1").arg(forced));
    return endSteps(item);
  }
  const auto chosen = selectedAlternate(item);
  if (!chosen) return endSteps(item);
  if (knownSource) {
    item.setSeriesname(chosen->Name());
    (void)takeDownloadOutcomes();
    const BCError answer = source == kTagChimp
                               ? TagChimpLookupShowData(item, chosen->ID(), language, cachepath, myreporter)
                               : LookUpMovieDBInfo(item, chosen->ID(), language, cachepath, myreporter);
    if (unreachable(answer)) return offline();
    postAnswer(kMovieOnline, true, sourceName);
  } else {
    reportIfFailed(myreporter, LookUpMovieDBInfo(item, chosen->ID(), language, cachepath, myreporter),
                   QStringLiteral("Looking up movie %1").arg(chosen->ID()));
  }
  return endSteps(item);
}

BCError BCLookUpShow::endSteps(MediaFile& item) {
  hideBusySheet();
  item.determineReasonForDeselection();
  if (item.reasonfordeselection() == DeselectionReason::None) item.setSoliddetection(true);
  FixGenre(item);
  for (std::size_t i = 0; i < std::size(kUnescapedNames); ++i) {
    const TextField& field = kUnescapedNames[i];
    const QString name = (item.*field.get)();
    if (name == namesAtStart_[i]) (item.*field.set)(UnescapeHTML(name));
  }
  for (const TextField& field : kUnescapedTexts) (item.*field.set)(UnescapeHTML((item.*field.get)()));
  item.setDidlookup(true);
  return BCError::NoError();
}

void BCLookUpShow::FixGenre(MediaFile& item) { item.setGenre(ITunesGenre(item.genre())); }

BCError BCLookUpShow::usePlugin(MediaFile& item) {
  report(QStringLiteral("[BLUE]Using plugin for show lookup"), 4);
  const bool tv = item.mediatype() == MediaType::TVShow;
  const bool movie = item.mediatype() == MediaType::Movie;
  const QString name = Defaults::standard().get(tv ? setting::TVShowPlugIn : setting::MoviePlugIn);
  const QString program = metadataPluginPath(name);
  // No name chosen is no plug-in, not the hidden file ".mdplugin".
  const PluginRun run =
      name.isEmpty() ? PluginRun{}
                     : runMetadataPlugin(program, metadataPluginArguments(item), cachepath, pluginTimeLimit_);
  auto noResult = [&] {
    report(QStringLiteral("[RED]Plug In failed to return a result"), 3);
    return BCError::Code(LookUpCode::NoPluginResult, kNoPluginResult);
  };
  if (!run.started) report(QStringLiteral("[RED]Unable to start plug in %1").arg(program), 3);
  if (run.timedOut) {
    report(QStringLiteral("[RED]Plug In %1 did not end within %2 seconds and was stopped")
               .arg(program, QString::number(pluginTimeLimit_)),
           3);
    return noResult();
  }

  const std::optional<QString> answer = run.output;
  if (const auto flash = XMLElementText(answer, kPluginFlashTag)) {
    const QString colour = flash->trimmed();
    if (colour.compare(QLatin1String("red"), Qt::CaseInsensitive) == 0)
      post(movie ? kMovieOffline : kTVOffline);
    else if (colour.compare(QLatin1String("green"), Qt::CaseInsensitive) == 0)
      post(movie ? kMovieOnline : kTVOnline);
  }
  const auto result = XMLElementText(answer, kPluginResultTag);
  if (!result) return noResult();

  // The item's selection follows its reason, as after every other look-up.
  if (!result->contains(QLatin1String("yes"), Qt::CaseInsensitive)) {
    item.setSoliddetection(false);
    item.setReasonfordeselection(DeselectionReason::NoLookUpMatch);
    item.setSelected(false);
    return BCError::NoError();
  }
  for (const PluginField& field : kPluginFields)
    (item.*field.set)(XMLElementText(answer, field.tag).value_or(QString()));
  if (const auto image = XMLElementText(answer, kPluginImageTag)) {
    // A relative path is the plug-in's own: it ran in the cache folder.
    const Artwork artwork = Artwork::fromFile(QDir(cachepath).absoluteFilePath(*image));
    if (!artwork.isNull()) item.setArtwork(artwork);
  }
  FixGenre(item);
  item.setSoliddetection(true);
  // A source without a picture stays out of the conversion, however well it is named.
  if (item.reasonfordeselection() == DeselectionReason::NoVideo) return BCError::NoError();
  item.setReasonfordeselection(DeselectionReason::None);
  item.setSelected(true);
  return BCError::NoError();
}

QString BCLookUpShow::RunInvisibleShowPicker(const MediaFile& item) {
  const QString series = item.seriesname();
  report(QStringLiteral("Preparing to run invisible show picker for %1").arg(series), 3);
  QStringList names;
  if (CreateShowPickerList(series, names) == 1 || names.isEmpty()) return QString::fromLatin1(kNothingFound);
  return names.first();
}

int BCLookUpShow::CreateShowPickerList(const QString& seriesName, QStringList& names) {
  const std::optional<QStringList> found = TVRageShowNames(seriesName, cachepath, myreporter);
  if (!found) return 1;
  names = *found;
  return 0;
}

bool BCLookUpShow::hasPanelHere() const { return panel_ && onGuiThread(); }

int BCLookUpShow::CreateEpisodePickerList(const QString& seriesName, const QString& episodeName) {
  pickerSeriesName_ = seriesName;
  pickerEpisodeName_ = episodeName;
  const std::optional<QList<TVRageEpisode>> episodes = TVRageEpisodeList(seriesName, cachepath, myreporter);
  if (!episodes) return 1;
  const bool everyEpisode = !hasPanelHere() || panel_->selectedMatrixColumn() == 0;
  pickerRows_.clear();
  for (const TVRageEpisode& episode : *episodes) {
    const EpisodeItem row{seriesName, episode.title, episode.season, episode.number,
                          EpisodeMatch(episodeName, episode.title)};
    if (everyEpisode || row.Match > 0) pickerRows_.append(row);
  }
  if (hasPanelHere()) panel_->reloadData();
  return 0;
}

void BCLookUpShow::RunEpisodePicker(const MediaFilePtr& item) {
  pickerrunning_ = true;
  pickerShow_ = item;
  if (!item || !hasPanelHere()) {
    // Nobody can choose here (a probe thread, or no window): the answer of Cancel.
    report(QStringLiteral("Episode picker has no window on this thread; nothing chosen"), 4);
    pickerShow_ = nullptr;
    pickerrunning_ = false;
    return;
  }
  panel_->selectMatrixCell(0, 0);
  if (CreateEpisodePickerList(item->seriesname(), item->episodename()) == 1) {
    pickerShow_ = nullptr;
    pickerrunning_ = false;
    return;
  }
  if (pickerRows_.isEmpty()) {
    panel_->showAlert(QString::fromLatin1(kNoSeriesAlert).arg(item->seriesname()), MainWindow_);
    pickerShow_ = nullptr;
    pickerrunning_ = false;
    return;
  }
  panel_->runModal(QString::fromLatin1(kEpisodePrompt).arg(item->filename()), MainWindow_);
  // Closed some other way than by its buttons: nothing was chosen.
  if (pickerrunning_) EpisodePickerCancelButtonPressed();
}

void BCLookUpShow::EpisodePickerMatrixPress() {
  report(QStringLiteral("Changing Episode Picker Radio Button"), 4);
  CreateEpisodePickerList(pickerSeriesName_, pickerEpisodeName_);
}

void BCLookUpShow::EpisodePickerOKButtonPressed() {
  if (!pickerrunning_) return;
  const int row = panel_ ? panel_->selectedRow() : -1;
  if (!pickerShow_ || row < 0 || row >= pickerRows_.size()) {
    // OK without a chosen row chooses nothing.
    EpisodePickerCancelButtonPressed();
    return;
  }
  const EpisodeItem& chosen = pickerRows_[row];
  // An episode listed before any season element has season -1: no season.
  pickerShow_->setShow(static_cast<quint32>(std::max(0, chosen.EpisodeNumber)));
  pickerShow_->setSeason(static_cast<quint32>(std::max(0, chosen.SeasonNumber)));
  pickerShow_->setEpisodename(chosen.EpisodeName);
  if (pickerShow_->reasonfordeselection() != DeselectionReason::NoVideo) {
    pickerShow_->setReasonfordeselection(DeselectionReason::None);
    pickerShow_->setSelected(true);
  }
  // Off before the window closes: closing may report back as a cancel.
  pickerrunning_ = false;
  if (panel_) panel_->stopModal(MainWindow_);
}

void BCLookUpShow::EpisodePickerCancelButtonPressed() {
  if (!pickerrunning_) return;
  pickerrunning_ = false;
  pickerShow_ = nullptr;
  if (panel_) panel_->stopModal(MainWindow_);
}

int BCLookUpShow::numberOfRowsInTableView(PickerTable table) const {
  return table == PickerTable::EpisodePicker ? static_cast<int>(pickerRows_.size()) : 0;
}

QVariant BCLookUpShow::objectValueForTableColumn(PickerTable table, const QString& identifier,
                                                 int row) const {
  const QVariant noData(QString::fromLatin1(kNoData));
  if (table != PickerTable::EpisodePicker) return noData;
  if (!pickerrunning_) return QVariant();
  if (row < 0 || row >= pickerRows_.size()) return noData;
  for (const EpisodeColumn& column : kEpisodeColumns)
    if (identifier == QLatin1String(column.identifier)) return column.value(pickerRows_[row]);
  return noData;
}

}  // namespace zuvo
