#include "convert/subtitles/AddSubtitle.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cstdio>

#include "convert/runners/ToolRun.h"
#include "convert/runners/ToolRunners.h"
#include "convert/subtitles/ConvertASSToSub.h"
#include "media/FileHelpers.h"
#include "media/LanguageRecord.h"

namespace zuvo {
namespace {

constexpr quint32 kUTF8StringEncoding = 4;
// MP4Box writes no cue into a description smaller than this.
constexpr qint64 kSmallestDescription = 101;
constexpr QLatin1StringView kDefaultHeader(
    "<TextStreamHeader width=\"400\" height=\"60\" layer=\"0\" translation_x=\"0\" translation_y=\"0\">");
constexpr int kTextBoxHeight = 60;
constexpr int kTextBoxLift = 100;  // from the picture's bottom edge to the box's top

bool isUTF8(const BCStringEncoding& encoding) {
  const quint32 number = encoding.type == BCStringEncoding::kCocoa
                             ? encoding.number
                             : CocoaEncodingForCoreFoundation(encoding.number);
  return number == kUTF8StringEncoding;
}

// What a byte of 0x80-0x9F becomes where an encoding has no letter for it.
bool isC1Control(QChar c) { return c.unicode() >= 0x80 && c.unicode() <= 0x9F; }

QString trimLineBreaks(QString line) {
  qsizetype start = 0, end = line.size();
  while (start < end && (line[start] == u'\r' || line[start] == u'\n')) ++start;
  while (end > start && (line[end - 1] == u'\r' || line[end - 1] == u'\n')) --end;
  return line.mid(start, end - start);
}

// SubRip text with its blank lines where a reader expects them: one before each cue
// number, none elsewhere, and one at the end. A line the encoding cannot decode counts
// as blank. Every line of the file is read: blank runs never end the reading early.
QByteArray cleanedSubRip(const QByteArray& bytes, const BCStringEncoding& encoding,
                         const Reporter& reporter) {
  // A record this system cannot decode is read as the Latin-1 the log promises.
  const BCStringEncoding decoding =
      hasDecoder(encoding) ? encoding : EncodingForName(QStringLiteral("ISO Latin 1"));
  QByteArray out;
  bool blankBefore = false;
  QList<QByteArray> lines = bytes.split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  for (qsizetype n = 0; n < lines.size(); ++n) {
    const std::optional<QString> text = decodeText(lines[n], decoding, reporter);
    // Neither an undecodable line nor a byte that became a control code vanishes unsaid.
    if (!text && hasDecoder(decoding))
      reportTo(reporter,
               QStringLiteral("[RED]Line %1 of the subtitle file is not %2 text and is left out")
                   .arg(n + 1)
                   .arg(decoding.name),
               3);
    else if (text && std::any_of(text->cbegin(), text->cend(), isC1Control))
      reportTo(reporter,
               QStringLiteral("[RED]Line %1 of the subtitle file holds bytes that %2 has no letters for")
                   .arg(n + 1)
                   .arg(decoding.name),
               3);
    const QString line = trimLineBreaks(text.value_or(QString()));
    if (line.isEmpty()) {
      blankBefore = true;
      continue;
    }
    if (blankBefore && line[0].isDigit() && line[0].unicode() < 128) out += '\n';
    blankBefore = false;
    out += line.toUtf8() + '\n';
  }
  return out + '\n';
}

// Step one of adding: the subtitle file, cleaned, takes its own place. False (with the
// file left as it was) when it cannot be read or the clean copy cannot be written.
bool cleanInPlace(const QString& path, const BCStringEncoding& encoding, const Reporter& reporter) {
  const QString scratch = path + QStringLiteral(".temp");
  reportTo(reporter, QStringLiteral("Creating file %1 from input file %2").arg(scratch, path), 4);
  if (!isUTF8(encoding))
    reportTo(reporter, QStringLiteral("Subtitle file is not UTF8, will assume ISO and attempt to convert"),
             3);
  QFile in(path);
  if (!in.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = in.readAll();
  if (in.error() != QFileDevice::NoError) {
    reportTo(reporter,
             QStringLiteral("[RED]Unable to read subtitle file %1 : %2").arg(path, in.errorString()), 3);
    return false;
  }
  QFile::remove(scratch);
  QFile out(scratch);
  const QByteArray cleaned = cleanedSubRip(bytes, encoding, reporter);
  if (!out.open(QIODevice::WriteOnly) || out.write(cleaned) != cleaned.size() || !out.flush()) {
    reportTo(reporter, QStringLiteral("[RED]Unable to write subtitle file %1").arg(scratch), 3);
    out.close();
    QFile::remove(scratch);
    return false;
  }
  out.close();
  reportTo(reporter, QStringLiteral("Subtitle track contained multiple CR or was not UTF8. Attempting a fix"),
           3);
  // One rename: the file is never missing, whatever fails.
  if (std::rename(QFile::encodeName(scratch).constData(), QFile::encodeName(path).constData()) != 0) {
    QFile::remove(scratch);
    return false;
  }
  return true;
}

// The description's text box placed across the picture's bottom; false when MP4Box
// wrote nothing useful.
bool fixHeader(const QString& description, const QString& fixed, int width, int height,
               const Reporter& reporter) {
  QFile in(description);
  if (!in.exists() || in.size() < kSmallestDescription || !in.open(QIODevice::ReadOnly)) return false;
  reportTo(reporter, QStringLiteral("Fixing header in file %1 from input file %2").arg(fixed, description),
           3);
  QByteArray out;
  for (const QByteArray& line : in.readAll().split('\n')) {
    if (line.isEmpty()) break;
    // Without a known picture size the default box stays: a negative lift would put it off the picture.
    if (line == QByteArrayView(kDefaultHeader) && width > 0 && height > kTextBoxLift)
      out += QStringLiteral(
                 "<TextStreamHeader width=\"%1\" height=\"%2\" layer=\"0\" translation_x=\"0\" "
                 "translation_y=\"%3\">")
                 .arg(width)
                 .arg(kTextBoxHeight)
                 .arg(height - kTextBoxLift)
                 .toUtf8();
    else
      out += line;
    out += '\n';
  }
  QSaveFile file(fixed);
  if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size()) return false;
  return file.commit();
}

}  // namespace

void AddSubtitle(const QString& mp4boxPath, bool enabled, const MediaFilePtr& media, const QString& name,
                 const QString& language, const QString& folder, const QString& output, bool sd,
                 const ConversionReport& report, const BCStringEncoding& encoding, const Reporter& reporter) {
  const QString path = folder + u'/' + name;
  if (!QFileInfo::exists(path)) {
    reportTo(reporter, QStringLiteral("[RED]AddSubtitle called for missing subtitle file : %1").arg(path), 3);
    return;
  }
  cleanInPlace(path, encoding, reporter);

  QString input = name;
  if (PathExtension(name).toLower() == QLatin1StringView("ass")) input = convertASSToSub(name, folder);
  const QString base = folder + u'/' + PathWithoutExtension(input);
  const QString description = base + QStringLiteral(".ttxt"), fixed = base + QStringLiteral(".ttxt2");
  QFile::remove(description);
  QFile::remove(fixed);
  runMP4Box(mp4boxPath, ToolArguments(QStringLiteral(" -ttxt \"%@\""), {folder + u'/' + input}), media,
            folder, report, reporter);

  const VideoTrack video = media->myvideotrack();
  if (!fixHeader(description, fixed, sd ? video.SDWidth() : video.HDWidth(),
                 sd ? video.SDHeight() : video.HDHeight(), reporter))
    return;

  const QString disable = enabled ? QString() : QStringLiteral(":disable");
  ToolArguments add;
  if (const auto record = LanguageRecord::LanguageWithString(language)) {
    const QString code = record->threechar();
    add.append(QStringLiteral(" -add \"%@\":name=%1:lang=%1:group=2%2 \"%@\"").arg(code, disable),
               {fixed, output});
  } else {
    add.append(QStringLiteral(" -add \"%@\":group=2%1 \"%@\"").arg(disable), {fixed, output});
  }
  runMP4Box(mp4boxPath, add, media, folder, report, reporter);
}

}  // namespace zuvo
