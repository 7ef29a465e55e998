// What becomes of the user's source after its conversion, when it changed meanwhile: a
// recording still being written stays where it is whatever the settings say.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "convert/converter/BCConverter.h"
#include "convert/converter/ConversionTail.h"
#include "convert/report/ConversionCodes.h"
#include "media/MediaTestSupport.h"
#include "media/MediaValues.h"

using namespace zuvo;
using test::CapturedLog;
using test::ScopedSettings;

namespace {

constexpr int kLeave = 0;
constexpr int kTrash = 1;
constexpr int kMove = 2;

void setModified(const QString& path, const QDateTime& when) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
}

void append(const QString& path) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::Append));
  file.write("more");
}

MediaFilePtr sourceItem(const QString& path, const QString& package = {}) {
  auto media = std::make_shared<MediaFile>();
  media->setFullpath(path);
  media->setFilename(QFileInfo(path).fileName());
  media->setPackagepath(package);
  media->setFilesize(QFileInfo(package.isEmpty() ? path : package).size());
  media->setMediatype(MediaType::Movie);
  media->setSeriesname("Test Movie");
  media->setConversionFormat(ConversionFormat::HDOnly);
  VideoTrack video;
  video.setWidth(160);
  video.setHeight(120);
  video.setBitrate("800");
  video.setFramerate("25 fps");
  video.setDuration(2);
  media->setMyvideotrack(video);
  media->setState(MediaState::Converting);
  return media;
}

}  // namespace

TEST(OriginalFile, ASourceThatChangedDuringItsConversionStaysWhereItIs) {
  struct Case {
    const char* name;
    int action;
    bool package;
    std::function<void(const QString& written)> change;  // after the conversion began
    bool changed;
  } cases[] = {
      {"trash, grown", kTrash, false, append, true},
      {"move, grown", kMove, false, append, true},
      {"leave, grown", kLeave, false, append, true},
      {"move, grown with its time put back", kMove, false,
       [](const QString& path) {
         const QDateTime before = QFileInfo(path).lastModified();
         append(path);
         setModified(path, before);
       },
       true},
      {"trash, package recording grown", kTrash, true, append, true},
      {"move, unchanged", kMove, false, [](const QString&) {}, false},
      {"move, package unchanged", kMove, true, [](const QString&) {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString folder = test::freshFolder("sources");
    const QString converted = test::freshFolder("converted");
    ScopedSettings settings{{"VideoSourcesFileAction", c.action}, {"ConvertedFilesDirectory", converted}};
    QString source = folder + "/Recording.mkv";
    QString written = source;
    if (c.package) {
      source = folder + "/Show - Pilot.eyetv";
      written = source + "/000000001.mpg";
      QDir().mkpath(source);
    }
    test::writeFile(written, "recorded so far");
    const QDateTime start = QDateTime::currentDateTime().addSecs(-1);
    setModified(written, start.addSecs(-60));
    // The package's folder changed last when the recording's file was made in it.
    std::filesystem::last_write_time(QFile::encodeName(source).toStdString(),
                                     std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
    const MediaFilePtr media = sourceItem(source, c.package ? written : QString());
    CapturedLog log;
    const auto converter = BCConverter::init(media, "[2]", {}, log.reporter, {});
    converter->starttime = start;

    c.change(written);
    const std::optional<BCError> outcome = handleOriginalFile(*converter);

    const QString moved = converted + "/" + QFileInfo(source).fileName();
    if (c.changed) {
      EXPECT_TRUE(QFileInfo::exists(written));
      EXPECT_FALSE(QFileInfo::exists(moved));
      ASSERT_TRUE(outcome.has_value());
      EXPECT_EQ(outcome->Code(), ConversionCode::PlacingFile);
      EXPECT_EQ(outcome->Description(), "The original changed while it was converted");
      EXPECT_TRUE(log.text().contains(source + " changed while it was converted, it is left in place"))
          << log.text().toStdString();
    } else {
      EXPECT_FALSE(outcome.has_value());
      EXPECT_FALSE(QFileInfo::exists(source));
      EXPECT_TRUE(QFileInfo::exists(moved));
    }
  }
}

// The real thing: a recorder writes on while the converter reads the file.
TEST(OriginalFile, ARecordingWrittenOnDuringItsConversionIsNotTrashed) {
  const QString source = test::freshFolder("recording") + "/Recording.mkv";
  test::makeTestVideo(source, 2, 160, 120);
  const QString out = test::freshFolder("out");
  ScopedSettings settings{{"ConversionDirectory", test::freshFolder("work")},
                          {"MovieDestination", out},
                          {"VideoSourcesFileAction", kTrash},
                          {"EncodingQuality", 1},
                          {"ConversionThreads", 2}};
  const MediaFilePtr media = sourceItem(source);
  CapturedLog log;
  const auto converter = BCConverter::init(media, "[3]", {}, log.reporter, {});
  std::atomic_bool converting = true;
  std::thread recorder([&] {
    while (converting) {
      QFile file(source);
      if (file.open(QIODevice::Append)) file.write(QByteArray(16, '\0'));
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
  const BCError result = converter->Convert();
  converting = false;
  recorder.join();
  EXPECT_TRUE(QFileInfo::exists(source)) << log.text().toStdString();
  EXPECT_EQ(result.Code(), ConversionCode::PlacingFile) << result.Description().toStdString() << "\n"
                                                        << log.text().toStdString();
  EXPECT_FALSE(media->conversionfinished());
}
