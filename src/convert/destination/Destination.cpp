// Placing a pass's finished output: into the media library, onto the Desktop, beside the
// original, or into a folder of the user's (with series and season folders for TV shows),
// never over a file that is already there.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <variant>

#include "convert/converter/ConversionTail.h"
#include "convert/converter/OutputName.h"
#include "convert/converter/SamplePlayer.h"
#include "convert/destination/ImportVideo.h"
#include "convert/passes/VideoPasses.h"
#include "convert/report/ConversionCodes.h"
#include "convert/report/ConversionLog.h"
#include "convert/runners/ToolRun.h"
#include "media/MediaValues.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"
#include "platform/FileMove.h"
#include "platform/Paths.h"
#include "platform/PlacedOutputs.h"

namespace zuvo {
namespace {

constexpr int kMostClashes = 99;
constexpr const char* kUnknownSeries = "Unknown Series";

struct DestinationSettings {
  QString destination;
  bool import = false;
  bool deleteAfterImport = false;
  bool runScript = false;
};

DestinationSettings settingsFor(MediaType mediatype) {
  const Defaults& defaults = Defaults::standard();
  struct Keys {
    SettingKey<QString> destination;
    SettingKey<bool> import;
    SettingKey<bool> deleteAfterImport;
  };
  const Keys keys[3] = {
      {setting::TVShowDestination, setting::ImportTVShowFileIntoiTunes, setting::DeleteTVShowFileAfterImport},
      {setting::MovieDestination, setting::ImportMovieFileIntoiTunes, setting::DeleteMovieFileAfterImport},
      {setting::HomeMovieDestination, setting::ImportHomeMovieFileIntoiTunes,
       setting::DeleteHomeMovieFileAfterImport},
  };
  const auto& row = keys[codeOf(mediatype <= MediaType::HomeMovie ? mediatype : MediaType::Movie)];
  DestinationSettings settings{defaults.get(row.destination), defaults.get(row.import),
                               defaults.get(row.deleteAfterImport), false};
  if (settings.destination == QLatin1String("Use Default"))
    settings = {defaults.get(setting::ShowDestination), defaults.get(setting::ImportFileIntoiTunes),
                defaults.get(setting::DeleteFileAfterImport),
                defaults.get(setting::RunPostConversionAppleScript)};
  return settings;
}

// `path`, then "<path without extension>-N.<extension>" for N from 1 to 99.
QString candidateName(const QString& path, int clash) {
  if (clash == 0) return path;
  const QFileInfo info(path);
  return info.path() + u'/' + info.completeBaseName() + u'-' + QString::number(clash) + u'.' + info.suffix();
}

// Moves to the first free name without ever replacing a file, nor leaving a partial copy
// under it (a full disk across file systems); nothing when every name is taken or the
// move failed, and the output is then still where it was.
std::optional<QString> moveToFreeName(const QString& output, const QString& wanted, QString* error) {
  for (int clash = 0; clash <= kMostClashes; ++clash) {
    const QString target = candidateName(wanted, clash);
    if (QFileInfo::exists(target)) continue;
    // Ours from the moment it appears: the destination may be a watched folder.
    placedoutputs::expect(target);
    const FileMoveResult move = moveFileNoReplace(output, target);
    if (move.done) return target;
    placedoutputs::forget(target);
    // Taken between the look and the move: the next name.
    if (move.nameTaken) continue;
    *error = move.error;
    return std::nullopt;
  }
  *error = QStringLiteral("every name is taken");
  return std::nullopt;
}

// A series name from downloaded text as one folder name: no "/" to nest, never "." or "..".
QString seriesFolderName(const QString& series) {
  QString name = series;
  name.replace(u'/', u'-');
  name = SafeFileBaseName(name.trimmed(), QString::fromLatin1(kUnknownSeries));
  return name;
}

// Makes `path` when missing; logs what it found. False when a file holds the name.
void makeFolder(const QString& path, const ConversionState& conversion, const QString& what) {
  const Reporter& log = conversion.myreporter;
  const QFileInfo info(path);
  if (!info.exists()) {
    conversion.reportBoth(QStringLiteral("[BLUE]Creating %1 Directory %2").arg(what, path),
                          QStringLiteral("Creating %1 Directory %2").arg(what, path), 4);
    QDir().mkpath(path);
  } else if (info.isDir()) {
    reportTo(log, QStringLiteral("[BLUE]%1 path directory already exists").arg(what), 4);
  } else {
    reportTo(
        log,
        QStringLiteral("[RED]Unable to create %1 path as file with same name exists").arg(what.toLower()), 4);
  }
}

class Placer {
 public:
  Placer(BCConverter& converter, int passindex, const QString& output)
      : c_(converter),
        media_(*converter.convideodata),
        output_(output),
        settings_(settingsFor(media_.mediatype())) {
    // Both files of a pair go to one place: the HD one says so in its name.
    hdOfPair_ = passindex == 0 && media_.ConversionFormat() == ConversionFormat::HDAndSD;
  }

  std::optional<BCError> place() {
    const bool sample = media_.isSample();
    const QString& destination = settings_.destination;
    if (destination == QLatin1String("iTunes") && !sample) return toLibrary();
    if (destination == QLatin1String("Desktop") || sample) return toDesktop();
    if (destination == QLatin1String("Original Folder")) return toOriginalFolder();
    return toUserFolder();
  }

 private:
  QString fileName() const {
    return c_.outboundname + (hdOfPair_ ? QStringLiteral(" HD") : QString()) + c_.videotype;
  }

  QString keptAt() const { return QStringLiteral(", it is kept at %1").arg(output_); }

  BCError fail(const QString& description, const QStringList& lines) {
    QStringList all = lines;
    all << QStringLiteral("[RED] Canceling conversion.");
    return failConversion(c_, BCError::Code(ConversionCode::PlacingFile, description), all);
  }

  // The library takes the work folder's file itself (a rename on one file system); a failed
  // import leaves it in the work folder.
  std::optional<BCError> toLibrary() {
    reportTo(c_.report.userLog, QStringLiteral("Importing file into iTunes"), 3);
    if (!importVideoIntoiTunes(c_.conversiondirectory, media_, c_.outboundname, c_.videotype, c_.myreporter,
                               ImportMode::Move)) {
      c_.keptoutput = output_;
      return fail(QStringLiteral("Unable to import converted file into iTunes") + keptAt(),
                  {QStringLiteral("[RED]Unable to import converted file into iTunes")});
    }
    reportTo(c_.myreporter, QStringLiteral("Deleting Apple TV Version of File."), 3);
    QFile::remove(output_);
    return std::nullopt;
  }

  // Moves the output to `wanted` or the first free name beside it, and gives it the original's
  // time; the failure exit otherwise.
  std::variant<QString, BCError> moveTo(const QString& wanted, const QString& failure,
                                        const QString& failureLine, const QString& successLine) {
    QString error;
    const std::optional<QString> moved = moveToFreeName(output_, wanted, &error);
    // The finished file stays in the work folder, where nothing else points to it: the
    // failure says where it is, and the failure clean-up leaves it there.
    if (!moved) {
      c_.keptoutput = output_;
      return fail(failure + keptAt(),
                  {failureLine, QStringLiteral("[RED]Converted file kept at %1: %2").arg(output_, error)});
    }
    reportTo(c_.myreporter, successLine, 3);
    c_.RestoreOriginalModifyTimeForOutputFilePath(*moved);
    c_.placedoutputs.append({*moved, QFileInfo(*moved).size()});
    placedoutputs::remember(*moved);
    return *moved;
  }

  std::optional<BCError> toDesktop() {
    const QString desktop = paths::desktopFolder();
    const QString wanted = desktop + u'/' + fileName();
    c_.reportBoth(QStringLiteral("Putting file %1 on desktop").arg(wanted), 3);
    QDir().mkpath(desktop);
    const auto moved = moveTo(wanted, QStringLiteral("Unable to move converted HD file to Desktop"),
                              QStringLiteral("[RED]Unable to move converted HD file to Desktop"),
                              QStringLiteral("[BLUE]File moved to Desktop"));
    if (const BCError* error = std::get_if<BCError>(&moved)) return *error;
    const QString& placed = std::get<QString>(moved);
    if (media_.isSample() && !playSample(placed))
      reportTo(c_.myreporter, QStringLiteral("[RED]Unable to start a player for %1").arg(placed), 3);
    return std::nullopt;
  }

  std::optional<BCError> toOriginalFolder() {
    const QString folder = QFileInfo(media_.fullpath()).path();
    const QString wanted = folder + u'/' + fileName();
    c_.reportBoth(QStringLiteral("Putting file %1 in original folder of %2").arg(wanted, folder), 3);
    const auto moved = moveTo(wanted, QStringLiteral("Unable to move converted file to Original Folder"),
                              QStringLiteral("[RED]Unable to move file to original folder"),
                              QStringLiteral("File moved to Original Folder"));
    if (const BCError* error = std::get_if<BCError>(&moved)) return *error;
    return std::nullopt;
  }

  std::optional<BCError> toUserFolder() {
    QString folder = settings_.destination;
    c_.reportBoth(QStringLiteral("Putting file %1 into user defined folder of %2").arg(fileName(), folder),
                  3);
    if (media_.mediatype() == MediaType::TVShow &&
        Defaults::standard().get(setting::CreateTVShowShowSeasonFolder)) {
      const QString series = folder + u'/' + seriesFolderName(media_.seriesname());
      makeFolder(series, c_, QStringLiteral("Series"));
      const QString season = series + QStringLiteral("/Season %1").arg(media_.season());
      makeFolder(season, c_, QStringLiteral("Season"));
      folder = season;
    }
    const QString forced = media_.forcedestinationfolder();
    if (!forced.isEmpty()) {
      folder = forced;
      reportTo(c_.myreporter, QStringLiteral("[BLUE]Output Directory has been forced to %1").arg(forced), 3);
    }
    const auto placed = moveTo(folder + u'/' + fileName(),
                               QStringLiteral("Unable to move file to user defined directory %1").arg(folder),
                               QStringLiteral("[RED]Unable to move file to user defined directory"),
                               QStringLiteral("File moved to user defined directory"));
    if (const BCError* error = std::get_if<BCError>(&placed)) return *error;
    const QString* moved = &std::get<QString>(placed);

    bool imported = false;
    if (settings_.import) {
      c_.reportBoth(QStringLiteral("Importing file into iTunes from a customer location"),
                    QStringLiteral("Importing file into iTunes"), 3);
      const QFileInfo placed(*moved);
      imported = importVideoIntoiTunes(placed.path(), media_, placed.completeBaseName(),
                                       u'.' + placed.suffix(), c_.myreporter);
      // The file stays where it was moved; the user must learn the library lacks it.
      if (!imported)
        return fail(
            QStringLiteral("Unable to import converted file into iTunes, it is kept at %1").arg(*moved),
            {QStringLiteral("[RED]Unable to import converted file into iTunes")});
    }
    if (settings_.runScript) {
      const bool stopped = c_.finalAppleScript(media_, *moved);
      // The script may have changed the file: it is still ours as it is now.
      placedoutputs::remember(*moved);
      // The file is placed and whole; the original stays as it is.
      if (stopped) return stoppedExit(c_, BCError::NoError(), output_);
    }
    // Only the library's copy makes this one redundant.
    if (settings_.deleteAfterImport && imported) {
      c_.reportBoth(QStringLiteral("Deleting Converted File."), 3);
      QFile::remove(*moved);
      placedoutputs::forget(*moved);
    }
    return std::nullopt;
  }

  BCConverter& c_;
  MediaFile& media_;
  QString output_;
  DestinationSettings settings_;
  bool hdOfPair_ = false;
};

}  // namespace

std::optional<BCError> placeOutput(BCConverter& converter, int passindex, const QString& output) {
  return Placer(converter, passindex, output).place();
}

}  // namespace zuvo
