#include "helper264/Movie.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <filesystem>

namespace zuvo::helper264 {
namespace {

constexpr int kProbeMs = 60000;

QString mediaType(const QString& codecType) {
  if (codecType == u"video") return QStringLiteral("vide");
  if (codecType == u"audio") return QStringLiteral("soun");
  if (codecType == u"subtitle") return QStringLiteral("sbtl");
  return QStringLiteral("meta");
}

// Runs `program` to its end; its standard output, or nullopt with `error` set.
std::optional<QByteArray> run(const QString& program, const QStringList& arguments, int timeoutMs,
                              QString& error) {
  const QString path = QStandardPaths::findExecutable(program);
  if (path.isEmpty()) {
    error = QStringLiteral("%1 is not installed").arg(program);
    return std::nullopt;
  }
  QProcess process;
  process.start(path, arguments);
  if (!process.waitForStarted() || !process.waitForFinished(timeoutMs) ||
      process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
    process.kill();
    process.waitForFinished();
    const QString said = QString::fromUtf8(process.readAllStandardError()).trimmed();
    error = said.isEmpty() ? QStringLiteral("%1 failed").arg(program) : said.section(u'\n', -1);
    return std::nullopt;
  }
  return process.readAllStandardOutput();
}

}  // namespace

Movie Movie::open(const QString& path, QString& error) {
  Movie movie;
  error.clear();
  const QFileInfo file(path);
  if (path.isEmpty() || !file.isFile()) {
    error = QString::fromLatin1(kInvalidDataReference);
    return movie;
  }
  movie.path_ = file.absoluteFilePath();
  QString failure;
  const auto output =
      run(QStringLiteral("ffprobe"), {"-v", "error", "-show_streams", "-of", "json", "file:" + movie.path_},
          kProbeMs, failure);
  const QJsonArray streams =
      output ? QJsonDocument::fromJson(*output).object()["streams"].toArray() : QJsonArray();
  if (streams.isEmpty()) {
    error = QStandardPaths::findExecutable(QStringLiteral("ffprobe")).isEmpty()
                ? failure
                : QStringLiteral("The file is not a movie file.");
    return movie;
  }
  for (const QJsonValue& stream : streams)
    movie.types_ << mediaType(stream.toObject()["codec_type"].toString());
  return movie;
}

void Movie::removeTrack(int index) {
  if (index >= 0 && index < types_.size() && !removed_.contains(index)) removed_ << index;
}

QString Movie::updateMovieFile() {
  if (removed_.isEmpty()) return {};
  QStringList arguments{"-nostdin", "-v", "error", "-y", "-i", "file:" + path_};
  for (int i = 0; i < types_.size(); ++i)
    if (!removed_.contains(i)) arguments << "-map" << QStringLiteral("0:%1").arg(i);
  // Written beside the movie and moved over it only when whole.
  const QString edited = path_ + QStringLiteral(".edit");
  arguments << "-c"
            << "copy"
            << "-map_metadata"
            << "0"
            << "-f"
            << "mp4"
            << "file:" + edited;
  QString error;
  const bool written = run(QStringLiteral("ffmpeg"), arguments, -1, error).has_value();
  std::error_code replaced;
  if (written) std::filesystem::rename(edited.toStdString(), path_.toStdString(), replaced);
  if (written && !replaced) return {};
  QFile::remove(edited);
  return error.isEmpty() ? QStringLiteral("The movie file could not be replaced.") : error;
}

}  // namespace zuvo::helper264
