// The media library's programs, run as the converter and the probe run them, on files made
// here and tagged by the converter's own tag writer.
#include "tools/library/MediaLibrary.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <iostream>

#include "LibraryTestSupport.h"
#include "media/MediaValues.h"
#include "platform/Paths.h"
#include "platform/ToolProcess.h"
#include "support/TestSupport.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

struct ProgramRun {
  int exitCode = -1;
  QString output;
};

// One of the library's programs with its handler name and arguments, the library at `library`
// (or at its default place when empty).
ProgramRun runProgram(const QString& program, const QStringList& arguments, const QString& library) {
  ToolProcess process;
  QMap<QString, QString> environment;
  if (!library.isEmpty()) environment[library::kLocationVariable] = library;
  ProgramRun run;
  EXPECT_TRUE(process.start({paths::toolPath(program), arguments, {}, environment})) << program.toStdString();
  QByteArray output;
  while (!process.atEnd()) output += process.read(1000);
  run.exitCode = process.waitForExit();
  run.output = QString::fromUtf8(output).trimmed();
  return run;
}

ProgramRun import(const QString& library, const QString& file, const QString& description,
                  const QString& mediaType = {}) {
  QStringList arguments{"importmovie", file, description};
  if (!mediaType.isEmpty()) arguments << mediaType;
  return runProgram("ImportMovie", arguments, library);
}
ProgramRun episodeCheck(const QString& library, const QString& series, int season, int episode) {
  return runProgram("TVShowExists2",
                    {"tvshowexists2", series, QString::number(season), QString::number(episode)}, library);
}
ProgramRun movieCheck(const QString& library, const QString& title) {
  return runProgram("MovieExists2", {"movieexists", title}, library);
}

}  // namespace

TEST(MediaLibrary, ImportPlacesEachKindWhereMediaServersLookAndIndexesIt) {
  const QString work = freshFolder("work");
  const MediaFilePtr episode = libraryEpisode("Doctor Who", 3, 7);
  const MediaFilePtr movie = libraryMovie("Brazil");
  const MediaFilePtr homeMovie = libraryMovie("Birthday", MediaType::HomeMovie);
  struct Case {
    MediaFilePtr media;
    QString mediaType;  // as the converter passes it; empty: the file's tags decide
    QString placed;     // under the library
    QString kind, title;
  } cases[] = {
      {episode, "0", "TV Shows/Doctor Who/Season 3/out.m4v", "TV Show", "The Pilot"},
      {movie, "1", "Movies/out.m4v", "Movie", "Brazil"},
      {homeMovie, "2", "Home Videos/out.m4v", "Home Video", "Birthday"},
      {episode, "", "TV Shows/Doctor Who/Season 3/out.m4v", "TV Show", "The Pilot"},
      {movie, "", "Movies/out.m4v", "Movie", "Brazil"},
      {nullptr, "", "Home Videos/out.m4v", "Home Video", "out"},  // untagged
  };
  for (const Case& c : cases) {
    const QString library = freshFolder("library");
    const QString file = taggedVideo(work, "out.m4v", c.media);
    const ProgramRun run = import(library, file, "Said \"hi\"\nthen left ü", c.mediaType);
    const QString where = c.placed + " with media type '" + c.mediaType + "'";
    ASSERT_EQ(run.exitCode, 0) << where.toStdString() << run.output.toStdString();
    EXPECT_EQ(run.output, library + "/" + c.placed);
    EXPECT_EQ(readFile(library + "/" + c.placed), readFile(file)) << where.toStdString();
    EXPECT_TRUE(QFileInfo::exists(file)) << "the converter's file stays where it was";
    const QJsonArray items = libraryItems(library);
    ASSERT_EQ(items.size(), 1) << where.toStdString();
    const QJsonObject item = items[0].toObject();
    EXPECT_EQ(item["kind"].toString(), c.kind) << where.toStdString();
    EXPECT_EQ(item["path"].toString(), c.placed);
    EXPECT_EQ(item["title"].toString(), c.title) << where.toStdString();
    EXPECT_EQ(item["description"].toString(), "Said \"hi\"\nthen left ü");
    if (c.kind == "TV Show") {
      EXPECT_EQ(item["series"].toString(), "Doctor Who");
      EXPECT_EQ(item["season"].toInt(), 3);
      EXPECT_EQ(item["episode"].toInt(), 7);
    }
  }
}

TEST(MediaLibrary, TheLibraryLivesInTheVideosFolderUnlessTheVariableMovesIt) {
  const QString file = taggedVideo(freshFolder("work"), "Brazil.m4v", nullptr);
  const ProgramRun run = import(QString(), file, "", "1");
  ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
  EXPECT_EQ(run.output, testHome() + "/Videos/Zuvo Library/Movies/Brazil.m4v");
  QDir(testHome() + "/Videos").removeRecursively();
}

TEST(MediaLibrary, SeriesNamesFromDownloadedTextStayOneFolderInsideTheLibrary) {
  const QString work = freshFolder("work");
  const struct {
    QString series;
    QString folder;
  } cases[] = {{"../../escaped", "escaped"}, {"Face/Off", "FaceOff"}, {"..", "Unknown Series"},
               {".hack//SIGN", "hackSIGN"},  {"", "Unknown Series"},  {"Line\nbreak", "Linebreak"},
               {"Ça: va", "Ça va"}};
  for (const auto& c : cases) {
    const QString library = freshFolder("library");
    const MediaFilePtr media = libraryEpisode(c.series, 1, 2);
    const ProgramRun run = import(library, taggedVideo(work, "e.m4v", media), "", "0");
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_EQ(run.output, library + "/TV Shows/" + c.folder + "/Season 1/e.m4v") << c.series.toStdString();
    EXPECT_EQ(QDir(library + "/TV Shows").entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList{c.folder});
    // The check still knows the series by its own name.
    EXPECT_EQ(episodeCheck(library, c.series, 1, 2).output, "1") << c.series.toStdString();
  }
}

TEST(MediaLibrary, ASecondImportOfOneNameIsKeptBesideTheFirst) {
  const QString library = freshFolder("library");
  const MediaFilePtr movie = libraryMovie("Brazil");
  const QString file = taggedVideo(freshFolder("work"), "Brazil.m4v", movie);
  ASSERT_EQ(import(library, file, "", "1").exitCode, 0);
  const ProgramRun second = import(library, file, "", "1");
  ASSERT_EQ(second.exitCode, 0) << second.output.toStdString();
  EXPECT_EQ(second.output, library + "/Movies/Brazil 1.m4v");
  EXPECT_EQ(libraryItems(library).size(), 2);
}

TEST(MediaLibrary, DuplicateChecksAnswerFromTheIndex) {
  const QString library = freshFolder("library");
  const QString work = freshFolder("work");
  const MediaFilePtr episode = libraryEpisode("Doctor Who", 3, 7);
  const MediaFilePtr movie = libraryMovie("Brazil");
  ASSERT_EQ(import(library, taggedVideo(work, "e.m4v", episode), "", "0").exitCode, 0);
  ASSERT_EQ(import(library, taggedVideo(work, "m.m4v", movie), "", "1").exitCode, 0);

  const struct {
    QString series;
    int season, episode;
    QString answer;
  } episodes[] = {{"Doctor Who", 3, 7, "1"},
                  {"doctor who ", 3, 7, "1"},
                  {"Doctor Who", 3, 8, "0"},
                  {"Doctor Who", 2, 7, "0"},
                  {"Brazil", 3, 7, "0"}};
  for (const auto& c : episodes) {
    const ProgramRun run = episodeCheck(library, c.series, c.season, c.episode);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, c.answer) << c.series.toStdString() << " " << c.season << "x" << c.episode;
  }
  const struct {
    QString title, answer;
  } movies[] = {{"Brazil", "1"}, {"BRAZIL", "1"}, {"Brazi", "0"}, {"The Pilot", "0"}};
  for (const auto& c : movies)
    EXPECT_EQ(movieCheck(library, c.title).output, c.answer) << c.title.toStdString();

  // What left the library is no longer in it.
  ASSERT_TRUE(QFile::remove(library + "/Movies/m.m4v"));
  EXPECT_EQ(movieCheck(library, "Brazil").output, "0");
  // A library that has never imported anything holds nothing.
  EXPECT_EQ(movieCheck(freshFolder("empty"), "Brazil").output, "0");
  EXPECT_EQ(episodeCheck(freshFolder("empty"), "Doctor Who", 3, 7).output, "0");
}

TEST(MediaLibrary, AnUnreadableIndexFailsTheChecksAndIsSetAsideByTheNextImport) {
  const QString library = freshFolder("library");
  const QString index = writeFile(library + "/" + library::kIndexFileName, "{\"items\": [ {\"kind\": ");
  for (const ProgramRun& run : {episodeCheck(library, "Doctor Who", 3, 7), movieCheck(library, "Brazil")}) {
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.output.contains("damaged")) << run.output.toStdString();
  }
  const MediaFilePtr movie = libraryMovie("Brazil");
  const ProgramRun run = import(library, taggedVideo(freshFolder("work"), "m.m4v", movie), "", "1");
  ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
  EXPECT_EQ(libraryItems(library).size(), 1);
  const QStringList aside =
      QDir(library).entryList({QString(library::kIndexFileName) + ".damaged-*"}, QDir::Files | QDir::Hidden);
  ASSERT_EQ(aside.size(), 1);
  EXPECT_EQ(readFile(library + "/" + aside[0]), "{\"items\": [ {\"kind\": ");
  EXPECT_EQ(movieCheck(library, "Brazil").output, "1");
}

TEST(MediaLibrary, AFailedImportSaysSoAndLeavesNothingBehind) {
  const QString work = freshFolder("work");
  const MediaFilePtr movie = libraryMovie("Brazil");
  const QString good = taggedVideo(work, "m.m4v", movie);
  const QString notMp4 = writeFile(work + "/notes.m4v", "not a movie at all");

  const QString library = freshFolder("library");
  for (const QString& file : {work + "/missing.m4v", notMp4}) {
    const ProgramRun run = import(library, file, "", "1");
    EXPECT_EQ(run.exitCode, 1) << file.toStdString();
    EXPECT_FALSE(run.output.isEmpty());
  }
  EXPECT_FALSE(QFileInfo::exists(library + "/" + library::kIndexFileName));

  // The library cannot be written: a file stands where its folder would be.
  const QString blocked = writeFile(freshFolder("blocked") + "/library", "x");
  EXPECT_EQ(import(blocked, good, "", "1").exitCode, 1);

  // The copy lands but the index cannot be replaced: the copy goes again.
  const QString readOnly = freshFolder("readonly");
  QDir().mkpath(readOnly + "/Movies");
  QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner);
  if (::geteuid() != 0) {  // permissions do not hold back root
    EXPECT_EQ(import(readOnly, good, "", "1").exitCode, 1);
    EXPECT_FALSE(QFileInfo::exists(readOnly + "/Movies/m.m4v"));
  }
  QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

namespace {

// Every file under `folder`, hidden ones too.
QStringList filesIn(const QString& folder) {
  QStringList files;
  QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
  while (it.hasNext()) files << it.next().mid(folder.size() + 1);
  files.sort();
  return files;
}

}  // namespace

TEST(MediaLibrary, AMovingImportIsARenameOnOneFileSystemAndAFlushedCopyAcrossThem) {
  SmallTmpfs tmpfs("tmpfs library", 8192);
  const struct {
    const char* what;
    QString library;
    bool sameFileSystem;
  } cases[] = {{"one file system", freshFolder("same library"), true},
               {"a tmpfs library", tmpfs.mounted() ? tmpfs.path() : QString(), false}};
  const QString work = freshFolder("work");
  for (const auto& c : cases) {
    if (c.library.isEmpty()) {
      std::cerr << "skipping " << c.what << ": " << tmpfs.why().toStdString() << "\n";
      continue;
    }
    SCOPED_TRACE(c.what);
    const QString file = taggedVideo(work, "Brazil.m4v", libraryMovie("Brazil"));
    const QByteArray bytes = readFile(file);
    const quint64 inode = inodeOf(file);
    const ProgramRun run = runProgram("ImportMovie", {"importmovie", file, "", "1", "move"}, c.library);
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_EQ(run.output, c.library + "/Movies/Brazil.m4v");
    EXPECT_FALSE(QFileInfo::exists(file)) << "the library took the file itself";
    EXPECT_EQ(readFile(run.output), bytes);
    // No media byte is written when the file only changes its folder.
    EXPECT_EQ(inodeOf(run.output) == inode, c.sameFileSystem);
    EXPECT_EQ(filesIn(c.library), QStringList({".zuvo-library.json", "Movies/Brazil.m4v"}));
    ASSERT_EQ(libraryItems(c.library).size(), 1);
  }
}

TEST(MediaLibrary, AMovingImportIntoAFullLibraryKeepsTheFileAndLeavesNoPartOfIt) {
  SmallTmpfs full("full library", 16);
  if (!full.mounted()) GTEST_SKIP() << full.why().toStdString();
  const QString work = freshFolder("work");
  const QString file = taggedVideo(work, "Brazil.m4v", libraryMovie("Brazil"));
  const QByteArray bytes = readFile(file);
  ASSERT_GT(bytes.size(), 16 * 1024) << "the video must not fit";
  const ProgramRun run = runProgram("ImportMovie", {"importmovie", file, "", "1", "move"}, full.path());
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.output.contains("No space left on device")) << run.output.toStdString();
  EXPECT_EQ(readFile(file), bytes);
  EXPECT_TRUE(filesIn(full.path()).isEmpty()) << filesIn(full.path()).join(", ").toStdString();
}

TEST(MediaLibrary, ACallItDoesNotUnderstandIsRefused) {
  const QString library = freshFolder("library");
  const struct {
    QString program;
    QStringList arguments;
  } cases[] = {{"ImportMovie", {"importmovie", "/x.m4v"}},
               {"ImportMovie", {"ImportMovie", "/x.m4v", ""}},
               {"ImportMovie", {"importmovie", "/x.m4v", "", "7"}},
               {"ImportMovie", {"importmovie", "/x.m4v", "", "1", "copy"}},
               {"ImportMovie", {"importmovie", "/x.m4v", "", "1", "move", "more"}},
               {"TVShowExists2", {"tvshowexists2", "Doctor Who", "three", "7"}},
               {"TVShowExists2", {"movieexists", "Brazil"}},
               {"MovieExists2", {"movieexists"}}};
  for (const auto& c : cases) {
    const ProgramRun run = runProgram(c.program, c.arguments, library);
    EXPECT_EQ(run.exitCode, 2) << c.program.toStdString() << " " << c.arguments.join(' ').toStdString();
  }
}
