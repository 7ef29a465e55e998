#pragma once
// Helpers of the look-up tests: the notices a look-up posts, and plug-in programs
// written as shell scripts into the Application Support folder.
#include "media/MediaTestSupport.h"
#include "metadata/MetadataPlugin.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QStringList>

namespace zuvo::test {

// Records "TVOnline", "TVOffline", "MovieOnline" and "MovieOffline" with their poster.
class ServiceNotices {
 public:
  ServiceNotices() {
    for (const char* name : {"TVOnline", "TVOffline", "MovieOnline", "MovieOffline"})
      tokens_ << NotificationCenter::defaultCenter().addObserver(QString::fromLatin1(name), [this](const Notification& n) {
        QMutexLocker guard(&lock_);
        names_ << n.name;
        posters_ << n.object;
      });
  }
  ~ServiceNotices() {
    for (NotificationCenter::Token token : tokens_) NotificationCenter::defaultCenter().removeObserver(token);
  }
  QStringList names() const {
    QMutexLocker guard(&lock_);
    return names_;
  }
  // True when every notice came from `poster`.
  bool allFrom(const void* poster) const {
    QMutexLocker guard(&lock_);
    for (const void* p : posters_)
      if (p != poster) return false;
    return true;
  }

 private:
  mutable QMutex lock_;
  QStringList names_;
  QList<const void*> posters_;
  QList<NotificationCenter::Token> tokens_;
};

// Writes "NAME.mdplugin" as a shell script with `body` and makes it executable.
inline QString writePlugin(const QString& name, const QByteArray& body) {
  QDir().mkpath(paths::applicationSupportFolder());
  const QString path = metadataPluginPath(name);
  writeFile(path, "#!/bin/sh\n" + body);
  QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
  return path;
}

}  // namespace zuvo::test
