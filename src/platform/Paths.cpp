#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>

namespace zuvo::paths {
namespace {

QMutex rootsLock;
QString shareOverride;
QString libexecOverride;

QString xdgOr(QStandardPaths::StandardLocation location, const QString& fallback) {
  const QString path = QStandardPaths::writableLocation(location);
  return path.isEmpty() ? QDir::homePath() + "/" + fallback : path;
}

// The folder above bin/ of the running program, or of the build tree the tests name.
QString installRoot() {
  const QByteArray buildDir = qgetenv("ZUVO_BUILD_DIR");
  if (!buildDir.isEmpty()) return QString::fromLocal8Bit(buildDir);
  if (QCoreApplication::instance())
    return QDir(QCoreApplication::applicationDirPath() + "/..").absolutePath();
  return QDir("/proc/self/exe").canonicalPath().section('/', 0, -3);
}

QString shareDir() {
  QMutexLocker lock(&rootsLock);
  if (!shareOverride.isEmpty()) return shareOverride;
  return installRoot() + "/share/zuvo";
}

QString libexecDir() {
  QMutexLocker lock(&rootsLock);
  if (!libexecOverride.isEmpty()) return libexecOverride;
  return installRoot() + "/libexec/zuvo";
}

}  // namespace

QString homeFolder() { return QDir::homePath(); }

QString applicationSupportFolder() {
  const QByteArray data = qgetenv("XDG_DATA_HOME");
  const QString base = data.isEmpty() ? QDir::homePath() + "/.local/share" : QString::fromLocal8Bit(data);
  return base + "/Zuvo";
}

QString defaultCacheFolder() {
  const QByteArray cache = qgetenv("XDG_CACHE_HOME");
  const QString base = cache.isEmpty() ? QDir::homePath() + "/.cache" : QString::fromLocal8Bit(cache);
  return base + "/" + kBundleIdentifier;
}

QString moviesFolder() { return xdgOr(QStandardPaths::MoviesLocation, "Videos"); }

QString desktopFolder() { return xdgOr(QStandardPaths::DesktopLocation, "Desktop"); }

QString settingsFile() {
  const QByteArray config = qgetenv("XDG_CONFIG_HOME");
  const QString base = config.isEmpty() ? QDir::homePath() + "/.config" : QString::fromLocal8Bit(config);
  return base + "/Zuvo/Zuvo.conf";
}

QString unreadableCopyName(const QString& path) {
  const QFileInfo info(path);
  const QString stem = info.absolutePath() + QLatin1Char('/') + info.completeBaseName() +
                       QStringLiteral(" (unreadable ") +
                       QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh.mm.ss"));
  QString name = stem + QStringLiteral(").") + info.suffix();
  for (int n = 2; QFileInfo::exists(name); ++n) name = stem + QStringLiteral(" %1).").arg(n) + info.suffix();
  return name;
}

QString resourcePath(const QString& name) { return shareDir() + "/" + name; }

QString toolPath(const QString& name) {
  const QString ours = libexecDir() + "/" + name;
  if (QFileInfo(ours).isExecutable()) return ours;
  return QStandardPaths::findExecutable(name);
}

void setResourceRoots(const QString& share, const QString& libexec) {
  QMutexLocker lock(&rootsLock);
  shareOverride = share;
  libexecOverride = libexec;
}

}  // namespace zuvo::paths
