#include "convert/runners/ToolArguments.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include "convert/runners/ToolResources.h"
#include "convert/runners/ToolRunners.h"
#include "convert/support/FakeTool.h"
#include "platform/Paths.h"
#include "support/TestSupport.h"

using namespace zuvo;

TEST(ToolArguments, EveryValueStaysTheArgumentItsPlaceholderStandsIn) {
  struct Case {
    const char* name;
    QString templateText;
    QStringList values;
    QStringList arguments;
  } cases[] = {
      {"plain template", " -y -v 5  -threads 2 -f mp4 ", {}, {"-y", "-v", "5", "-threads", "2", "-f", "mp4"}},
      {"quoted path with spaces", " -i \"%@\" ", {"/a b/c d.mkv"}, {"-i", "/a b/c d.mkv"}},
      {"quote in a path",
       " -i \"%@\" -f mp4",
       {"/x/Say \"Hi\".mkv"},
       {"-i", "/x/Say \"Hi\".mkv", "-f", "mp4"}},
      {"line break in a name", "\"%@/%@%@\"", {"/w", "Show\n-y", ".m4v"}, {"/w/Show\n-y.m4v"}},
      {"downloaded name that looks like options",
       " -o \"%@/%@%@\" -v ",
       {"/w", "\" -rf \"x", ".mp4"},
       {"-o", "/w/\" -rf \"x.mp4", "-v"}},
      {"bare value with a leading hyphen", " -ttxt %@", {"-subtitle0.sub"}, {"-ttxt", "./-subtitle0.sub"}},
      {"value starting an argument with a hyphen",
       " -add %@:name=Stereo:lang=\"%@\":group=1%@ \"%@/%@\"",
       {"-audio0ff.mp4", "-x", ":delay=250", "-w", "-Show.m4v"},
       {"-add", "./-audio0ff.mp4:name=Stereo:lang=-x:group=1:delay=250", "./-w/-Show.m4v"}},
      {"placeholder text in a value is not filled",
       " -i \"%@\" \"%@\"",
       {"/a/%@.mkv", "/b.mp4"},
       {"-i", "/a/%@.mkv", "/b.mp4"}},
      {"empty path stays one argument", " -i \"%@\" -y", {""}, {"-i", "", "-y"}},
      {"missing value leaves the placeholder empty", " -i \"%@\" \"%@\"", {"/a.mkv"}, {"-i", "/a.mkv", ""}},
      {"appended part joins its own arguments",
       " +\"%@/intermediate1.mkv\" ",
       {"/w d"},
       {"+/w d/intermediate1.mkv"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ToolArguments(c.templateText, c.values).list(), c.arguments) << c.name;
}

TEST(ToolArguments, PiecesAppendInOrderAndTheLogShowsTheFilledTemplate) {
  ToolArguments arguments(" -i \"%@\" ", {"/in put.mkv"});
  arguments.append(" -threads 4 -f mp4 ").append("\"%@/%@%@\"", {"/w", "Show", ".m4v"});
  EXPECT_EQ(arguments.list(),
            QStringList({"-i", "/in put.mkv", "-threads", "4", "-f", "mp4", "/w/Show.m4v"}));
  EXPECT_EQ(arguments.text(), QString(" -i \"/in put.mkv\"  -threads 4 -f mp4 \"/w/Show.m4v\""));
}

TEST(ToolArguments, HostileNamesReachTheToolAsTheyAre) {
  const QString tool =
      test::fakeTool("ffmpeg", {}, "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"$0.args\"");
  const QString source = "/videos/Say \"Hi\"\n-y.mkv";
  const QString name = "\" -rf \"x\" -f null ";
  ToolArguments arguments(" -y -v 5  -i \"%@\" ", {source});
  arguments.append(" -threads 2 -f mp4 \"%@/%@%@\"", {"work dir", name, ".m4v"})
      .append(" -ttxt %@", {"-s.sub"});
  (void)runFFMpeg(tool, arguments, test::convertingMedia(), test::freshFolder("work"), {}, nullptr);
  EXPECT_EQ(QString::fromUtf8(test::readFile(tool + ".args")),
            "[-y]\n[-v]\n[5]\n[-i]\n[" + source + "]\n[-threads]\n[2]\n[-f]\n[mp4]\n[work dir/" + name +
                ".m4v]\n[-ttxt]\n[./-s.sub]\n");
}

TEST(ToolArguments, DebiansMkvmergeJoinsFilesWithHostileNames) {
  const QString work = test::freshFolder("work dir");
  const QString source = work + "/Say \"Hi\"\n-y.mkv";
  test::makeTestVideo(source, 1, 160, 120);
  const MediaFilePtr media = test::convertingMedia();
  const BCError result =
      runMkvmerge(paths::toolPath(tools::kMkvmerge),
                  ToolArguments("-o \"%@\"  \"%@\" ", {"-out \"q\".mkv", source}), media, work, {}, nullptr);
  EXPECT_FALSE(result.Error()) << result.Description().toStdString();
  EXPECT_TRUE(QFileInfo(work + "/-out \"q\".mkv").size() > 1000) << "the output is missing";
  EXPECT_EQ(media->progress(), 100) << "mkvmerge's own progress lines were not read";
}
