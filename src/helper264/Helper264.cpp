#include "helper264/Helper264.h"

#include <QFileInfo>
#include <optional>

#include "helper264/ExportProgress.h"
#include "helper264/HelperLog.h"
#include "helper264/HelperOptions.h"
#include "helper264/Movie.h"
#include "helper264/PresetFix.h"

namespace zuvo::helper264 {
namespace {

constexpr int kLowestQuietVersion = 12;
constexpr int kErrorTextSize = 1024;

struct Preset {
  QString displayName;
  std::optional<int64_t> internalID;
};

QList<Preset> exportPresets(const ZuvoTurbo264& framework) {
  QList<Preset> presets;
  const int count = framework.presetCount();
  for (int i = 0; i < count; ++i) {
    Preset preset;
    if (framework.presetDisplayName) preset.displayName = QString::fromUtf8(framework.presetDisplayName(i));
    int64_t id = 0;
    if (framework.presetInternalID && framework.presetInternalID(i, &id)) preset.internalID = id;
    presets << preset;
  }
  return presets;
}

void reportInfo(const ZuvoTurbo264& framework) {
  logLine(QStringLiteral("Info:"));
  logLine(QStringLiteral("%1 %2")
              .arg(QStringLiteral("Turbo 264 Framework Is Available on version"))
              .arg(framework.version()));
  logLine(framework.isAvailable() == 1 ? QStringLiteral("Turbo.264 Device is Available")
                                       : QStringLiteral("Turbo.264 Device is Not Available"));
  if (!framework.isHDDeviceAvailable)
    logLine(QStringLiteral("Does not respond to selector isHDDeviceAvailable"));
  else
    logLine(framework.isHDDeviceAvailable() ? QStringLiteral("Turbo.264 HD Device is Available")
                                            : QStringLiteral("Turbo.264 HD Device is Not Available"));
}

// Lists the tracks and removes the video's companions: the first audio track unless kept,
// every later track always.
void listAndTrimTracks(Movie& movie, bool keepAudio) {
  const QStringList tracks = movie.trackTypes();
  for (const char* heading : {"Start Tracks", "Then Tracks"}) {
    logLine(QString::fromLatin1(heading));
    for (int i = 0; i < tracks.size(); ++i) {
      logLine(QStringLiteral("Track %1 : %2").arg(i).arg(tracks[i]));
      if ((i == 1 && !keepAudio) || i > 1) movie.removeTrack(i);
    }
  }
}

int reportProgress(void* context, double fraction) {
  if (const auto line = static_cast<ExportProgress*>(context)->take(fraction)) logLine(*line);
  return 1;
}

void exportMovie(const ZuvoTurbo264& framework, const QList<Preset>& presets, const HelperOptions& options,
                 const QString& helperVersion) {
  logLine(QStringLiteral("Version Number : %1").arg(helperVersion));
  const int presetIndex = options.integer(QStringLiteral("preset"));
  const QString input = options.string(QStringLiteral("input")).value_or(QString());
  const QString output = options.string(QStringLiteral("output")).value_or(QString());
  const auto shown = [&](const char* key) {
    return options.string(QString::fromLatin1(key)).value_or(QStringLiteral("(null)"));
  };
  logLine(QStringLiteral("preset arg   = %1").arg(presetIndex));
  logLine(QStringLiteral("input arg   = %1").arg(shown("input")));
  logLine(QStringLiteral("output arg   = %1").arg(shown("output")));
  logLine(QStringLiteral("keepaudio arg   = %1").arg(shown("keepaudio")));
  const bool keepAudio = options.boolean(QStringLiteral("keepaudio"));
  if (presetIndex < 0 || presetIndex >= presets.size()) {
    logLine(QStringLiteral("Error: preset %1 is not one of the framework's %2 export presets")
                .arg(presetIndex)
                .arg(presets.size()));
    return;
  }
  const Preset& preset = presets[presetIndex];
  logLine(QStringLiteral("Preset Selected : %1").arg(preset.displayName));
  if (output.isEmpty()) {
    logLine(QStringLiteral("Error: no output file given"));
    return;
  }

  QString error;
  Movie movie = Movie::open(input, error);
  if (!error.isEmpty()) {
    logLine(QStringLiteral("Error opening movie : %1").arg(error));
    if (error.contains(QLatin1String("The movie contains an invalid data reference")))
      logLine(QStringLiteral("Probable cause : %1").arg(QStringLiteral("Input File Not Found")));
    return;
  }
  listAndTrimTracks(movie, keepAudio);
  if (const QString failure = movie.updateMovieFile(); !failure.isEmpty()) {
    logLine(QStringLiteral("Error saving movie : %1").arg(failure));
    return;
  }

  const int version = framework.version();
  const bool answersHD = framework.isHDDeviceAvailable != nullptr;
  logLine(QStringLiteral("Framework Version = %1 isHD = %2").arg(version).arg(answersHD ? "YES" : "NO"));
  const std::optional<int64_t> internalID = fixedInternalID(preset.internalID, version, answersHD);

  ExportProgress progress;
  char message[kErrorTextSize] = {};
  const QByteArray in = QFileInfo(input).absoluteFilePath().toUtf8();
  const QByteArray out = output.toUtf8();
  const bool written =
      framework.exportMovie &&
      framework.exportMovie(in.constData(), out.constData(), presetIndex, internalID.has_value(),
                            internalID.value_or(0), reportProgress, &progress, message, kErrorTextSize - 1);
  if (!written) {
    const QString description = QString::fromUtf8(message).trimmed();
    logLine(QStringLiteral("Error during export: %1")
                .arg(description.isEmpty() ? QStringLiteral("The export failed.") : description));
    return;
  }
  // A framework that says it succeeded must have left the file.
  if (!QFileInfo(output).isFile()) {
    logLine(QStringLiteral("Error during export: %1 was not written").arg(output));
    return;
  }
  logLine(QStringLiteral("Encode Complete"));
}

}  // namespace

void runHelper(const ZuvoTurbo264* framework, const QStringList& arguments, const QString& helperVersion) {
  if (!framework) {
    logLine(QStringLiteral("No Turbo.264 Framework Installed"));
    return;
  }
  const int version = framework->version();
  logLine(QStringLiteral("Framework Version :%1<<<").arg(version));
  if (version < kLowestQuietVersion)
    logLine(QStringLiteral("Turbo.264 Framework Version %1 installed. Zuvo requires Turbo.264 Framework "
                           "version 12 or higher.")
                .arg(version));
  if (!framework->presetCount) {
    logLine(QStringLiteral("%1").arg(QStringLiteral("Turbo Framework does not respond to exportPresets")));
    return;
  }
  const QList<Preset> presets = exportPresets(*framework);
  const HelperOptions options(arguments);
  if (options.integer(QStringLiteral("info")) != 0) {
    reportInfo(*framework);
    return;
  }
  exportMovie(*framework, presets, options, helperVersion);
}

}  // namespace zuvo::helper264
