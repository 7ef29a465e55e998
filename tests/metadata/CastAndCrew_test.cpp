#include "metadata/CastAndCrew.h"

#include "IndependentReaders.h"
#include "TagSets.h"
#include "metadata/ExistingMP4Tags.h"
#include "metadata/SaveMP4Tags.h"

using namespace zuvo;
using namespace zuvo::test;

TEST(CastAndCrew, ThePropertyListHasTheLayoutITunesReads) {
  EXPECT_EQ(castAndCrewPropertyList("Ann, Bob", "", ""),
            QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
                       "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                       "<plist version=\"1.0\">\n<dict>\n"
                       "\t<key>cast</key>\n\t<array>\n"
                       "\t\t<dict>\n\t<key>name</key>\n\t<string>Ann</string>\n\t</dict>\n"
                       "\t\t<dict>\n\t<key>name</key>\n\t<string>Bob</string>\n\t</dict>\n"
                       "\t</array>\n"
                       "\t<key>producers</key>\n\t<array>\n"
                       "\t\t<dict>\n\t<key>name</key>\n\t<string>Unknown</string>\n\t</dict>\n"
                       "\t</array>\n"
                       "</dict>\n</plist>\n"));
}

TEST(CastAndCrew, NamesWithMarkupCharactersGiveAValidListThatReadsBackWhole) {
  const QStringList cast = {"Tom & Jerry", "<Unknown> Actor", "Conan O'Brien",   "Bob > Alice",
                            "José Ñúñez",  "日本 太郎",       "&amp; literally", "]]> end"};
  const QStringList directors = {"Dir <b>bold</b>", "A&B"};
  const QStringList producers = {"Pat 'The Producer'"};
  const QByteArray plist = castAndCrewPropertyList(cast.join(", "), directors.join(","), producers.join(","));
  EXPECT_EQ(plistNames(plist), namesJson(cast, directors, producers));
  const std::optional<CastAndCrew> back = readCastAndCrew(plist);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, (CastAndCrew{cast, directors, producers}));
}

TEST(CastAndCrew, AtMostTenNamesAreWrittenAndNoProducersIsUnknown) {
  QStringList eleven;
  for (int i = 1; i <= 11; ++i) eleven << QStringLiteral("Actor %1").arg(i);
  const struct {
    const char* label;
    QString actors, directors, producers;
    QJsonObject names;
  } cases[] = {
      {"eleven actors", eleven.join(", "), "D", "P", namesJson(eleven.mid(0, 10), {"D"}, {"P"})},
      {"eleven of each", eleven.join(","), eleven.join(","), eleven.join(","),
       namesJson(eleven.mid(0, 10), eleven.mid(0, 10), eleven.mid(0, 10))},
      {"nobody", "", "", "", namesJson({}, {}, {"Unknown"})},
      {"only directors", "", "Dee", "", namesJson({}, {"Dee"}, {"Unknown"})},
  };
  for (const auto& c : cases)
    EXPECT_EQ(plistNames(castAndCrewPropertyList(c.actors, c.directors, c.producers)), c.names) << c.label;
}

TEST(CastAndCrew, ASaveAndReadRoundTripDoesNotGrowSpaces) {
  const QString path = makeMp4({Layout::MoovFirst});
  const MediaFilePtr media = movie();
  media->setActors(" Ann ,Bob,  Cy  Young ,Dee");
  media->setDirectors("  Ed ");
  media->setProducers("Flo,Gus ");
  CapturedLog log;
  QByteArray firstList;
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    ASSERT_FALSE(saveMP4TagsInPlace(path, *media, log.reporter).Error());
    const QJsonArray stored = mutagenFreeform(path, "iTunMOVI");
    ASSERT_EQ(stored.size(), 1);
    if (round == 0) firstList = stored[0].toString().toUtf8();
    EXPECT_EQ(stored[0].toString().toUtf8(), firstList);
    ExistingMP4Tags existing;
    ASSERT_FALSE(readExistingMP4Tags(path, existing).Error());
    media->setActors(existing.castAndCrew.cast.join(", "));
    media->setDirectors(existing.castAndCrew.directors.join(", "));
    media->setProducers(existing.castAndCrew.producers.join(", "));
    EXPECT_EQ(media->actors(), "Ann, Bob, Cy  Young, Dee");
    EXPECT_EQ(media->directors(), "Ed");
    EXPECT_EQ(media->producers(), "Flo, Gus");
  }
  EXPECT_EQ(plistNames(firstList), namesJson({"Ann", "Bob", "Cy  Young", "Dee"}, {"Ed"}, {"Flo", "Gus"}));
}

TEST(CastAndCrew, ListsFromOtherWritersAreReadAndAnythingElseGivesNoNames) {
  // plistlib's own layout, with keys and values this application does not write.
  const CommandResult made = runCommand(
      "/usr/bin/python3", {"-c",
                           "import plistlib, sys\n"
                           "sys.stdout.buffer.write(plistlib.dumps({'cast': [{'name': ' Ann & Co ', 'role': "
                           "'Lead'}, {'name': 'Bö'}],"
                           " 'screenwriters': [{'name': 'Sam'}], 'studio': 'Big', 'count': 3, 'flag': True,"
                           " 'producers': [{'name': 'Pat'}, {'other': 'no name'}]}))"});
  ASSERT_EQ(made.exitCode, 0) << made.output.toStdString();
  const std::optional<CastAndCrew> names = readCastAndCrew(made.output);
  ASSERT_TRUE(names.has_value()) << made.output.toStdString();
  EXPECT_EQ(*names, (CastAndCrew{{"Ann & Co", "Bö"}, {}, {"Pat"}}));

  const QByteArray good = castAndCrewPropertyList("Ann", "Ed", "Pat");
  const struct {
    const char* label;
    QByteArray data;
  } cases[] = {
      {"empty", ""},
      {"plain text", "Ann, Ed, Pat"},
      {"cut short", good.left(good.size() - 20)},
      {"an array at the root",
       "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><string>a</string></array></plist>"},
      {"not a property list", "<html><body>cast</body></html>"},
      {"a broken entity",
       "<plist version=\"1.0\"><dict><key>cast</key><array><dict><key>name</key><string>A &bogus; B</string>"
       "</dict></array></dict></plist>"},
      {"a key without a value", "<plist version=\"1.0\"><dict><key>cast</key></dict></plist>"},
  };
  for (const auto& c : cases) EXPECT_FALSE(readCastAndCrew(c.data).has_value()) << c.label;
}
