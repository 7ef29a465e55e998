// The zuvo program itself, started with a home of its own and told to quit once start-up
// has finished, or ended by the test through its quit sequence (SIGTERM).
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMimeDatabase>
#include <QStandardPaths>

#include "app/shared/Feed.h"
#include "app/support/ZuvoProgramFixture.h"
#include "media/FileTypes.h"
#include "platform/Defaults.h"
#include "support/StreamingHttpServer.h"

namespace {

using zuvo::test::freshFolder;
using zuvo::test::Outcome;
using zuvo::test::readFile;
using zuvo::test::writeFile;
using zuvo::test::ZuvoProgram;

void expectInOrder(const QStringList& log, const QStringList& lines) {
  qsizetype at = -1;
  for (const QString& line : lines) {
    const qsizetype found = log.indexOf(line, at + 1);
    EXPECT_GT(found, at) << line.toStdString() << " missing or out of order in:\n"
                         << log.join('\n').toStdString();
    at = std::max(at, found);
  }
}

// The program's settings of `home`, with `watched` as its one video source.
zuvo::Defaults& watchFolder(const QString& home, const QString& watched) {
  zuvo::Defaults& defaults = zuvo::Defaults::standard();
  defaults.setStorageFile(home + "/.config/Zuvo/Zuvo.conf");
  zuvo::Feed feed;
  feed.setName("Recordings");
  feed.setPath(watched);
  zuvo::storeVideoSources({feed});
  return defaults;
}

}  // namespace

TEST_F(ZuvoProgram, FirstStartMakesItsFoldersAndBothLogs) {
  const Outcome r = run();
  EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
  EXPECT_TRUE(QFileInfo(home + "/.cache/org.zuvo.Zuvo").isDir());
  EXPECT_TRUE(QFileInfo(home + "/Videos").isDir());
  ASSERT_TRUE(readFile(support() + "/log.bclog2").startsWith("Creating Log File\n"));
  // The main log is scrambled on disk: no message is readable as it stands.
  EXPECT_FALSE(readFile(support() + "/log.bclog2").contains("Log starting"));
  expectInOrder(
      mainLog(),
      {"Log starting...", "[BLUE]User home directory is " + home, "[BLUE]Mac OS Version is 10.8.0",
       "Checking for critical directories...",
       "[BLUE]Cache directory " + home + "/.cache/org.zuvo.Zuvo does not exist. Attempting to create.",
       "[GREEN]Cache directory created.", "Original files directory exists", "Prefered language is en",
       "Language name is English", "Setting up notification center",
       "Creating Busy, Tags, Preferences and Alert Panel", "[BLUE]Zuvo Version Number is 0.1",
       "Creating LookUp object", "[BLUE]Activating status bar item", "Checking for Turbo.264",
       "[RED] Perian not installed", "Checking for News", "Quit button pressed",
       "Program Terminating Normally"});
  expectInOrder(userLog(), {"Log starting...", "Cache directory created.", "Original files directory exists",
                            "Checking for Turbo.264", "No Turbo Framework", "Checking for News",
                            "Quit button pressed", "Program Terminating Normally"});
  EXPECT_TRUE(QFile::exists(support() + "/MainWindow.state"));

  // The second start finds everything in place.
  const Outcome again = run();
  EXPECT_EQ(again.exitCode, 0);
  EXPECT_TRUE(userLog().contains("Cache directory exists"));
}

TEST_F(ZuvoProgram, UnusableCacheFolderIsReplacedByTheDefaultAfterAnAlert) {
  const QString file = writeFile(home + "/not-a-folder", "x");
  setting("ConversionDirectory", file + "/cache");
  const Outcome r = run();
  EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
  EXPECT_TRUE(r.errors.contains("alert: Missing Cache Directory | Cache Directory " + file +
                                "/cache is missing reventing to default of " + home +
                                "/.cache/org.zuvo.Zuvo"))
      << r.errors.toStdString();
  EXPECT_EQ(storedSetting("ConversionDirectory").toString(), home + "/.cache/org.zuvo.Zuvo");
  EXPECT_TRUE(mainLog().contains("[RED]Cache directory still does not exist reverting to default."));
}

TEST_F(ZuvoProgram, WithoutAnyCacheFolderTheProgramEndsBeforeItsEventLoop) {
  const QString file = writeFile(home + "/not-a-folder", "x");
  setting("ConversionDirectory", file + "/cache");
  environment.insert("XDG_CACHE_HOME", file);
  const Outcome r = run();
  EXPECT_EQ(r.exitCode, 1) << r.errors.toStdString();
  EXPECT_TRUE(r.errors.contains("alert: Unable to create default cache directory | Program will abort."));
  const QStringList main = mainLog();
  EXPECT_EQ(main.last(), "Program Terminating Normally");
  EXPECT_FALSE(main.contains("Setting up notification center"));
}

TEST_F(ZuvoProgram, NewsPageFromTheNewsAddressIsShownOnce) {
  zuvo::test::LoopbackHttpServer server;
  server.route("/Zuvo/ZuvoNews.php",
               {200, "Zuvo ALERT:5:Spring\n<p>Spring release notes</p>\n", "text/html"});
  environment.insert("ZUVO_NEWS_URL", server.baseURL());
  EXPECT_EQ(run().exitCode, 0);
  expectInOrder(mainLog(), {"Checking for News", "News of number 5", "[BLUE]New News!"});
  EXPECT_EQ(storedSetting("AlertNumber").toInt(), 5);
  EXPECT_EQ(readFile(home + "/.cache/org.zuvo.Zuvo/newsfile"),
            "Zuvo ALERT:5:Spring\n<p>Spring release notes</p>\n");

  EXPECT_EQ(run().exitCode, 0);
  EXPECT_TRUE(userLog().contains("No news"));
  EXPECT_FALSE(mainLog().contains("[BLUE]New News!"));
  EXPECT_EQ(server.requests().size(), 2);
}

// The item the probe made of "Some Show S01E02" (160x120).
void expectProbedEpisode(const QList<zuvo::MediaFilePtr>& saved, const QString& path) {
  const auto found =
      std::find_if(saved.begin(), saved.end(), [&](const auto& item) { return item->fullpath() == path; });
  ASSERT_NE(found, saved.end()) << path.toStdString() << " was not saved";
  const zuvo::MediaFile& item = **found;
  EXPECT_TRUE(item.didlookup()) << path.toStdString();
  EXPECT_EQ(item.seriesname(), "Some Show") << path.toStdString();
  EXPECT_EQ(item.season(), 1u);
  EXPECT_EQ(item.show(), 2u);
  EXPECT_EQ(item.myvideotrack().width(), 160u);
}

TEST_F(ZuvoProgram, VideoFilesHandedOverOnTheCommandLineAreProbed) {
  const QString folder = freshFolder("handed-over");
  const QString video = folder + "/Some Show S01E02.mkv";
  zuvo::test::makeTestVideo(video, 1, 160, 120);
  const QString notes = writeFile(folder + "/notes.txt", "not a video");
  auto zuvo = launch({video, notes});
  EXPECT_TRUE(waitForProbes({"Some Show S01E02.mkv"})) << mainLog().join('\n').toStdString();
  const Outcome r = end(*zuvo);
  EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
  const QStringList main = mainLog();
  EXPECT_TRUE(main.contains("[BLUE]  openFiles is a supported video file : " + video));
  for (const QString& line : main) EXPECT_FALSE(line.contains("notes.txt")) << line.toStdString();
  EXPECT_TRUE(userLog().contains("Adding new file " + video));
  EXPECT_EQ(main.last(), "Program Terminating Normally");
  const QList<zuvo::MediaFilePtr> saved = savedFiles();
  EXPECT_EQ(saved.size(), 1);
  expectProbedEpisode(saved, video);
}

TEST_F(ZuvoProgram, TheLocaleChoosesTheUsersAudioTrackAndEnglishWhenItNamesNoLanguage) {
  // French 5.1 first, then Brazilian and American stereo, tagged as mkvmerge tags them.
  const QString folder = freshFolder("locale");
  const QString made = folder + "/made.mkv";
  QStringList arguments{"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=1"};
  for (int i = 0; i < 3; ++i)
    arguments << "-f"
              << "lavfi"
              << "-i" << QString("sine=frequency=%1:sample_rate=48000:duration=1").arg(400 + 100 * i);
  arguments << "-map"
            << "0:v"
            << "-map"
            << "1:a"
            << "-map"
            << "2:a"
            << "-map"
            << "3:a"
            << "-c:v"
            << "libx264"
            << "-preset"
            << "ultrafast"
            << "-c:a"
            << "ac3"
            << "-ac:a:0"
            << "6"
            << "-ac:a:1"
            << "2"
            << "-ac:a:2"
            << "2";
  zuvo::test::makeMedia(made, arguments);

  struct Case {
    const char* name;
    const char* language;  // LANGUAGE; nullptr: unset
    const char* lang;      // LANG
    const char* languageName;
    const char* defaultTrack;
  } cases[] = {
      {"C.UTF-8", nullptr, "C.UTF-8", "English", "English (US)"},
      {"Brazilian list", "pt_BR:en", "C.UTF-8", "Portuguese", "Portuguese (BR)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString video = folder + "/" + c.name + ".mkv";
    const zuvo::test::CommandResult merged = zuvo::test::runCommand(
        "mkvmerge",
        {"-q", "-o", video, "--language", "1:fr-CA", "--language", "2:pt-BR", "--language", "3:en-US", made});
    ASSERT_EQ(merged.exitCode, 0) << merged.output.toStdString();
    for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) environment.remove(variable);
    if (c.language) environment.insert("LANGUAGE", c.language);
    environment.insert("LANG", c.lang);

    auto zuvo = launch({video});
    EXPECT_TRUE(waitForProbes({QString(c.name) + ".mkv"})) << mainLog().join('\n').toStdString();
    const Outcome r = end(*zuvo);
    EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_TRUE(mainLog().contains(QString("Language name is ") + c.languageName))
        << mainLog().join('\n').toStdString();
    const QList<zuvo::MediaFilePtr> saved = savedFiles();
    const auto item =
        std::find_if(saved.begin(), saved.end(), [&](const auto& m) { return m->fullpath() == video; });
    ASSERT_NE(item, saved.end());
    QStringList defaults;
    for (const zuvo::AudioTrack& track : (*item)->AudioTracks())
      if (track.isDefault()) defaults << track.language();
    EXPECT_EQ(defaults, QStringList{c.defaultTrack});
  }
}

TEST_F(ZuvoProgram, UnlabelledTracksTakeTheLanguageStartUpWorksOut) {
  // An audio track and a soft subtitle that name no language, as mkvmerge writes "und".
  const QString folder = freshFolder("unlabelled");
  const QString made = folder + "/made.mkv";
  zuvo::test::makeMedia(made, {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=1", "-f", "lavfi",
                               "-i", "sine=sample_rate=48000:duration=1", "-c:v", "libx264", "-preset",
                               "ultrafast", "-c:a", "aac", "-ac", "2"});
  const QString subtitle = writeFile(folder + "/words.srt", "1\n00:00:00,000 --> 00:00:00,900\nHello\n");
  setting("IncludeSubtitleTracks", 1);

  struct Case {
    const char* name;
    const char* language;  // LANGUAGE
    const char* expected;
  } cases[] = {
      {"English", "en_GB", "English"},
      {"German", "de_DE", "German"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString video = folder + "/" + c.name + ".mkv";
    const zuvo::test::CommandResult merged = zuvo::test::runCommand(
        "mkvmerge", {"-q", "-o", video, "--language", "1:und", made, "--language", "0:und", subtitle});
    ASSERT_EQ(merged.exitCode, 0) << merged.output.toStdString();
    for (const char* variable : {"LC_ALL", "LC_MESSAGES"}) environment.remove(variable);
    environment.insert("LANGUAGE", c.language);
    environment.insert("LANG", "C.UTF-8");

    auto zuvo = launch({video});
    EXPECT_TRUE(waitForProbes({QString(c.name) + ".mkv"})) << mainLog().join('\n').toStdString();
    const Outcome r = end(*zuvo);
    EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
    const QList<zuvo::MediaFilePtr> saved = savedFiles();
    const auto item =
        std::find_if(saved.begin(), saved.end(), [&](const auto& m) { return m->fullpath() == video; });
    ASSERT_NE(item, saved.end());
    const QList<zuvo::AudioTrack> audio = (*item)->AudioTracks();
    ASSERT_EQ(audio.size(), 1);
    EXPECT_EQ(audio[0].language(), c.expected);
    EXPECT_TRUE(audio[0].isDefault());
    const QList<zuvo::SubtitleTrack> soft = (*item)->SoftSubtitleTracks();
    ASSERT_EQ(soft.size(), 1);
    EXPECT_EQ(soft[0].language(), c.expected);
    // In the user's language, so the setting "IncludeSubtitleTracks" 1 takes it.
    EXPECT_TRUE(soft[0].selected());
  }
}

// A second launch on a session bus of the test's own (ctest app_program_hand_over).
class ZuvoProgramOnABus : public ZuvoProgram {
 protected:
  void SetUp() override {
    if (qEnvironmentVariable("ZUVO_PRIVATE_SESSION_BUS") != "1")
      GTEST_SKIP() << "runs on a private session bus as the ctest app_program_hand_over";
    ZuvoProgram::SetUp();
    environment.insert("DBUS_SESSION_BUS_ADDRESS", qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"));
  }
  static bool running() {
    return QDBusConnection::sessionBus().interface()->isServiceRegistered("org.zuvo.Zuvo").value();
  }
};

TEST_F(ZuvoProgramOnABus, LaterLaunchesHandTheirPathsToTheRunningOne) {
  const QString folder = freshFolder("later-launches");
  QDir().mkpath(folder + "/season");
  const QString first = folder + "/Some Show S01E02.mkv";
  const QString second = folder + "/second/Some Show S01E02.mkv";
  const QString inFolder = folder + "/season/Some Show S01E02.mkv";
  const QString service = folder + "/service/Some Show S01E02.mkv";
  zuvo::test::makeTestVideo(first, 1, 160, 120);
  for (const QString& copy : {second, inFolder, service}) {
    QDir().mkpath(QFileInfo(copy).path());
    ASSERT_TRUE(QFile::copy(first, copy));
  }

  auto zuvo = launch({first});
  ASSERT_TRUE(zuvo::runloop::waitUntil(running, 20, 20)) << "the first launch did not claim its name";
  // Opened documents: a file and a folder (looked into); then the Services entry.
  const Outcome later = run({second, folder + "/season"});
  EXPECT_EQ(later.exitCode, 0) << later.errors.toStdString();
  const Outcome fromService = run({"--service", service});
  EXPECT_EQ(fromService.exitCode, 0) << fromService.errors.toStdString();
  EXPECT_EQ(zuvo->state(), QProcess::Running);

  EXPECT_TRUE(
      zuvo::runloop::waitUntil([&] { return mainLog().filter("completed lookup").size() == 4; }, 30, 100))
      << mainLog().join('\n').toStdString();
  const Outcome r = end(*zuvo);
  EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
  const QStringList main = mainLog();
  EXPECT_EQ(main.count("Log starting..."), 1) << "a later launch started a program of its own";
  expectInOrder(main,
                {"[GREEN]Found new file " + first, "[BLUE]  openFiles is a supported video file : " + second,
                 "[GREEN]Found new file " + second, "[GREEN]Found new file " + inFolder,
                 "[GREEN]Found new file " + service, "Program Terminating Normally"});
  const QList<zuvo::MediaFilePtr> saved = savedFiles();
  EXPECT_EQ(saved.size(), 4);
  for (const QString& path : {first, second, inFolder, service}) expectProbedEpisode(saved, path);
}

TEST_F(ZuvoProgramOnABus, ALaunchWithNobodyRunningRunsItself) {
  const Outcome r = run();
  EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
  expectInOrder(mainLog(), {"Log starting...", "Program Terminating Normally"});
  EXPECT_FALSE(running()) << "the name outlived the program";
}

TEST_F(ZuvoProgram, StartsAndQuitsOnAnXServer) {
  const QString xvfb = QStandardPaths::findExecutable("xvfb-run");
  if (xvfb.isEmpty()) GTEST_SKIP() << "xvfb-run is not installed";
  environment.insert("QT_QPA_PLATFORM", "xcb");
  const Outcome r = run({}, xvfb);
  EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
  expectInOrder(mainLog(), {"Log starting...", "Checking for News", "Program Terminating Normally"});
}

TEST_F(ZuvoProgram, TerminationEndsItWhileTheFirstRunPreferencesAreOpen) {
  setting("FirstRunWithDevices", true);
  auto zuvo = launch({});
  ASSERT_TRUE(zuvo::runloop::waitUntil([&] { return mainLog().contains("Opening Preferences"); }, 30, 50))
      << mainLog().join('\n').toStdString();
  // The preferences now run modally over the main window.
  zuvo::runloop::runFor(1);
  ASSERT_EQ(zuvo->state(), QProcess::Running);
  zuvo->terminate();
  EXPECT_TRUE(zuvo->waitForFinished(15000)) << "zuvo did not end";
  EXPECT_EQ(zuvo->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(zuvo->exitCode(), 0) << zuvo->readAllStandardError().toStdString();
  const QStringList main = mainLog();
  EXPECT_EQ(main.last(), "Program Terminating Normally");
  EXPECT_EQ(main.count("Program Terminating Normally"), 1);
  EXPECT_FALSE(main.contains("Checking for News")) << "start-up went on after the quit";
}

// The desktop entry, installed as the build installs it: valid, starting zuvo with the
// chosen files, with its icon beside it, for the video files zuvo takes.
TEST(ZuvoDesktopEntry, IsValidAndOpensTheVideoFilesZuvoTakes) {
  const QString prefix = freshFolder("installed");
  const auto install = zuvo::test::runCommand("cmake", {"--install", qEnvironmentVariable("ZUVO_BUILD_DIR"),
                                                        "--prefix", prefix, "--component", "desktop"});
  ASSERT_EQ(install.exitCode, 0) << install.output.toStdString();
  const QString entry = prefix + "/share/applications/zuvo.desktop";
  ASSERT_TRUE(QFileInfo::exists(entry));
  const auto validated = zuvo::test::runCommand("desktop-file-validate", {entry});
  EXPECT_EQ(validated.exitCode, 0) << validated.output.toStdString();
  EXPECT_TRUE(validated.output.trimmed().isEmpty()) << validated.output.toStdString();

  QMap<QString, QString> keys;
  for (const QString& line : QString::fromUtf8(readFile(entry)).split('\n')) {
    const qsizetype equals = line.indexOf('=');
    if (equals > 0) keys.insert(line.left(equals), line.mid(equals + 1));
  }
  EXPECT_EQ(keys["Exec"], "zuvo %F");
  EXPECT_EQ(keys["Type"], "Application");
  const QImage icon(prefix + "/share/icons/hicolor/256x256/apps/" + keys["Icon"] + ".png");
  EXPECT_EQ(icon.size(), QSize(256, 256));

  // Each type it claims is one whose files zuvo adds, and the common video files are claimed.
  const QStringList types = keys["MimeType"].split(';', Qt::SkipEmptyParts);
  const QMimeDatabase mime;
  for (const QString& type : types) {
    const QStringList suffixes = mime.mimeTypeForName(type).suffixes();
    EXPECT_TRUE(std::any_of(suffixes.begin(), suffixes.end(),
                            [](const QString& suffix) { return zuvo::IsVideoFile("video." + suffix); }))
        << type.toStdString() << " holds no file zuvo takes";
  }
  for (const char* extension : {"mkv", "mp4", "m4v", "avi", "mov", "mpg", "wmv", "m2ts", "flv", "3gp"}) {
    const QMimeType type =
        mime.mimeTypeForFile(QStringLiteral("video.") + extension, QMimeDatabase::MatchExtension);
    EXPECT_TRUE(std::any_of(types.begin(), types.end(), [&](const QString& t) { return type.inherits(t); }))
        << extension << " (" << type.name().toStdString() << ") is not opened with zuvo";
  }
}

TEST_F(ZuvoProgram, AVideoWhoseNameIsNotUTF8IsNamedToTheUserNotSkippedInSilence) {
  const QString watched = home + "/Recordings";
  QDir().mkpath(watched);
  const QString good = watched + "/Good Show S01E01.mkv";
  zuvo::test::makeTestVideo(good, 1, 160, 120);
  // Names holding bytes that are no UTF-8: a Latin-1 letter in the watched folder, a stray
  // pair in the one opened from the command line.
  const QByteArray scanned = QFile::encodeName(watched) + "/Caf\xe9 S01E02.mkv";
  const QByteArray opened = QFile::encodeName(home) + "/\xff\xfe S01E03.mkv";
  for (const QByteArray& name : {scanned, opened})
    ASSERT_EQ(::link(QFile::encodeName(good).constData(), name.constData()), 0);

  zuvo::Defaults& defaults = watchFolder(home, watched);
  defaults.setBool(true, "CheckVideoSourcesOnStartUp");
  defaults.synchronize();
  // The opened name goes on the command line as its bytes, as a file manager passes it.
  const QString launcher = writeFile(home + "/launch", "#!/bin/sh\nshift\nexec \"$@\" '" + opened + "'\n");
  QFile::setPermissions(launcher, QFile::permissions(launcher) | QFileDevice::ExeOwner);

  const Outcome r = run({}, launcher);
  EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
  for (const QByteArray& name : {scanned, opened}) {
    const QString told =
        QFile::decodeName(name) +
        " cannot be added to Zuvo: its name is not valid UTF-8. Rename it, then add it again.";
    EXPECT_TRUE(r.errors.contains("alert: " + told)) << r.errors.toStdString();
    EXPECT_TRUE(userLog().contains(told)) << userLog().join('\n').toStdString();
  }
  EXPECT_TRUE(mainLog().contains("[GREEN]Found new file " + good)) << mainLog().join('\n').toStdString();
}

TEST_F(ZuvoProgram, AnEndlessNewsAnswerIsCutOffAtItsLimitAndNotKept) {
  zuvo::test::StreamingHttpServer server;
  ASSERT_TRUE(server.running());
  environment.insert("ZUVO_NEWS_URL", server.url("/endless"));
  const Outcome r = run();
  EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
  const QStringList main = mainLog();
  EXPECT_EQ(main.filter("larger than 1048576 bytes").size(), 1) << main.join('\n').toStdString();
  expectInOrder(main, {"Checking for News", "Program Terminating Normally"});
  EXPECT_FALSE(main.contains("[BLUE]New News!"));
  EXPECT_EQ(QDir(home + "/.cache/org.zuvo.Zuvo").entryList(QDir::Files | QDir::Hidden), QStringList());
  // The page went to a file as it came, never whole into memory.
  rusage children{};
  ASSERT_EQ(::getrusage(RUSAGE_CHILDREN, &children), 0);
  EXPECT_LT(children.ru_maxrss, 400 * 1024) << "kilobytes";
}

namespace {

// Settings written as the program keeps them, for a run that scans `watched` on every tick.
void watchOnEveryTick(const QString& home, const QString& watched) {
  zuvo::Defaults& defaults = watchFolder(home, watched);
  defaults.setBool(true, "ScanVideoSourcesEveryMinutes");
  defaults.setInteger(0, "AutomateEveryMinutes");
  defaults.synchronize();
}

void ageFile(const QString& path) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  ASSERT_TRUE(
      file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
}

}  // namespace

TEST_F(ZuvoProgram, ARecordingPackageGivenWithATrailingSlashIsAddedAsTheRecording) {
  const QString folder = freshFolder("packages");
  const QString package = folder + "/Some Show - The Pilot.eyetv";
  QDir().mkpath(package);
  writeFile(package + "/000000001.mpg", "recording");
  // As shell completion writes it, relative to the folder the program is started in.
  QProcess process;
  process.setProcessEnvironment(environment);
  process.setWorkingDirectory(folder);
  process.start(program(), {"Some Show - The Pilot.eyetv/"});
  ASSERT_TRUE(process.waitForFinished(60000));
  EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
  const QStringList main = mainLog();
  EXPECT_TRUE(main.contains("[GREEN]Found new file " + package)) << main.join('\n').toStdString();
  for (const QString& line : main)
    EXPECT_FALSE(line.contains("Found new file " + package + "/")) << line.toStdString();
}

TEST_F(ZuvoProgram, AQuitDuringAScanOfAThousandVideosEndsAtOnceAndAddsNothingAfter) {
  const QString watched = home + "/Recordings";
  QDir().mkpath(watched);
  for (int i = 1; i <= 1000; ++i) ageFile(writeFile(QString("%1/Clip %2.mkv").arg(watched).arg(i), "x"));
  watchOnEveryTick(home, watched);
  // The one run on the program's own 10-second tick: its first tick starts the scan.
  environment.remove(kTickVariable);

  auto zuvo = launch({});
  ASSERT_TRUE(
      zuvo::runloop::waitUntil([&] { return mainLog().contains("[BLUE]Checking Video Sources"); }, 60, 20))
      << mainLog().join('\n').toStdString();
  QElapsedTimer took;
  took.start();
  const Outcome r = end(*zuvo);
  EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
  EXPECT_LT(took.elapsed(), 20000) << "the quit waited for the scan";
  const QStringList main = mainLog();
  const qsizetype quit = main.indexOf("Quit button pressed");
  ASSERT_GE(quit, 0);
  EXPECT_TRUE(main.mid(quit).filter("Found new file").isEmpty()) << "added after the quit";
  // Probes under way may still log their end in the moment the program gives them.
  EXPECT_EQ(main.count("Program Terminating Normally"), 1);
}

TEST_F(ZuvoProgram, AnUnreadableNameInAWatchedFolderHoldsNeitherTheTimerNorTheConversions) {
  const QString watched = home + "/Recordings";
  QDir().mkpath(watched);
  const QString good = watched + "/Good Show S01E01.mkv";
  zuvo::test::makeTestVideo(good, 1, 160, 120);
  ageFile(good);
  const QByteArray latin1 = QFile::encodeName(watched) + "/Caf\xe9 S01E02.mkv";
  ASSERT_EQ(::link(QFile::encodeName(good).constData(), latin1.constData()), 0);
  watchOnEveryTick(home, watched);
  setting("AutomaticallyConvertAllFiles", true);
  setting("VideoSourcesFileAction", 0);

  // Nobody answers an alert here: a modal one would stop everything at the first scan.
  auto zuvo = launch({});
  const bool started = zuvo::runloop::waitUntil(
      [&] { return mainLog().contains("Starting conversion thread for : " + good); }, 120, 250);
  const bool scannedOn = zuvo::runloop::waitUntil(
      [&] { return mainLog().filter("[BLUE]Doing Timed Scan of Video Sources at").size() >= 3; }, 60, 250);
  const Outcome r = end(*zuvo);
  EXPECT_TRUE(started) << mainLog().join('\n').toStdString();
  EXPECT_TRUE(scannedOn) << "the timer stopped";
  EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
  const QString told = QFile::decodeName(latin1) +
                       " cannot be added to Zuvo: its name is not valid UTF-8. Rename it, then add it again.";
  EXPECT_EQ(userLog().count(told), 1) << "told once, not at every scan";
}

TEST_F(ZuvoProgramOnABus, OnlyFilesAndFoldersAreTakenFromALaterLaunch) {
  const QString folder = freshFolder("handed-kinds");
  const QString file = folder + "/Some Show S01E02.mkv";
  const QString inFolder = folder + "/season/Some Show S01E03.mkv";
  zuvo::test::makeTestVideo(file, 1, 160, 120);
  QDir().mkpath(folder + "/season");
  ASSERT_TRUE(QFile::copy(file, inFolder));
  const QString fifo = folder + "/pipe.mkv";
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

  auto zuvo = launch({});
  ASSERT_TRUE(zuvo::runloop::waitUntil(running, 20, 20)) << "the first launch did not claim its name";
  for (const bool service : {true, false}) {
    QStringList arguments{fifo, "/dev/zero", folder + "/season", file};
    if (service) arguments.prepend("--service");
    const Outcome later = run(arguments);
    EXPECT_EQ(later.exitCode, 0) << later.errors.toStdString();
  }
  EXPECT_TRUE(
      zuvo::runloop::waitUntil([&] { return mainLog().filter("completed lookup").size() == 2; }, 30, 100))
      << mainLog().join('\n').toStdString();
  QElapsedTimer took;
  took.start();
  const Outcome r = end(*zuvo);
  EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
  EXPECT_LT(took.elapsed(), 15000);
  const QStringList main = mainLog();
  for (const QString& refused : {fifo, QString("/dev/zero")})
    EXPECT_EQ(userLog().count(refused + " is neither a readable file nor a folder, not added to Zuvo"), 2)
        << userLog().join('\n').toStdString();
  EXPECT_EQ(main.filter("[GREEN]Found new file").size(), 2) << main.join('\n').toStdString();
  const QList<zuvo::MediaFilePtr> saved = savedFiles();
  EXPECT_EQ(saved.size(), 2);
}

TEST_F(ZuvoProgram, APathThatStartsWithAHyphenIsOpenedNotDropped) {
  const QString folder = freshFolder("hyphen");
  const QString video = folder + "/-leading hyphen.mkv";
  zuvo::test::makeTestVideo(video, 1, 160, 120);
  workingDirectory = folder;
  const struct {
    const char* name;
    QStringList arguments;
    bool qtPlatform;  // the platform given as Qt's own option, not in the environment
  } cases[] = {
      {"an existing path", {"-leading hyphen.mkv"}, false},
      {"after --", {"--", "-leading hyphen.mkv"}, false},
      // Qt's own options are still Qt's: without it there is no display to start on.
      {"after Qt's own option", {"-platform", "offscreen", "-leading hyphen.mkv"}, true},
  };
  environment.remove("DISPLAY");
  environment.remove("WAYLAND_DISPLAY");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(support()).removeRecursively();
    if (c.qtPlatform)
      environment.remove("QT_QPA_PLATFORM");
    else
      environment.insert("QT_QPA_PLATFORM", "offscreen");
    auto zuvo = launch(c.arguments);
    EXPECT_TRUE(waitForProbes({"-leading hyphen.mkv"})) << mainLog().join('\n').toStdString();
    const Outcome r = end(*zuvo);
    EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_TRUE(userLog().contains("Adding new file " + video)) << userLog().join('\n').toStdString();
    for (const QString& line : mainLog() + userLog())
      EXPECT_FALSE(line.contains(folder + "/offscreen") || line.contains(folder + "/-platform") ||
                   line.contains(folder + "/--"))
          << line.toStdString();
    EXPECT_EQ(savedFiles().size(), 1);
  }
}

namespace {

// The lock of the profile in `support`, taken by this process: its descriptor, or -1 when
// someone else holds it.
int lockProfile(const QString& support) {
  QDir().mkpath(support);
  const int fd =
      ::open(QFile::encodeName(support + "/zuvo.lock").constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
  ::close(fd);
  return -1;
}

}  // namespace

// Off any session bus (the fixture's address leads nowhere), as on a headless or minimal desktop.
TEST_F(ZuvoProgram, WithoutABusTwoLaunchesAtOnceMakeOneZuvoThatTakesBothPaths) {
  const QString folder = freshFolder("two-at-once");
  const QString first = folder + "/Some Show S01E02.mkv";
  const QString second = folder + "/Some Show S01E03.mkv";
  zuvo::test::makeTestVideo(first, 1, 160, 120);
  ASSERT_TRUE(QFile::copy(first, second));

  auto one = launch({first});
  auto other = launch({second});
  // One of them hands its path over and ends; the other runs on.
  ASSERT_TRUE(zuvo::runloop::waitUntil(
      [&] { return one->state() == QProcess::NotRunning || other->state() == QProcess::NotRunning; }, 30,
      20));
  QProcess& handedOver = one->state() == QProcess::NotRunning ? *one : *other;
  QProcess& running = &handedOver == one.get() ? *other : *one;
  EXPECT_EQ(handedOver.exitCode(), 0) << handedOver.readAllStandardError().toStdString();
  EXPECT_EQ(running.state(), QProcess::Running);

  EXPECT_TRUE(waitForProbes({"Some Show S01E02.mkv", "Some Show S01E03.mkv"}))
      << mainLog().join('\n').toStdString();
  // A later launch hands over to it too.
  const QString third = folder + "/Some Show S01E04.mkv";
  ASSERT_TRUE(QFile::copy(first, third));
  const Outcome later = run({third});
  EXPECT_EQ(later.exitCode, 0) << later.errors.toStdString();
  EXPECT_TRUE(waitForProbes({"Some Show S01E04.mkv"})) << mainLog().join('\n').toStdString();
  const Outcome r = end(running);
  EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();

  const QStringList main = mainLog();
  EXPECT_EQ(main.count("Log starting..."), 1) << "a second Zuvo ran on the same profile";
  EXPECT_EQ(main.count("Program Terminating Normally"), 1);
  EXPECT_EQ(savedFiles().size(), 3);
}

TEST_F(ZuvoProgram, WithoutABusALockLeftByAZuvoThatDiedHoldsNothing) {
  auto crashed = launch({});
  ASSERT_TRUE(zuvo::runloop::waitUntil([&] { return mainLog().contains("Log starting..."); }, 20, 20));
  crashed->kill();
  ASSERT_TRUE(crashed->waitForFinished(10000));
  ASSERT_TRUE(QFileInfo::exists(support() + "/zuvo.lock"));

  const Outcome r = run();
  EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
  // It ran itself to its end.
  EXPECT_FALSE(r.errors.contains("Zuvo is already running")) << r.errors.toStdString();
  EXPECT_TRUE(mainLog().contains("Checking for News")) << mainLog().join('\n').toStdString();
  EXPECT_EQ(mainLog().last(), "Program Terminating Normally");
}

TEST_F(ZuvoProgram, WithoutABusAProfileHeldByAZuvoThatDoesNotAnswerIsToldAsRunning) {
  const int held = lockProfile(support());
  ASSERT_GE(held, 0);
  const Outcome r = run({});
  ::close(held);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.errors.contains("Zuvo is already running")) << r.errors.toStdString();
  EXPECT_FALSE(mainLog().contains("Log starting..."));
}
