// The converter's calls into the media library's programs and into the user's own script,
// the output's modification time, the work folder's clean-up and the remote report.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "convert/converter/BCConverter.h"
#include "convert/destination/DuplicateChecks.h"
#include "convert/destination/ImportVideo.h"
#include "media/MediaTestSupport.h"
#include "media/MediaValues.h"
#include "platform/MadeFiles.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "tools/LibraryTestSupport.h"

using namespace zuvo;
using test::CapturedLog;
using test::ScopedSettings;

namespace {

constexpr const char* kLibraryVariable = "ZUVO_MEDIA_LIBRARY";

// Points the library programs at a fresh library for the scope.
struct ScopedLibrary {
  QString folder = test::freshFolder("library");
  ScopedLibrary() { qputenv(kLibraryVariable, folder.toUtf8()); }
  ~ScopedLibrary() { qunsetenv(kLibraryVariable); }
  QJsonArray items() const { return test::libraryItems(folder); }
};

// The resources without the library's programs, or with ones that will not run.
struct ScopedResources {
  explicit ScopedResources(bool unrunnable) {
    const QString libexec = test::freshFolder("libexec");
    if (unrunnable) {
      for (const char* name : {"ImportMovie", "TVShowExists2", "MovieExists2"}) {
        test::writeFile(libexec + "/" + name,
                        "\x7f"
                        "ELF but not really");
        QFile::setPermissions(libexec + "/" + name, QFile::ReadOwner | QFile::ExeOwner);
      }
    }
    paths::setResourceRoots(test::freshFolder("share"), libexec);
  }
  ~ScopedResources() { paths::setResourceRoots({}, {}); }
};

std::unique_ptr<BCConverter> converterFor(const MediaFilePtr& media, const Reporter& reporter,
                                          const Reporter& userLog = nullptr) {
  auto converter = BCConverter::init(media, "[1]", {}, reporter, {.userLog = userLog});
  EXPECT_TRUE(converter);
  return converter;
}

timespec modificationTime(const QString& path) {
  struct stat st {};
  EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
  return st.st_mtim;
}

void setModificationTime(const QString& path, time_t seconds, long nanoseconds) {
  const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
  ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

}  // namespace

TEST(LibraryImport, TheConverterImportsIntoTheLibraryOfTheMediaType) {
  ScopedLibrary library;
  CapturedLog log;
  const QString work = test::freshFolder("work");
  const struct {
    MediaFilePtr media;
    QString placed;
  } cases[] = {{test::libraryEpisode("Doctor Who", 1, 1), "TV Shows/Doctor Who/Season 1/Out.m4v"},
               {test::libraryMovie("Brazil"), "Movies/Out.m4v"},
               // Tagged as a movie, as home movies are: the converter's media type decides.
               {test::libraryMovie("Birthday", MediaType::HomeMovie), "Home Videos/Out.m4v"}};
  for (const auto& c : cases) {
    test::taggedVideo(work, "Out.m4v", c.media);
    EXPECT_TRUE(importVideoIntoiTunes(work, *c.media, "Out", ".m4v", log.reporter)) << c.placed.toStdString();
    EXPECT_TRUE(QFileInfo(library.folder + "/" + c.placed).isFile()) << c.placed.toStdString();
    EXPECT_TRUE(QFileInfo::exists(work + "/Out.m4v"));
  }
  const QJsonArray items = library.items();
  ASSERT_EQ(items.size(), 3);
  EXPECT_EQ(items[2].toObject()["description"].toString(), "") << "no description: the empty text";
  EXPECT_TRUE(log.text().contains("Path of converted movie to import is " + work + "/Out.m4v"));
  EXPECT_EQ(log.text().count("[BLUE]importVideoIntoiTunes::Movie imported into iTunes"), 3);
}

TEST(LibraryImport, AFailedImportIsReportedAsAFailure) {
  ScopedLibrary library;
  const QString work = test::freshFolder("work");
  {
    CapturedLog log;
    EXPECT_FALSE(importVideoIntoiTunes(work, *test::libraryMovie("Brazil"), "Missing", ".m4v", log.reporter));
    EXPECT_TRUE(log.text().contains(
        "[RED]importVideoIntoiTunes::Something went wrong executing Applescript ImportMovie"));
    EXPECT_TRUE(log.text().contains(
        "[RED]importVideoIntoiTunes::Error is exit status 1 ImportMovie: no file to import at " + work +
        "/Missing.m4v"))
        << log.text().toStdString();
  }
  const QString file = test::taggedVideo(work, "Out.m4v", test::libraryMovie("Brazil"));
  for (bool unrunnable : {false, true}) {
    ScopedResources resources(unrunnable);
    CapturedLog log;
    EXPECT_FALSE(importVideoIntoiTunes(work, *test::libraryMovie("Brazil"), "Out", ".m4v", log.reporter));
    EXPECT_TRUE(log.text().contains(
        unrunnable ? "[RED]importVideoIntoiTunes::Unable to find ImportMovie in Bundle."
                   : "[RED]importVideoIntoiTunes::Path in Bundle to ImportMovie is incorrect"))
        << log.text().toStdString();
    EXPECT_TRUE(QFileInfo::exists(file));
  }
  EXPECT_TRUE(library.items().isEmpty());
}

TEST(LibraryDuplicates, TheChecksFindWhatWasImported) {
  ScopedLibrary library;
  const QString work = test::freshFolder("work");
  const MediaFilePtr show = test::libraryEpisode("Doctor Who", 2, 4);
  const MediaFilePtr film = test::libraryMovie("Brazil");
  test::taggedVideo(work, "e.m4v", show);
  test::taggedVideo(work, "m.m4v", film);
  ASSERT_TRUE(importVideoIntoiTunes(work, *show, "e", ".m4v", nullptr));
  ASSERT_TRUE(importVideoIntoiTunes(work, *film, "m", ".m4v", nullptr));

  CapturedLog log;
  EXPECT_TRUE(tvShowExistsIniTunes("Doctor Who", 2, 4, log.reporter));
  EXPECT_FALSE(tvShowExistsIniTunes("Doctor Who", 2, 5, log.reporter));
  EXPECT_TRUE(movieExistsIniTunes("Brazil", log.reporter));
  EXPECT_FALSE(movieExistsIniTunes("Doctor Who", log.reporter));
  EXPECT_TRUE(log.text().contains("Checking for duplicate TV show to Doctor Who season:2 episode:4"));
  EXPECT_TRUE(log.text().contains("TVShowExists2.scpt returned 1"));
  EXPECT_TRUE(log.text().contains("TVShowExists2.scpt returned 0"));
  EXPECT_TRUE(log.text().contains("Checking for duplicate movie to Brazil"));
  EXPECT_TRUE(log.text().contains("MovieExists.scpt returned 1"));
  EXPECT_TRUE(log.text().contains("MovieExists.scpt returned 0"));
}

TEST(LibraryDuplicates, ASeasonOrEpisodeOfZeroIsNeverADuplicateAndAsksNothing) {
  ScopedLibrary library;
  ScopedResources resources(false);  // a call would log that the program is missing
  for (const auto& [season, number] : {std::pair{0, 4}, std::pair{2, 0}}) {
    CapturedLog log;
    EXPECT_FALSE(tvShowExistsIniTunes("Doctor Who", season, number, log.reporter));
    EXPECT_TRUE(log.text().contains("Passed show with zero for one or more values, returning no duplicate"));
    EXPECT_FALSE(log.text().contains("Path in Bundle"));
  }
}

TEST(LibraryDuplicates, ACheckThatCannotRunIsNeverADuplicate) {
  ScopedLibrary library;
  test::writeFile(library.folder + "/.zuvo-library.json", "not an index");
  {
    CapturedLog log;
    EXPECT_FALSE(tvShowExistsIniTunes("Doctor Who", 2, 4, log.reporter));
    EXPECT_FALSE(movieExistsIniTunes("Brazil", log.reporter));
    EXPECT_TRUE(log.text().contains("[RED]Something went wrong executing Applescript TVShowExists2"));
    EXPECT_TRUE(log.text().contains(
        "[RED]Applescript TVShowExists returned error \"ExitStatus\" = \"exit status 1\";"));
    EXPECT_TRUE(log.text().contains("[RED]Something went wrong executing Applescript MovieExists"));
    EXPECT_FALSE(log.text().contains("returned 1"));
  }
  for (bool unrunnable : {false, true}) {
    ScopedResources resources(unrunnable);
    CapturedLog log;
    EXPECT_FALSE(tvShowExistsIniTunes("Doctor Who", 2, 4, log.reporter));
    EXPECT_FALSE(movieExistsIniTunes("Brazil", log.reporter));
    const QStringList expected = unrunnable ? QStringList{"[RED]Unable to find TVShowExists2 in Bundle.",
                                                          "[RED]Unable to find MovieExists in Bundle."}
                                            : QStringList{"[RED]Path in Bundle to TVShowExists2 is incorrect",
                                                          "[RED]Path in Bundle to MovieExists is incorrect"};
    for (const QString& line : expected) EXPECT_TRUE(log.text().contains(line)) << line.toStdString();
  }
}

TEST(PostConversionScript, TheUsersProgramGetsExactlyTheNineTexts) {
  const QString folder = test::freshFolder("script ü folder");
  const QString received = folder + "/received";
  const QString script = folder + "/after conversion 'ü'.sh";
  // Each argument ended by a NUL, so that nothing inside one can pass for a boundary.
  test::writeFile(
      script,
      ("#!/bin/sh\nfor a; do printf '%s\\0' \"$a\"; done > '" + received + "'\necho done\n").toUtf8());
  QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  ScopedSettings settings{{"PostConversionApplescriptPath", script}};

  const MediaFilePtr media = test::libraryEpisode("Tom & \"Jerry\" $(touch pwned)", 3, 12);
  media->setFullpath("/videos/Tom 'n' Jerry\nS03E12.mkv");
  media->setEpisodename("-n Ça `id` va");
  media->setReleasedate("2001-02-03");
  media->setGenre("");
  CapturedLog log;
  CapturedLog userLog;
  const auto converter = converterFor(media, log.reporter, userLog.reporter);
  converter->finalAppleScript(*media, "/out/Tom & Jerry S03E12.m4v");

  const QList<QByteArray> texts = test::readFile(received).split('\0');
  QStringList arguments;
  for (qsizetype i = 0; i + 1 < texts.size(); ++i) arguments << QString::fromUtf8(texts[i]);
  EXPECT_EQ(arguments,
            (QStringList{"/out/Tom & Jerry S03E12.m4v", "/videos/Tom 'n' Jerry\nS03E12.mkv", "0",
                         "Tom & \"Jerry\" $(touch pwned)", "-n Ça `id` va", "3", "12", "2001-02-03", ""}));
  EXPECT_FALSE(QFileInfo::exists("pwned"));
  EXPECT_TRUE(log.text().contains("finalAppleScript::Running Post Conversion Apple Script"));
  EXPECT_TRUE(log.text().contains("Post conversion Apple Script is located at path : " + script));
  EXPECT_TRUE(log.text().contains("finalAppleScript::Script ran successfully"));
  EXPECT_TRUE(userLog.text().contains("Script ran successfully"));
}

TEST(PostConversionScript, AScriptThatCannotRunOrFailsIsLoggedAndNothingMore) {
  const QString folder = test::freshFolder("scripts");
  const QString failing = test::writeFile(folder + "/failing", "#!/bin/sh\necho boom\nexit 3\n");
  QFile::setPermissions(failing, QFile::ReadOwner | QFile::ExeOwner);
  const QString notExecutable = test::writeFile(folder + "/plain", "#!/bin/sh\nexit 0\n");
  const struct {
    QVariant setting;
    QString mainLine, userLine;
  } cases[] = {
      {QString(), "[RED]finalAppleScript::Path to Apple Script is incorrect",
       "Path to Apple Script is incorrect"},
      {QVariant(), "[RED]finalAppleScript::Unable to find Apple Script to run.",
       "Unable to find Apple Script to run."},  // the home folder
      {folder + "/missing", "[RED]finalAppleScript::Unable to find Apple Script to run.",
       "Unable to find Apple Script to run."},
      {notExecutable, "[RED]finalAppleScript::Unable to find Apple Script to run.",
       "Unable to find Apple Script to run."},
      {failing, "finalAppleScript::Error is exit status 3 boom",
       "Something went wrong executing Applescript"},
  };
  for (const auto& c : cases) {
    ScopedSettings settings{{"PostConversionApplescriptPath", c.setting}};
    if (!c.setting.isValid()) Defaults::standard().removeObjectForKey("PostConversionApplescriptPath");
    CapturedLog log;
    CapturedLog userLog;
    const MediaFilePtr media = test::libraryMovie("Brazil");
    converterFor(media, log.reporter, userLog.reporter)->finalAppleScript(*media, "/out/Brazil.m4v");
    EXPECT_TRUE(log.text().contains(c.mainLine)) << log.text().toStdString();
    EXPECT_TRUE(userLog.text().contains(c.userLine)) << userLog.text().toStdString();
    EXPECT_FALSE(log.text().contains("Script ran successfully"));
  }
}

TEST(PostConversionScript, WhatTheScriptLeavesRunningDoesNotHoldTheConversion) {
  const QString script = test::writeFile(test::freshFolder("script") + "/starts-player",
                                         "#!/bin/sh\nsleep 30 &\necho started\n");
  QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner);
  ScopedSettings settings{{"PostConversionApplescriptPath", script}};
  const MediaFilePtr media = test::libraryMovie("Brazil");
  CapturedLog log;
  QElapsedTimer timer;
  timer.start();
  converterFor(media, log.reporter)->finalAppleScript(*media, "/out/Brazil.m4v");
  EXPECT_LT(timer.elapsed(), 10000);
  EXPECT_TRUE(log.text().contains("finalAppleScript::Script ran successfully"));
}

TEST(ModifyTime, TheOutputTakesTheOriginalsModificationTimeWhenSet) {
  const QString folder = test::freshFolder("times");
  const QString original = test::writeFile(folder + "/original.mkv", "source");
  setModificationTime(original, 981173106, 123456789);
  const MediaFilePtr media = test::libraryMovie("Brazil");
  media->setFullpath(original);

  for (bool preserve : {true, false}) {
    ScopedSettings settings{{"PreserveOriginalFileModifyTime", preserve}};
    const QString output = test::writeFile(folder + "/output.m4v", "converted");
    const timespec before = modificationTime(output);
    CapturedLog log;
    converterFor(media, log.reporter)->RestoreOriginalModifyTimeForOutputFilePath(output);
    const timespec after = modificationTime(output);
    const timespec expected = preserve ? modificationTime(original) : before;
    EXPECT_EQ(after.tv_sec, expected.tv_sec) << "preserve " << preserve;
    EXPECT_EQ(after.tv_nsec, expected.tv_nsec) << "preserve " << preserve;
    EXPECT_EQ(log.text().contains("[BLUE]Changing Time Modified back to the same value as the Source File"),
              preserve);
  }

  ScopedSettings settings{{"PreserveOriginalFileModifyTime", true}};
  media->setFullpath(folder + "/vanished.mkv");
  const QString output = test::writeFile(folder + "/output.m4v", "converted");
  const timespec before = modificationTime(output);
  CapturedLog log;
  converterFor(media, log.reporter)->RestoreOriginalModifyTimeForOutputFilePath(output);
  EXPECT_EQ(modificationTime(output).tv_nsec, before.tv_nsec);
  EXPECT_TRUE(log.text().contains(
      "[RED]Unable to set time stamp to original as original file doesn't exist or is DVD"));
}

TEST(CleanUp, OnlyTheConversionsIntermediatesLeaveTheWorkFolder) {
  const QString work = test::freshFolder("work");
  const QStringList intermediates = {"temp.h264",
                                     "temp.mp4",
                                     "subtitlevideo.avi",
                                     "mergedmkvfile.mkv",
                                     "subtitle0.sub",
                                     "subtitle99.idx",
                                     "audio0.m4a",
                                     "audio42.ac3",
                                     "audio7ss.ac3",
                                     "audio3ff.m4a",
                                     "audio99ff.mp4",
                                     "subtitle3.ass",
                                     "subtitle3.ass.temp",
                                     "subtitle0.ttxt",
                                     "subtitle0.ttxt2",
                                     "mergedavifile.avi",
                                     "intermediate0.mkv",
                                     "intermediate12.mkv",
                                     "filewithoutsubtitles.mkv",
                                     "mtspre.mp4",
                                     "subtitle0.sub.temp",
                                     "ffmpeg2pass-0.log",
                                     "ffmpeg2pass-0.log.mbtree",
                                     "Doctor Who.pp.m4v",
                                     "Doctor Who.pp.mp4",
                                     "Doctor WhoTurbo.m4v",
                                     "Doctor WhoTurbo.mp4",
                                     "Doctor Who.SD.mp4",
                                     "Doctor Who 1x01_3_text.srt",
                                     "mtspre_2_text.srt"};
  // The user's own files share the folder: subtitles, descriptions and pictures of any name.
  const QStringList kept = {"audio100.m4a",
                            "audio07.m4a",
                            "audio.m4a",
                            "subtitle0.sub.bak",
                            "temp.h265",
                            ".srt",
                            "Doctor Who.m4v",
                            "Doctor Who HD.m4v",
                            "Other.pp.m4v",
                            "OtherTurbo.m4v",
                            "Other.SD.mp4",
                            "notes.txt",
                            "12345.xml",
                            "poster.jpg",
                            "movie.mkv",
                            "subtitle1.srt",
                            "Show.SRT",
                            "x.ASS",
                            "Film.ttxt",
                            "Film.TTXT2",
                            ".hidden.srt",
                            "Other_3_text.srt",
                            "Doctor Who 1x01_x_text.srt",
                            "Doctor Who 1x01$eng.srt"};
  // And files of the user's that carry an intermediate's name: the record does not name them.
  const QStringList lookAlikes = {"audio1ff.m4a", "temp.h264.x", "Doctor Who 1x01_1_text.srt",
                                  "subtitle7.idx"};
  for (const QString& name : intermediates + kept + lookAlikes) test::writeFile(work + "/" + name, "x");
  madefiles::add(work, intermediates);
  QDir(work).mkdir("folder.srt");
  QDir(work).mkdir("audio1.m4a");

  const MediaFilePtr media = test::libraryEpisode("Doctor Who", 1, 1);
  media->setFullpath(work + "/Doctor Who 1x01.mkv");
  const auto converter = converterFor(media, nullptr);
  converter->conversiondirectory = work;
  converter->outboundname = "Doctor Who";
  converter->fileToConvertPath = work + "/mtspre.mp4";
  converter->CleanUpConversionFiles();

  QStringList remaining = QDir(work).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  QStringList expected = kept + lookAlikes + QStringList{"folder.srt", "audio1.m4a"};
  remaining.sort();
  expected.sort();
  EXPECT_EQ(remaining, expected);
  EXPECT_TRUE(madefiles::names(work).isEmpty()) << "the record forgets what went, and goes";
}

TEST(CleanUp, WithoutAWorkFolderNothingIsTouched) {
  const QString here = test::freshFolder("here");
  test::writeFile(here + "/temp.mp4", "x");
  const QString previous = QDir::currentPath();
  QDir::setCurrent(here);
  const auto converter = converterFor(test::libraryMovie("Brazil"), nullptr);
  converter->conversiondirectory.clear();
  converter->CleanUpConversionFiles();
  QDir::setCurrent(previous);
  EXPECT_TRUE(QFileInfo::exists(here + "/temp.mp4"));
}

TEST(RemoteReport, TheConverterPostsItsReport) {
  const auto converter = converterFor(test::libraryMovie("Brazil"), nullptr);
  QVariantMap received;
  const void* sender = nullptr;
  auto& center = NotificationCenter::defaultCenter();
  const auto token = center.addObserver("RemoteReport", [&](const Notification& n) {
    received = n.userInfo;
    sender = n.object;
  });
  converter->sendRemoteMessage("Done", "Brazil converted", 2, true);
  center.removeObserver(token);
  EXPECT_EQ(sender, converter.get());
  EXPECT_EQ(
      received,
      (QVariantMap{{"Title", "Done"}, {"Description", "Brazil converted"}, {"Type", 2}, {"Sticky", true}}));
}
