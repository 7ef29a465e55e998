#pragma once
// Helpers of the look-up tests: the notices a look-up posts, plug-in programs written
// as shell scripts into the Application Support folder, and the pickers' outcomes.
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QStringList>

#include "media/MediaTestSupport.h"
#include "media/MediaValues.h"
#include "media/VideoDataFromFilename.h"
#include "metadata/BCLookUpShow.h"
#include "metadata/MetadataPlugin.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"

namespace zuvo::test {

// Records "TVOnline", "TVOffline", "MovieOnline" and "MovieOffline" with their poster.
class ServiceNotices {
 public:
  ServiceNotices() {
    for (const char* name : {"TVOnline", "TVOffline", "MovieOnline", "MovieOffline"})
      tokens_ << NotificationCenter::defaultCenter().addObserver(QString::fromLatin1(name),
                                                                 [this](const Notification& n) {
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

// A probe's item for a dropped file: its name parsed as the probe parses it, then looked up
// as the probe's look-up step does.
inline MediaFilePtr probedItem(const QString& fileName, const QString& cache, const Reporter& reporter,
                               BCError* answer = nullptr) {
  auto item = std::make_shared<MediaFile>();
  item->setFullpath("/videos/" + fileName);
  item->setType(kSourceTypeFile);
  (void)getVideoDataFromFilename(*item, reporter);
  BCLookUpShow lookup(cache, "en", true, reporter);
  const BCError result = lookup.LookUpShowData(*item);
  if (answer) *answer = result;
  return item;
}

// The candidates as their descriptions read.
inline QStringList candidateNames(const QList<VideoAlternate>& candidates) {
  QStringList list;
  for (const VideoAlternate& c : candidates) list << c.description();
  return list;
}

// The episode picker closed without a choice: the Twin Peaks item as it was, and forgotten.
inline void expectNothingChosen(const BCLookUpShow& lookup, const MediaFile& item, const char* what) {
  EXPECT_FALSE(lookup.pickerrunning()) << what;
  EXPECT_EQ(lookup.pickerShow(), nullptr) << what;
  EXPECT_EQ(item.episodename(), "Traces") << what;
  EXPECT_EQ(item.season(), 1u) << what;
  EXPECT_EQ(item.show(), 2u) << what;
  EXPECT_FALSE(item.selected()) << what;
}

}  // namespace zuvo::test
