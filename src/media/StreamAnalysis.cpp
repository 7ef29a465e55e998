#include "media/StreamAnalysis.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <cmath>

#include "media/AnalysisTools.h"
#include "media/FileTypes.h"
#include "media/LanguageRecord.h"
#include "media/MediaValues.h"
#include "media/RegisteredSettings.h"
#include "media/StringHelpers.h"
#include "media/UniversalDetector.h"
#include "platform/Defaults.h"

namespace zuvo {
namespace {

// mediainfo's section words and keys.
constexpr const char* kVideoSection = "Video";
constexpr const char* kAudioSection = "Audio";
constexpr const char* kTextSection = "Text";
constexpr const char* kEncryptionKey = "Encryption";
constexpr const char* kWidthKey = "Width";
constexpr const char* kHeightKey = "Height";
constexpr const char* kRotationKey = "Rotation";
constexpr const char* kFormatKey = "Format";
constexpr const char* kCABACKey = "Format settings, CABAC";
constexpr const char* kReFramesKey = "Format settings, ReFrames";
constexpr const char* kDurationKey = "Duration";
constexpr const char* kIDKey = "ID";
constexpr const char* kBitRateKey = "Bit rate";
constexpr const char* kFrameRateKey = "Frame rate";
constexpr const char* kEncodingSettingsKey = "Encoding settings";
constexpr const char* kLanguageKey = "Language";
constexpr const char* kTitleKey = "Title";
constexpr const char* kSamplingRateKey = "Sampling rate";
constexpr const char* kChannelsKey = "Channel(s)";
constexpr const char* kMenuIDKey = "Menu ID";
constexpr const char* kFormatProfileKey = "Format profile";
constexpr const char* kBitDepthKey = "Bit depth";
constexpr const char* kChromaKey = "Chroma subsampling";
constexpr const char* kScanTypeKey = "Scan type";

constexpr const char* kUnknown = "Unknown";
constexpr const char* kYes = "Yes";
constexpr const char* kNo = "No";
constexpr const char* kIntermediateCodec = "Intermediate Codec";
constexpr const char* kAVC = "AVC";
constexpr const char* kMegabits = "Mbps";
constexpr const char* kKilohertz = "KHz";
constexpr const char* kASS = "ASS";
constexpr const char* kSRT = "SRT";
constexpr const char* kSurroundName = "Surround Sound";
constexpr const char* kStereoName = "Stereo Sound";
constexpr const char* kBitmapInMKV = "(VobSub/PGS format - must burn into video track) ";
constexpr const char* kBitmapElsewhere = "(VobSub/PGS format - only supported in MKV files) ";
constexpr const char* kASSSummary = "ASS format ";
constexpr const char* kLanguageMarker = "$";
constexpr const char* kMKVExtension = "mkv";
constexpr const char* kASSExtensions[] = {"ass", "ssa"};

// ffprobe's stream list.
constexpr const char* kStreamLine = "Stream #";
constexpr const char* kAudioStream = "Audio:";
constexpr const char* kVideoStream = "Video:";
constexpr const char* kAttachedPicture = "(attached pic)";

// Settings read here.

// Log lines.
constexpr const char* kLogInitialVideoStream = "Initial Video Stream Number is : %1";
constexpr const char* kLogFFprobeOnFile = "ffprobe on file : %1";
constexpr const char* kLogFFprobeLine = "FFPROBE::%1";
constexpr const char* kLogMoreAudioStreams = "[RED]More audio steams in FFPROBE than in original scan";
constexpr const char* kLogAudioStream = "Audio stream %1 is ffmpeg track %2";
constexpr const char* kLogFoundSubtitleFile = "Found subtitle file %1";
constexpr const char* kLogLanguageInName = "Found subtitle language in name of %1";
constexpr const char* kLogFilenameInName = "Found subtitle filename in name of %1";
constexpr const char* kLogSubtitleMatch = "Subtitle is a match for current file under conversion";
constexpr const char* kLogCzechCodePage = "[BLUE]Changing code page to 1250 for czech user";

// Czech subtitles detected as Windows Latin 2 read better as code page 1250.
constexpr const char* kCzech = "cs";
constexpr const char* kWindowsLatin2 = "Windows Latin 2";
constexpr const char* kCodePage1250 = "Windows Code Page 1250";

// Fast-mode answers.
constexpr const char* kGood = "Good";
constexpr const char* kUnknownReferenceFrames = "Unkn Ref";
constexpr const char* kNotH264 = "Not h.264";
constexpr const char* kHDSDFormat = "HD/SD Format";
constexpr const char* kTooWide = "Width:%1";
constexpr const char* kTooTall = "Height:%1";
constexpr const char* kBitRateTooHigh = "%1 MB/s";
constexpr const char* kTooManyReferenceFrames = "%1 Ref Frms";
constexpr const char* kFrameRateTooHigh = "%1 fps";
constexpr const char* kATV1CABAC = "ATV1:Cabac";
constexpr const char* kATV1ReferenceFrames = "ATV1:RefFrm";
constexpr const char* kATV1Pyramid = "ATV1:byramid";
constexpr const char* kATV1FrameRate = "ATV1:%1fps";
constexpr const char* kATV1LargeFrameRate = "ATV1: %1fps";
constexpr const char* kPyramidSettings[] = {"b_pyramid=2", "b_pyramid=1"};
constexpr const char* kUnsupportedProfile = "Profile:%1";
constexpr const char* kUnsupportedBitDepth = "Bit depth:%1";
constexpr const char* kUnsupportedChroma = "Chroma:%1";
constexpr const char* kInterlaced = "Interlaced";
constexpr const char* kLevelTooHigh = "Level:%1";

// What Apple's players decode: 8-bit 4:2:0 progressive H.264 of these profiles, up to level
// 3.1 on the first two Apple TVs and 4.1 elsewhere.
constexpr const char* kDecodableProfiles[] = {"Baseline", "Constrained Baseline", "Main", "High"};
constexpr const char* kDecodableChroma = "4:2:0";
constexpr const char* kProgressive = "Progressive";
constexpr double kAppleTVLevel = 3.1;
constexpr double kPlayersLevel = 4.1;

void log(const AnalysisContext& context, const QString& text, quint32 level) {
  if (context.reporter) context.reporter->report(text, level);
}

QString sourcePathOf(const MediaFile& media) {
  const QString package = media.packagepath();
  return package.isEmpty() ? media.fullpath() : package;
}

QStringList linesOf(const QString& output) { return SplitLines(output).value_or(QStringList()); }

// The number a text starts with, fractions included; 0 when there is none.
double leadingNumber(const QString& text) {
  static const QRegularExpression number(QStringLiteral("^\\s*([+-]?(?:\\d+(?:\\.\\d*)?|\\.\\d+))"));
  return number.match(text).captured(1).toDouble();
}

QString withoutSpaces(const QString& text) {
  QString out = text;
  return out.remove(QLatin1Char(' '));
}

// "1h 32mn" is 5520 seconds, "45mn 12s" 2712, "2h 5s" 7205. Milliseconds alone ("500ms")
// are less than a second, not 500 of them.
int durationSeconds(const QString& text) {
  static const QRegularExpression millisecondsOnly(QStringLiteral("^\\s*\\d+\\s*ms"));
  QString rest = text;
  int hours = 0, minutes = 0, seconds = 0;
  if (const qsizetype h = rest.indexOf(QLatin1Char('h')); h >= 0) {
    hours = IntegerValue(rest.left(h));
    rest = rest.mid(h + 1);
  }
  if (const qsizetype mn = rest.indexOf(QLatin1String("mn")); mn >= 0) {
    minutes = IntegerValue(rest.left(mn));
    rest = rest.mid(mn + 2);
  }
  if (rest.contains(QLatin1Char('s')) && !millisecondsOnly.match(rest).hasMatch())
    seconds = IntegerValue(rest);
  return hours * 3600 + minutes * 60 + seconds;
}

// Only the field of that name marks the source as protected, not a title that holds the word.
bool isEncryptionField(const QString& key) {
  const qsizetype n = qstrlen(kEncryptionKey);
  return key.startsWith(QLatin1String(kEncryptionKey)) && (key.size() == n || !key[n].isLetter());
}

// mediainfo's section headers are the lines that are neither blank nor "key : value".
bool isSectionHeader(const QString& line) {
  return !line.trimmed().isEmpty() && !line.contains(QLatin1String(": "));
}

bool isSurround(int channels) { return channels == 6 || channels == 7; }

// The row of the encoding a subtitle format names as an IANA character-set name ("UTF-8"),
// else the "UTF 8" row.
BCStringEncoding encodingForCharsetName(const QString& format) {
  const BCStringEncoding row = EncodingForStringEncoding(CoreFoundationEncodingForIANACharSetName(format));
  return row.isNotFound() ? UTF8Encoding() : row;
}

// The row of the encoding the character-set detector finds in a file, else the "UTF 8" row.
// The detector's 0 means no answer: the detector never names Mac Roman, whose value it is.
BCStringEncoding detectedEncoding(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return UTF8Encoding();
  const std::unique_ptr<UniversalDetector> detector = UniversalDetector::detector();
  detector->analyzeData(file.readAll());
  const quint32 encoding = detector->encoding();
  const BCStringEncoding row = EncodingForStringEncoding(encoding);
  return encoding == 0 || row.isNotFound() ? UTF8Encoding() : row;
}

enum class Section { None, Video, Audio, Text };

struct Report {
  VideoTrack video;
  QList<AudioTrack> audio;
  // Per audio track, the stream ID that ffprobe prints too (-1: none).
  QList<int> audioStreamIds;
  QList<SubtitleTrack> subtitles;
  bool hasdrm = false;
  bool hasSurround = false;
  bool stereoExists = false;
  bool unsupportedVideo = false;
  QString durationstring;
  // A transport stream with several programmes lists a video section per programme: the
  // first one is the picture converted, and only the tracks of its programme ("Menu ID")
  // belong to it. Sections of the other programmes are read and then dropped.
  bool videoRead = false;
  QString videoProgramme;
  QList<QString> audioProgrammes;
  QList<QString> textProgrammes;
  QList<int> droppedStreamIds;  // the audio of the other programmes, which ffprobe lists too
};

void readVideoValue(Report& r, const QString& key, const QString& value) {
  VideoTrack& v = r.video;
  if (key == QLatin1String(kWidthKey)) {
    v.setWidth(quint32(qMax(0, IntegerValue(withoutSpaces(value)))));
  } else if (key == QLatin1String(kHeightKey)) {
    v.setHeight(quint32(qMax(0, IntegerValue(withoutSpaces(value)))));
  } else if (key == QLatin1String(kRotationKey)) {
    // "90°", "270°", "-90°": the clockwise turn that shows the stored picture upright, as a
    // whole quarter between 0 and 270.
    const int degrees = int(std::lround(leadingNumber(value) / 90.0)) * 90;
    v.setRotation(((degrees % 360) + 360) % 360);
  } else if (key == QLatin1String(kFormatKey)) {
    v.setVideoformat(value);
    if (value == QLatin1String(kIntermediateCodec)) r.unsupportedVideo = true;
  } else if (key == QLatin1String(kCABACKey)) {
    if (value == QLatin1String(kYes)) v.setCabac(true);
    if (value == QLatin1String(kNo)) v.setCabac(false);
  } else if (key == QLatin1String(kReFramesKey)) {
    v.setReferenceframes(IntegerValue(value));
  } else if (key == QLatin1String(kDurationKey)) {
    r.durationstring = value;
    v.setDuration(durationSeconds(value));
  } else if (key == QLatin1String(kIDKey)) {
    v.setVideostreamnumber(IntegerValue(value));
  } else if (key == QLatin1String(kBitRateKey)) {
    QString rate = withoutSpaces(value);
    if (rate.contains(QLatin1String(kMegabits))) rate = QString::asprintf("%f", leadingNumber(rate) * 1000);
    v.setBitrate(rate);
  } else if (key == QLatin1String(kFrameRateKey)) {
    v.setFramerate(value);
  } else if (key == QLatin1String(kEncodingSettingsKey)) {
    v.setEncodingsettings(value);
  } else if (key == QLatin1String(kMenuIDKey)) {
    r.videoProgramme = value;
  } else if (key == QLatin1String(kFormatProfileKey)) {
    v.setFormatprofile(value);
  } else if (key == QLatin1String(kBitDepthKey)) {
    v.setBitdepth(IntegerValue(value));
  } else if (key == QLatin1String(kChromaKey)) {
    v.setChromasubsampling(value);
  } else if (key == QLatin1String(kScanTypeKey)) {
    v.setScantype(value);
  }
}

// The stream ID that the demuxer numbers a stream by: the PID of a transport stream
// ("272 (0x110)"), the track ID of an MP4, or the sub-stream of a program stream's
// private stream ("189 (0xBD)-128 (0x80)" is 128).
int demuxerStreamId(const QString& value) {
  static const QRegularExpression last(QStringLiteral("(\\d+)(?: \\(0x[0-9A-Fa-f]+\\))?$"));
  const QRegularExpressionMatch m = last.match(value);
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

void readAudioValue(Report& r, AudioTrack& a, const QString& key, const QString& value) {
  const auto appendSummary = [&a](const QString& text) { a.setAudiosummary(a.audiosummary() + text); };
  if (key == QLatin1String(kIDKey)) {
    a.setStreamnumber(IntegerValue(value));
    r.audioStreamIds.last() = demuxerStreamId(value);
  } else if (key == QLatin1String(kMenuIDKey)) {
    r.audioProgrammes.last() = value;
  } else if (key == QLatin1String(kLanguageKey)) {
    appendSummary(value + QStringLiteral(" ,"));
    a.setLanguage(value);
  } else if (key == QLatin1String(kTitleKey) || key == QLatin1String(kFormatKey)) {
    appendSummary(value + QStringLiteral(", "));
  } else if (key == QLatin1String(kSamplingRateKey)) {
    // "8 000 Hz" is 8000, and 44.1 KHz is 44100, not 44099.
    double rate = leadingNumber(withoutSpaces(value));
    if (value.contains(QLatin1String(kKilohertz))) rate *= 1000;
    a.setSamplingfrequency(QString::number(qRound64(rate)));
  } else if (key == QLatin1String(kChannelsKey)) {
    a.setChannels(IntegerValue(value));
    appendSummary(value + QStringLiteral(", "));
    if (isSurround(a.channels())) {
      r.hasSurround = true;
      a.setName(QLatin1String(kSurroundName));
    } else if (a.channels() == 2) {
      a.setName(QLatin1String(kStereoName));
      r.stereoExists = true;
    }
  }
}

void readTextValue(Report& r, SubtitleTrack& s, const QString& key, const QString& value, bool inMKV) {
  const auto appendSummary = [&s](const QString& text) { s.setSubtitlesummary(s.subtitlesummary() + text); };
  if (key == QLatin1String(kIDKey)) {
    s.setStreamnumber(IntegerValue(value));
  } else if (key == QLatin1String(kMenuIDKey)) {
    r.textProgrammes.last() = value;
  } else if (key == QLatin1String(kFormatKey)) {
    s.setFormat(value);
    if (IsBitmapSubtitleFormat(value)) {
      appendSummary(QLatin1String(inMKV ? kBitmapInMKV : kBitmapElsewhere));
      BCStringEncoding named;  // names the format, carries no encoding
      named.name = value;
      s.setEncoding(named);
    } else {
      s.setEncoding(encodingForCharsetName(value));
      if (value == QLatin1String(kASS)) appendSummary(QLatin1String(kASSSummary));
    }
  } else if (key == QLatin1String(kLanguageKey)) {
    appendSummary(value + QStringLiteral(", "));
    s.setLanguage(value);
  } else if (key == QLatin1String(kTitleKey)) {
    appendSummary(value + QStringLiteral(", "));
  }
}

// A track of no programme the video belongs to: tracks that name no programme (every
// source but a transport stream) and a video without one keep everything. A stream shared
// by programmes names them all ("1 (0x1) / 2 (0x2)"), so a picture shared by two programmes
// keeps the sound of both.
bool ofAnotherProgramme(const Report& r, const QString& programmes) {
  if (r.videoProgramme.isEmpty() || programmes.isEmpty()) return false;
  const QStringList videos = r.videoProgramme.split(QStringLiteral(" / "));
  for (const QString& programme : programmes.split(QStringLiteral(" / ")))
    if (videos.contains(programme)) return false;
  return true;
}

void keepTheVideosProgramme(Report& r) {
  for (qsizetype i = r.audio.size() - 1; i >= 0; --i)
    if (ofAnotherProgramme(r, r.audioProgrammes[i])) {
      r.droppedStreamIds.append(r.audioStreamIds[i]);
      r.audio.removeAt(i);
      r.audioStreamIds.removeAt(i);
      r.audioProgrammes.removeAt(i);
    }
  for (qsizetype i = r.subtitles.size() - 1; i >= 0; --i)
    if (ofAnotherProgramme(r, r.textProgrammes[i])) {
      r.subtitles.removeAt(i);
      r.textProgrammes.removeAt(i);
    }
  // Named after the tracks that are left.
  r.hasSurround = false;
  r.stereoExists = false;
  for (const AudioTrack& a : r.audio) {
    r.hasSurround = r.hasSurround || isSurround(a.channels());
    r.stereoExists = r.stereoExists || a.channels() == 2;
  }
}

Report readMediaInfo(const QStringList& lines, const VideoTrack& video, bool inMKV,
                     const AnalysisContext& context) {
  Report r;
  r.video = video;
  r.video.setVideoformat(QLatin1String(kUnknown));
  r.video.setWidth(0);
  r.video.setHeight(0);
  r.video.setRotation(0);
  r.video.setFramerate(QLatin1String(kUnknown));
  r.video.setBitrate(QLatin1String(kUnknown));
  Section section = Section::None;
  for (const QString& line : lines) {
    log(context, line, 4);
    if (line.contains(QLatin1String(kVideoSection)) && line.size() < 10) {
      // A later programme's video must not overwrite the first one's.
      section = r.videoRead ? Section::None : Section::Video;
      r.videoRead = true;
    } else if (line.contains(QLatin1String(kAudioSection)) && line.size() <= 9) {
      AudioTrack track;
      track.setSelected(true);
      track.setAudiosummary(QString());
      r.audio.append(track);
      r.audioStreamIds.append(-1);
      r.audioProgrammes.append(QString());
      section = Section::Audio;
    } else if (line.contains(QLatin1String(kTextSection)) && line.size() <= 9) {
      SubtitleTrack track;
      track.setLocation(SubtitleLocation::InSource);
      r.subtitles.append(track);
      r.textProgrammes.append(QString());
      section = Section::Text;
    } else if (isSectionHeader(line)) {
      // "Menu" and the like: their "ID" and "Language" are not the last track's.
      section = Section::None;
    }
    const qsizetype separator = line.indexOf(QLatin1String(": "));
    if (separator < 0) continue;
    const QString key = line.left(separator).trimmed();
    const QString value = line.mid(separator + 2).trimmed();
    if (isEncryptionField(key)) r.hasdrm = true;
    switch (section) {
      case Section::Video:
        readVideoValue(r, key, value);
        break;
      case Section::Audio:
        readAudioValue(r, r.audio.last(), key, value);
        break;
      case Section::Text:
        readTextValue(r, r.subtitles.last(), key, value, inMKV);
        break;
      case Section::None:
        break;
    }
  }
  keepTheVideosProgramme(r);
  // mediainfo gives the stored sides; ffmpeg shows and converts the picture upright.
  if (r.video.isTurnedSideways()) {
    const quint32 storedWidth = r.video.width();
    r.video.setWidth(r.video.height());
    r.video.setHeight(storedWidth);
  }
  return r;
}

void preselectAudio(QList<AudioTrack>& tracks, bool stereoExists, const QString& userLanguage) {
  bool chosen = false;
  bool stereo = stereoExists;
  const bool addAll = Defaults::standard().get(setting::AddAllAudioTracks);
  const auto makeDefault = [&chosen](AudioTrack& t) {
    t.setIsDefault(true);
    t.setSelected(true);
    chosen = true;
  };
  for (AudioTrack& t : tracks) {
    if (!LanguageRecord::LanguageWithString(t.language())) continue;
    if (!IsUserLanguage(t.language(), userLanguage)) {
      t.setSelected(addAll);
      continue;
    }
    const int ch = t.channels();
    t.setSelected(ch == 1 || ch == 2 || isSurround(ch));
    if (isSurround(ch)) {
      t.setMakeStereo(true);
      if (!chosen) {
        t.setIsDefault(true);
        chosen = true;
      }
    }
    if (ch == 2 || isSurround(ch)) stereo = true;
  }
  if (!chosen)
    for (AudioTrack& t : tracks)
      if (IsUserLanguage(t.language(), userLanguage)) {
        makeDefault(t);
        break;
      }
  if (!chosen)
    for (AudioTrack& t : tracks)
      if (isSurround(t.channels())) {
        makeDefault(t);
        t.setMakeStereo(true);
        return;
      }
  if (!chosen && !stereo)
    for (AudioTrack& t : tracks)
      if (t.selected()) {
        t.setMakeStereo(true);
        t.setIsDefault(true);
        chosen = true;
        break;
      }
  if (!chosen && !tracks.isEmpty()) makeDefault(tracks.first());
}

void preselectSubtitles(MediaFile& media, const QString& userLanguage) {
  QList<SubtitleTrack> soft = media.SoftSubtitleTracks();
  QList<SubtitleTrack> hard = media.HardSubtitleTracks();
  const auto selectFirstHard = [&](bool anyLanguage) {
    for (SubtitleTrack& t : hard)
      if (anyLanguage || IsUserLanguage(t.language(), userLanguage)) {
        t.setSelected(true);
        return true;
      }
    return false;
  };
  switch (Defaults::standard().get(setting::IncludeSubtitleTracks)) {
    case 1: {
      bool any = false;
      for (SubtitleTrack& t : soft)
        if (IsUserLanguage(t.language(), userLanguage)) {
          t.setSelected(true);
          any = true;
        }
      if (!any && selectFirstHard(false)) media.setSoftSubtitles(false);
      break;
    }
    case 2:
      if (!soft.isEmpty()) {
        for (SubtitleTrack& t : soft) t.setSelected(true);
      } else if (!hard.isEmpty()) {
        if (!selectFirstHard(false)) selectFirstHard(true);
        media.setSoftSubtitles(false);
      }
      break;
    case 3:
      // Burnt in: one track of those that can be drawn into the picture (bitmap streams and
      // files beside the video), in the user's language when there is one.
      if (selectFirstHard(false) || selectFirstHard(true)) media.setSoftSubtitles(false);
      break;
    default:
      break;
  }
  if (soft.isEmpty() && !hard.isEmpty()) media.setSoftSubtitles(false);
  media.setSoftSubtitleTracks(soft);
  media.setHardSubtitleTracks(hard);
}

// ffprobe's stream list gives the encoder's stream numbers. Its audio streams are paired
// with the audio tracks by the stream ID both tools print (a transport stream lists its
// audio by PID in mediainfo but in program order in ffprobe); streams without a matching
// ID take the remaining tracks in order. A multi-program transport stream lists a shared
// stream once per program: only its first line counts. Only the list's own lines count,
// not a path or title that holds "Stream #".
void numberAudioStreams(QList<AudioTrack>& tracks, const QList<int>& streamIds, const QList<int>& droppedIds,
                        const QString& source, const QString& ffprobeReport, const AnalysisContext& context) {
  static const QRegularExpression streamLine(
      QStringLiteral("^\\s*Stream #\\d+\\.(\\d+)(?:\\[0x([0-9a-fA-F]+)\\])?"));
  struct ProbedAudio {
    int number;
    int id;  // -1: none printed
  };
  log(context, QString::fromLatin1(kLogFFprobeOnFile).arg(source), 4);
  QList<ProbedAudio> probed;
  QSet<int> listed;
  int counter = 0;
  for (const QString& line : linesOf(ffprobeReport)) {
    log(context, QString::fromLatin1(kLogFFprobeLine).arg(line), 4);
    if (!line.trimmed().startsWith(QLatin1String(kStreamLine))) continue;
    const QRegularExpressionMatch m = streamLine.match(line);
    const int number = m.hasMatch() ? m.captured(1).toInt() : counter;
    ++counter;
    if (listed.contains(number)) continue;
    listed.insert(number);
    bool hex = false;
    const int id = m.captured(2).toInt(&hex, 16);
    // The audio of another programme than the video's is no track of the item.
    if (hex && droppedIds.contains(id)) continue;
    if (line.contains(QLatin1String(kAudioStream))) probed.append({number, hex ? id : -1});
  }

  QList<bool> paired(tracks.size(), false);
  const auto pair = [&](qsizetype track, const ProbedAudio& stream) {
    tracks[track].setFfmpegstreamnumber(stream.number);
    paired[track] = true;
    log(context, QString::fromLatin1(kLogAudioStream).arg(track).arg(stream.number), 4);
  };
  QList<ProbedAudio> unmatched;
  for (const ProbedAudio& stream : probed) {
    const qsizetype track = stream.id < 0 ? -1 : streamIds.indexOf(stream.id);
    if (track >= 0 && track < tracks.size() && !paired[track])
      pair(track, stream);
    else
      unmatched.append(stream);
  }
  for (const ProbedAudio& stream : unmatched) {
    const qsizetype track = paired.indexOf(false);
    if (track < 0)
      log(context, QLatin1String(kLogMoreAudioStreams), 3);
    else
      pair(track, stream);
  }
}

// Whether ffprobe lists a picture stream; cover art attached to sound is none.
bool ffprobeListsVideo(const QString& ffprobeReport) {
  for (const QString& line : linesOf(ffprobeReport))
    if (line.trimmed().startsWith(QLatin1String(kStreamLine)) && line.contains(QLatin1String(kVideoStream)) &&
        !line.contains(QLatin1String(kAttachedPicture)))
      return true;
  return false;
}

QString twoDecimals(double value) { return QString::asprintf("%4.2f", value); }

// Why Apple's players cannot decode the H.264 stream as it is, or nothing. What mediainfo did
// not say is not held against the stream.
QString undecodableReason(const VideoTrack& v, bool appleTV) {
  const QString profile = v.formatprofile().section(QLatin1Char('@'), 0, 0).trimmed();
  if (!profile.isEmpty()) {
    bool known = false;
    for (const char* decodable : kDecodableProfiles) known = known || profile == QLatin1String(decodable);
    if (!known) return QString::fromLatin1(kUnsupportedProfile).arg(profile);
  }
  if (v.bitdepth() != 0 && v.bitdepth() != 8)
    return QString::fromLatin1(kUnsupportedBitDepth).arg(v.bitdepth());
  const QString chroma = v.chromasubsampling();
  if (!chroma.isEmpty() && chroma != QLatin1String(kDecodableChroma))
    return QString::fromLatin1(kUnsupportedChroma).arg(chroma);
  if (!v.scantype().isEmpty() && v.scantype() != QLatin1String(kProgressive))
    return QLatin1String(kInterlaced);
  // "High@L4.1": the level after "@L".
  static const QRegularExpression levelPattern(QStringLiteral("@L(\\d+(?:\\.\\d+)?)"));
  const QRegularExpressionMatch level = levelPattern.match(v.formatprofile());
  if (level.hasMatch() && level.captured(1).toDouble() > (appleTV ? kAppleTVLevel : kPlayersLevel) + 1e-9)
    return QString::fromLatin1(kLevelTooHigh).arg(level.captured(1));
  return {};
}

}  // namespace

BCError MediaInfoFromFile(MediaFile& media, const AnalysisContext& context) {
  return MediaInfoFromReports(media, analysisReports(sourcePathOf(media), context.cacheFolder), context);
}

BCError MediaInfoFromReports(MediaFile& media, const AnalysisReports& reports,
                             const AnalysisContext& context) {
  const QString source = sourcePathOf(media);
  const bool inMKV = QFileInfo(media.fullpath()).suffix().toLower() == QLatin1String(kMKVExtension);
  media.setHasdrm(false);
  media.setHasSurround(false);
  Report r = readMediaInfo(linesOf(reports.mediainfo), media.myvideotrack(), inMKV, context);
  log(context, QString::fromLatin1(kLogInitialVideoStream).arg(r.video.videostreamnumber()), 4);
  media.setHasdrm(r.hasdrm);
  media.setHasSurround(r.hasSurround);
  if (!r.durationstring.isNull()) media.setDurationstring(r.durationstring);
  if (r.unsupportedVideo) media.setReasonfordeselection(DeselectionReason::UnsupportedVideo);
  // Neither tool finds a picture (sound only, or no media at all): nothing could be
  // converted, so the row says so instead of failing at the conversion.
  if (!r.videoRead && !ffprobeListsVideo(reports.ffprobe)) {
    media.setReasonfordeselection(DeselectionReason::NoVideo);
    media.setSelected(false);
  }

  preselectAudio(r.audio, r.stereoExists, context.userLanguage);

  QList<SubtitleTrack> soft, hard;
  for (const SubtitleTrack& t : r.subtitles) (IsBitmapSubtitleFormat(t.format()) ? hard : soft).append(t);
  if (!IsMP4OrMKVFile(media.fullpath())) soft.clear();
  media.setSoftSubtitleTracks(soft);
  media.setHardSubtitleTracks(hard);
  locateSubtitleTracks(media, context);
  preselectSubtitles(media, context.userLanguage);

  numberAudioStreams(r.audio, r.audioStreamIds, r.droppedStreamIds, source, reports.ffprobe, context);
  media.setAudioTracks(r.audio);

  const quint32 w = r.video.width(), h = r.video.height();
  if (w != 0 && h != 0 && w < 641 && h < 481 && media.ConversionFormat() == ConversionFormat::HDOnly)
    media.setConversionFormat(ConversionFormat::SDOnly);
  media.setIsHD(w >= 641 || h >= 481);
  media.setMyvideotrack(r.video);

  const QString verdict = isShowFastMode(media);
  const bool good = verdict == QLatin1String(kGood);
  media.setFastmode(good);
  media.setFastmodeEnabled(good);
  media.setReasonfornofastmode(verdict);
  return BCError::NoError();
}

QString isShowFastMode(const MediaFile& media) {
  const VideoTrack v = media.myvideotrack();
  const Defaults& settings = Defaults::standard();
  const bool atv = settings.get(setting::SupportAppleTV);
  const bool atv2 = settings.get(setting::SupportAppleTV2);
  const bool atv3 = settings.get(setting::SupportAppleTV3);
  const ConversionFormat format = media.ConversionFormat();
  // The players' decoders take the stream as stored; they turn the picture afterwards.
  const bool sideways = v.isTurnedSideways();
  const qint64 w = sideways ? v.height() : v.width(), h = sideways ? v.width() : v.height();
  const double kilobits = leadingNumber(v.bitrate());
  const double bitsPerSecond = kilobits * 1000;
  const int fps = IntegerValue(v.framerate());
  const QString settingsText = v.encodingsettings();

  if (v.videoformat() == QLatin1String(kAVC) && v.referenceframes() == 0)
    return QLatin1String(kUnknownReferenceFrames);
  if (v.videoformat() != QLatin1String(kAVC)) return QCoreApplication::translate("StreamAnalysis", kNotH264);
  if (QString reason = undecodableReason(v, atv || atv2); !reason.isEmpty()) return reason;
  if (format == ConversionFormat::HDAndSD) return QLatin1String(kHDSDFormat);
  const auto sizeAnswer = [&](qint64 maxW, qint64 maxH) -> QString {
    if (w > maxW || h > maxH)
      return w >= maxW + 1 ? QString::fromLatin1(kTooWide).arg(w) : QString::fromLatin1(kTooTall).arg(h);
    return {};
  };
  if (atv3 && format != ConversionFormat::Original)
    if (QString a = sizeAnswer(1920, 1080); !a.isEmpty()) return a;
  if ((atv || atv2) && format != ConversionFormat::Original)
    if (QString a = sizeAnswer(1280, 720); !a.isEmpty()) return a;
  const QString tooFast = QString::fromLatin1(kBitRateTooHigh).arg(twoDecimals(kilobits / 1000));
  if (atv2) {
    if (bitsPerSecond > 5000000) return tooFast;
    if (v.referenceframes() >= 9)
      return QString::fromLatin1(kTooManyReferenceFrames).arg(v.referenceframes());
    if (fps >= 31) return QString::fromLatin1(kFrameRateTooHigh).arg(twoDecimals(fps));
  }
  if (!atv) return QLatin1String(kGood);
  if (bitsPerSecond > 5000000) return tooFast;
  if (v.cabac()) return QLatin1String(kATV1CABAC);
  if (v.referenceframes() > 2) return QLatin1String(kATV1ReferenceFrames);
  for (const char* pyramid : kPyramidSettings)
    if (settingsText.contains(QLatin1String(pyramid))) return QLatin1String(kATV1Pyramid);
  if (fps < 25) return QLatin1String(kGood);
  if (h < 541)
    return fps < 31 ? QLatin1String(kGood) : QString::fromLatin1(kATV1FrameRate).arg(twoDecimals(fps));
  return QString::fromLatin1(kATV1LargeFrameRate).arg(twoDecimals(fps));
}

void locateSubtitleTracks(MediaFile& media, const AnalysisContext& context) {
  const QFileInfo folder(QFileInfo(media.fullpath()).path());
  if (!folder.exists() || !folder.isDir()) return;
  const QDir dir(folder.filePath());
  for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
    if (!IsSubtitleFile(entry)) continue;
    const QString path = dir.filePath(entry);
    log(context, QString::fromLatin1(kLogFoundSubtitleFile).arg(path), 5);
    addSutbtitleFile(media, path, true, context);
  }
}

std::optional<SubtitleTrack> addSutbtitleFile(MediaFile& media, const QString& path, bool checkMatch,
                                              const AnalysisContext& context) {
  // The language marker belongs to the file's name: a "$" in a folder name is no marker.
  const QFileInfo file(path);
  const QString name = file.fileName();
  QString base, language;
  if (const qsizetype marker = name.indexOf(QLatin1String(kLanguageMarker)); marker >= 0) {
    base = path.left(path.size() - name.size() + marker);
    language = name.mid(marker + 1).chopped(qMin<qsizetype>(4, name.size() - marker - 1));
    log(context, QString::fromLatin1(kLogLanguageInName).arg(path), 5);
  } else {
    base = path.chopped(qMin<qsizetype>(4, path.size()));
  }
  if (base.isEmpty()) return std::nullopt;
  log(context, QString::fromLatin1(kLogFilenameInName).arg(media.filename()), 5);

  const QString baseName = QFileInfo(base.toLower()).fileName();
  const QString videoName = QFileInfo(media.filename().toLower()).completeBaseName();
  if (baseName != videoName && checkMatch) return std::nullopt;
  log(context, QLatin1String(kLogSubtitleMatch), 4);

  SubtitleTrack track;
  BCStringEncoding encoding = detectedEncoding(path);
  if (context.userLanguage == QLatin1String(kCzech) && encoding.name == QLatin1String(kWindowsLatin2)) {
    encoding = EncodingForName(QLatin1String(kCodePage1250));
    log(context, QLatin1String(kLogCzechCodePage), 3);
  }
  track.setEncoding(encoding);
  track.setLanguage(language.isEmpty() ? QLatin1String(kUnknown) : language);
  track.setPath(path);
  track.setLocation(SubtitleLocation::ExternalFile);
  const QString extension = file.suffix().toLower();
  bool ass = false;
  for (const char* e : kASSExtensions) ass = ass || extension == QLatin1String(e);
  track.setFormat(QLatin1String(ass ? kASS : kSRT));

  QList<SubtitleTrack> soft = media.SoftSubtitleTracks(), hard = media.HardSubtitleTracks();
  soft.append(track);
  hard.append(track);
  media.setSoftSubtitleTracks(soft);
  media.setHardSubtitleTracks(hard);
  return track;
}

}  // namespace zuvo
