// The helper program as the application starts it: the built program, alone or with the
// test framework plug-in beside it, on movies made here.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include "Helper264Install.h"
#include "helper264/ExportProgress.h"
#include "helper264/HelperOptions.h"
#include "helper264/PresetFix.h"
#include "media/HelperInfo.h"
#include "media/MediaTestSupport.h"
#include "platform/Paths.h"
#include "support/TestSupport.h"

using namespace zuvo;
using namespace zuvo::helper264;

namespace {

struct FrameworkClaims {
  explicit FrameworkClaims(const QByteArray& claims) { qputenv("ZUVO_FAKE_TURBO", claims); }
  ~FrameworkClaims() { qunsetenv("ZUVO_FAKE_TURBO"); }
};

// The helper's lines without their time stamp and process prefix.
QStringList helperLines(const QString& folder, const QStringList& arguments, int* exitCode = nullptr) {
  const test::CommandResult r = test::runCommand(folder + "/Zuvo264Helper", arguments);
  if (exitCode) *exitCode = r.exitCode;
  static const QRegularExpression prefix(
      R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} Zuvo264Helper\[\d+:\d+\] )");
  QStringList lines;
  for (const QString& line : QString::fromUtf8(r.output).split('\n', Qt::SkipEmptyParts)) {
    EXPECT_TRUE(prefix.match(line).hasMatch()) << line.toStdString();
    lines << QString(line).remove(prefix);
  }
  return lines;
}

QStringList streamTypes(const QString& path) {
  const test::CommandResult r =
      test::runCommand("ffprobe", {"-v", "error", "-show_streams", "-of", "json", path});
  QStringList types;
  for (const QJsonValue& s : QJsonDocument::fromJson(r.output).object()["streams"].toArray())
    types << s.toObject()["codec_type"].toString();
  return types;
}

// Video and two sound tracks, as a rewrapped source with a second language.
QString movieWithTwoSoundTracks() {
  const QString path = test::freshFolder("movie") + "/Movie Turbo.m4v";
  test::makeMedia(path, {"-f",   "lavfi", "-i",   "testsrc=d=2:s=160x120:r=25",
                         "-f",   "lavfi", "-i",   "sine=d=2",
                         "-f",   "lavfi", "-i",   "sine=d=2:f=880",
                         "-map", "0",     "-map", "1",
                         "-map", "2",     "-c:v", "libx264",
                         "-c:a", "aac",   "-f",   "mp4"});
  return path;
}

}  // namespace

TEST(Helper264, WithoutTheFrameworkEveryRunSaysSoAndNothingElse) {
  const QString folder = test::installHelper264(false);
  for (const QStringList& arguments : {QStringList{"-info", "1"},
                                       QStringList{"-input", "/nonexistent.m4v", "-output", "/tmp/x.m4v",
                                                   "-preset", "2", "-keepaudio", "YES"},
                                       QStringList{}}) {
    int code = -1;
    EXPECT_EQ(helperLines(folder, arguments, &code), QStringList{"No Turbo.264 Framework Installed"});
    EXPECT_EQ(code, 0);
  }
}

TEST(Helper264, TheApplicationFindsTheBuiltHelperAndReadsNoFramework) {
  const QString helper = paths::toolPath("Zuvo264Helper");
  ASSERT_TRUE(helper.endsWith("/libexec/zuvo/Zuvo264Helper")) << helper.toStdString();
  test::CapturedLog log;
  EXPECT_EQ(run264HelperInfo(helper, test::freshFolder("check"), log.reporter), HelperInfo());
  EXPECT_TRUE(log.text().contains("Helper264Info: ")) << log.text().toStdString();
  EXPECT_TRUE(log.text().contains("No Turbo.264 Framework Installed"));
}

struct InfoCase {
  const char* id;
  QByteArray claims;
  QStringList lines;
  HelperInfo info;
};

TEST(Helper264, TheEncoderCheckAnswersWhatTheFrameworkOffers) {
  const QString folder = test::installHelper264(true);
  const InfoCase cases[] = {
      {"HDDevice",
       "version=12,device=1,hd=1",
       {"Framework Version :12<<<", "Info:", "Turbo 264 Framework Is Available on version 12",
        "Turbo.264 Device is Available", "Turbo.264 HD Device is Available"},
       {true, 12, true, true}},
      {"DeviceWithoutHD",
       "version=14,device=1,hd=0",
       {"Framework Version :14<<<", "Info:", "Turbo 264 Framework Is Available on version 14",
        "Turbo.264 Device is Available", "Turbo.264 HD Device is Not Available"},
       {true, 14, true, false}},
      {"OldVersionWarnsAndGoesOn",
       "version=11,device=0,hd=none",
       {"Framework Version :11<<<",
        "Turbo.264 Framework Version 11 installed. Zuvo requires Turbo.264 Framework version 12 or higher.",
        "Info:", "Turbo 264 Framework Is Available on version 11", "Turbo.264 Device is Not Available",
        "Does not respond to selector isHDDeviceAvailable"},
       {true, 11, false, false}},
      {"NoPresets",
       "version=12,presets=none",
       {"Framework Version :12<<<", "Turbo Framework does not respond to exportPresets"},
       {false, 12, false, false}},
  };
  for (const InfoCase& c : cases) {
    FrameworkClaims claims(c.claims);
    int code = -1;
    EXPECT_EQ(helperLines(folder, {"-info", "1"}, &code), c.lines) << c.id;
    EXPECT_EQ(code, 0) << c.id;
    EXPECT_EQ(run264HelperInfo(folder + "/Zuvo264Helper", folder, {}), c.info) << c.id;
  }
}

TEST(Helper264, AnExportKeepsTheVideoAndTheFirstSoundOnlyWhenAsked) {
  const QString folder = test::installHelper264(true);
  FrameworkClaims claims("version=12");
  for (const bool keep : {false, true}) {
    const QString input = movieWithTwoSoundTracks();
    const QString output = QFileInfo(input).path() + "/Movie Out.m4v";
    const QStringList lines = helperLines(
        folder, {"-keepaudio", keep ? "YES" : "NO", "-output", output, "-input", input, "-preset", "3"});
    const QStringList tracks{"Track 0 : vide", "Track 1 : soun", "Track 2 : soun"};
    const QStringList expected = QStringList{"Framework Version :12<<<",
                                             "Version Number : 0.1",
                                             "preset arg   = 3",
                                             "input arg   = " + input,
                                             "output arg   = " + output,
                                             QString("keepaudio arg   = ") + (keep ? "YES" : "NO"),
                                             "Preset Selected : Apple TV HD",
                                             "Start Tracks"} +
                                 tracks + QStringList{"Then Tracks"} + tracks +
                                 QStringList{"Framework Version = 12 isHD = YES",
                                             "progress:1%",
                                             "progress:2%",
                                             "progress:50%",
                                             "progress:100%",
                                             "Encode Complete"};
    EXPECT_EQ(lines, expected) << keep;
    // The edit is saved into the input itself, and the export carries it.
    const QStringList kept = keep ? QStringList{"video", "audio"} : QStringList{"video"};
    EXPECT_EQ(streamTypes(input), kept) << keep;
    EXPECT_EQ(streamTypes(output), kept) << keep;
  }
}

TEST(Helper264, EveryFailedExportSaysErrorAndExitsNormally) {
  const QString folder = test::installHelper264(true);
  const QString movie = movieWithTwoSoundTracks();
  const QString garbage =
      test::writeFile(test::freshFolder("garbage") + "/broken.mp4", QByteArray(5000, '\0'));
  const QString output = test::freshFolder("out") + "/out.m4v";
  struct Case {
    const char* id;
    QByteArray claims;
    QStringList arguments;
    QStringList lastLines;
  } cases[] = {
      {"MissingInput",
       "",
       {"-input", "/nonexistent/in.m4v", "-output", output},
       {"Error opening movie : The movie contains an invalid data reference.",
        "Probable cause : Input File Not Found"}},
      {"NotAMovie",
       "",
       {"-input", garbage, "-output", output},
       {"Error opening movie : The file is not a movie file."}},
      {"PresetOutsideTheList",
       "",
       {"-input", movie, "-output", output, "-preset", "10"},
       {"Error: preset 10 is not one of the framework's 10 export presets"}},
      {"EncoderFails",
       "fail=The device was removed",
       {"-input", movie, "-output", output, "-keepaudio", "YES"},
       {"progress:1%", "progress:2%", "Error during export: The device was removed"}},
  };
  for (const Case& c : cases) {
    FrameworkClaims claims(c.claims);
    int code = -1;
    const QStringList lines = helperLines(folder, c.arguments, &code);
    EXPECT_EQ(lines.mid(lines.size() - c.lastLines.size()), c.lastLines) << c.id << "\n"
                                                                         << lines.join('\n').toStdString();
    EXPECT_EQ(code, 0) << c.id;
    EXPECT_FALSE(QFileInfo::exists(output)) << c.id;
  }
}

TEST(Helper264Parts, PercentLinesRiseByWholePercentsOnly) {
  ExportProgress progress;
  QStringList lines;
  for (double fraction : {0.0, 0.004, 0.015, 0.019, 0.025, 0.019, 0.5, 1.0, 1.0})
    if (auto line = progress.take(fraction)) lines << *line;
  EXPECT_EQ(lines, (QStringList{"progress:1%", "progress:2%", "progress:50%", "progress:100%"}));
}

TEST(Helper264Parts, OlderHDFrameworksGetTheInternalIDByteSwapped) {
  EXPECT_EQ(fixedInternalID(0x00000102, 7, true), 0x02010000);
  EXPECT_EQ(fixedInternalID(0x00000102, 1, true), 0x02010000);
  EXPECT_EQ(fixedInternalID(0x00000102, 8, true), 0x00000102);
  EXPECT_EQ(fixedInternalID(0x00000102, 0, true), 0x00000102);
  EXPECT_EQ(fixedInternalID(0x00000102, 7, false), 0x00000102);
  EXPECT_EQ(fixedInternalID(std::nullopt, 7, true), std::nullopt);
}

TEST(Helper264Parts, OptionsReadAsAnArgumentDomain) {
  const HelperOptions options(
      {"-keepaudio", "YES", "-preset", "3x", "stray", "-info", "-input", "/a b/-c.m4v"});
  EXPECT_TRUE(options.boolean("keepaudio"));
  EXPECT_EQ(options.integer("preset"), 3);
  // "-info" takes "-input" as its value, as the argument domain reads it.
  EXPECT_EQ(options.string("info"), "-input");
  EXPECT_EQ(options.integer("info"), 0);
  EXPECT_EQ(options.string("output"), std::nullopt);
  for (const char* off : {"NO", "no", "0", "", "false"})
    EXPECT_FALSE(HelperOptions({"-keepaudio", off}).boolean("keepaudio")) << off;
  for (const char* on : {"YES", "y", "true", "1", "007"})
    EXPECT_TRUE(HelperOptions({"-keepaudio", on}).boolean("keepaudio")) << on;
}
