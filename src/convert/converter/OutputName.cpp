#include "convert/converter/OutputName.h"

#include <functional>

#include "media/FileHelpers.h"
#include "media/MediaValues.h"
#include "media/RegisteredSettings.h"
#include "media/StringHelpers.h"

namespace zuvo {
namespace {

// Room for the longest suffix a conversion puts after the base name (" HD-99.m4v",
// "Turbo.m4v", ".SD.m4v") within the 255 bytes of a file name.
constexpr qsizetype kLongestBaseNameBytes = 255 - 32;
constexpr const char* kLastResortName = "Untitled";

QString twoDigits(quint32 number) {
  return number < 10 ? QStringLiteral("0%1").arg(number) : QString::number(number);
}

bool isHD(const MediaFile& media) {
  return media.forceHDflag() == ForcedHDFlag::Set || media.ConversionFormat() == ConversionFormat::HDOnly;
}

struct NameToken {
  const char* token;
  std::function<QString(const MediaFile&)> value;
};

const NameToken kNameTokens[] = {
    {"Original File Name", [](const MediaFile& m) { return PathWithoutExtension(m.filename()); }},
    {"Series Name", [](const MediaFile& m) { return m.seriesname(); }},
    {"Episode Name", [](const MediaFile& m) { return m.episodename(); }},
    {"Movie Name", [](const MediaFile& m) { return m.seriesname(); }},  // a movie's title lives there
    {"Season Number", [](const MediaFile& m) { return QString::number(m.season()); }},
    {"Episode Number", [](const MediaFile& m) { return QString::number(m.show()); }},
    {"Two Digit Season", [](const MediaFile& m) { return twoDigits(m.season()); }},
    {"Two Digit Episode", [](const MediaFile& m) { return twoDigits(m.show()); }},
    {"Year", [](const MediaFile& m) { return m.showyear(); }},
    {"Month", [](const MediaFile& m) { return m.showmonth(); }},
    {"Day", [](const MediaFile& m) { return m.showday(); }},
    {"Resolution",
     [](const MediaFile& m) {
       const VideoTrack track = m.myvideotrack();
       return QStringLiteral("%1x%2").arg(track.width()).arg(track.height());
     }},
    {"HD", [](const MediaFile& m) { return isHD(m) ? QStringLiteral("HD") : QString(); }},
    {"Space", [](const MediaFile&) { return QStringLiteral(" "); }},
};

std::optional<SettingKey<QString>> templateKey(MediaType mediatype) {
  switch (mediatype) {
    case MediaType::TVShow:
      return setting::TVShowName;
    case MediaType::Movie:
      return setting::MovieName;
    case MediaType::HomeMovie:
      return setting::HomeMovieName;
  }
  return std::nullopt;
}

QString tokenValue(const MediaFile& media, const QString& token) {
  for (const NameToken& entry : kNameTokens)
    if (token == QLatin1StringView(entry.token)) return entry.value(media);
  return token;
}

// Cut at a character boundary so that the UTF-8 form fits in `bytes`.
QString fitInBytes(const QString& name, qsizetype bytes) {
  QString fitted = name;
  while (fitted.toUtf8().size() > bytes) {
    fitted.chop(1);
    if (!fitted.isEmpty() && fitted.back().isHighSurrogate()) fitted.chop(1);
  }
  return fitted;
}

QString cleaned(const QString& name) {
  QString clean;
  for (const QChar c : StripPathSeparators(name))
    if (c.category() != QChar::Other_Control) clean += c;
  // A leading dot hides the file or folder: players and media servers skip it.
  while (clean.startsWith(u'.')) clean.remove(0, 1);
  return fitInBytes(clean, kLongestBaseNameBytes);
}

}  // namespace

QString OutputBaseName(const MediaFile& media, const Defaults& defaults) {
  const auto key = templateKey(media.mediatype());
  const QVariant setting = key ? defaults.object(*key) : QVariant();
  QString name;
  if (!setting.isValid()) {
    name = media.mediatype() == MediaType::TVShow
               ? QStringLiteral("%1.S%2.E%3.%4")
                     .arg(media.seriesname(), QString::number(media.season()), QString::number(media.show()),
                          media.episodename())
               : media.seriesname();
  } else {
    // No trimming: a space belongs to the token it stands in.
    for (const QString& token : setting.toString().split(u',')) name += tokenValue(media, token);
  }
  return StripPathSeparators(name);
}

QString SafeFileBaseName(const QString& name, const QString& fallback) {
  const QString clean = cleaned(name);
  if (!clean.isEmpty()) return clean;
  const QString second = cleaned(fallback);
  return !second.isEmpty() ? second : QString::fromLatin1(kLastResortName);
}

}  // namespace zuvo
