#pragma once
// What the readers we did not write see of the chapters and the cast list of a file.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include "mp4/Mp4Fixtures.h"

namespace zuvo::test {

// One chapter as "start title", the start in milliseconds.
using ChapterLines = QStringList;

inline QString chapterLine(qint64 startMs, const QString& title) {
  return QStringLiteral("%1 %2").arg(startMs).arg(title);
}

// The chapters in ffprobe's output (the QuickTime track's when there is one).
inline ChapterLines chaptersInProbe(const QByteArray& output) {
  ChapterLines lines;
  const QString probe = QString::fromUtf8(output);
  static const QRegularExpression chapter(
      R"(\[CHAPTER\][^\[]*start_time=([0-9.]+)\n[^\[]*TAG:title=([^\n]*)\n)");
  for (auto it = chapter.globalMatch(probe); it.hasNext();) {
    const auto m = it.next();
    lines << chapterLine(qRound64(m.captured(1).toDouble() * 1000), m.captured(2));
  }
  return lines;
}

inline ChapterLines ffprobeChapters(const QString& path) { return chaptersInProbe(ffprobe(path)); }

// The chapters in mutagen's view of a file: the Nero list.
inline ChapterLines chaptersInView(const QJsonObject& view) {
  ChapterLines lines;
  for (const QJsonValue c : view["chapters"].toArray())
    lines << chapterLine(qRound64(c.toArray()[0].toDouble() * 1000), c.toArray()[1].toString());
  return lines;
}
inline ChapterLines mutagenChapters(const QString& path) { return chaptersInView(mutagenView(path)); }

// mediainfo's two menus: the QuickTime chapter track ("Timed Text") and the Nero list.
struct MediainfoMenus {
  ChapterLines quickTime;
  ChapterLines nero;
};
inline MediainfoMenus mediainfoMenus(const QString& path) {
  MediainfoMenus menus;
  static const QRegularExpression entry(R"(^(\d\d):(\d\d):(\d\d)\.(\d\d\d)\s+: (.*)$)",
                                        QRegularExpression::MultilineOption);
  for (const QString& section : QString::fromUtf8(mediainfo(path)).split(QStringLiteral("\n\n"))) {
    if (!section.startsWith(QLatin1String("Menu"))) continue;
    ChapterLines& lines =
        section.contains(QRegularExpression(R"(Format\s+: Timed Text)")) ? menus.quickTime : menus.nero;
    for (auto it = entry.globalMatch(section); it.hasNext();) {
      const auto m = it.next();
      const qint64 ms =
          ((m.captured(1).toLongLong() * 60 + m.captured(2).toLongLong()) * 60 + m.captured(3).toLongLong()) *
              1000 +
          m.captured(4).toLongLong();
      lines << chapterLine(ms, m.captured(5));
    }
  }
  return menus;
}

// Python's plistlib reading a cast-and-crew list: {key: [names]}; a parse error fails the test.
inline QJsonObject plistNames(const QByteArray& plist) {
  const QString file = writeFile(freshFolder("plist") + "/cast.plist", plist);
  const CommandResult r =
      runCommand("/usr/bin/python3", {"-c",
                                      "import json, plistlib, sys\n"
                                      "d = plistlib.load(open(sys.argv[1], 'rb'))\n"
                                      "print(json.dumps({k: [e['name'] for e in v] for k, v in d.items()}))",
                                      file});
  EXPECT_EQ(r.exitCode, 0) << r.output.toStdString() << "\n" << plist.toStdString();
  return QJsonDocument::fromJson(r.output).object();
}

inline QJsonObject namesJson(const QStringList& cast, const QStringList& directors,
                             const QStringList& producers) {
  QJsonObject o;
  if (!cast.isEmpty()) o["cast"] = QJsonArray::fromStringList(cast);
  if (!directors.isEmpty()) o["directors"] = QJsonArray::fromStringList(directors);
  o["producers"] = QJsonArray::fromStringList(producers);
  return o;
}

// The freeform text item `name` of meaning "com.apple.iTunes" as mutagen reads it.
inline QJsonArray mutagenFreeform(const QString& path, const char* name) {
  return mutagenView(path)["tags"]
      .toObject()[QStringLiteral("----:com.apple.iTunes:%1").arg(QLatin1String(name))]
      .toArray();
}

}  // namespace zuvo::test
