#include "Mp4Fixtures.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include "mp4/Mp4FileHandle.h"

namespace zuvo::test {

namespace {
// Debian's interpreter: python3-mutagen is installed for it, whatever python3 PATH finds first.
const QString kPython = "/usr/bin/python3";

const char* kMutagenScript = R"PY(
import hashlib, json, sys
from mutagen.mp4 import MP4, MP4Cover, MP4FreeForm
f = MP4(sys.argv[1])
tags = {}
for key, values in (f.tags or {}).items():
    if not isinstance(values, list):
        values = [values]
    out = []
    for v in values:
        if isinstance(v, MP4Cover):
            out.append({"format": int(v.imageformat), "size": len(v), "md5": hashlib.md5(bytes(v)).hexdigest()})
        elif isinstance(v, MP4FreeForm):
            out.append(bytes(v).decode("utf-8"))
        elif isinstance(v, tuple):
            out.append(list(v))
        elif isinstance(v, bool):
            out.append(int(v))
        else:
            out.append(v)
    tags[key] = out
chapters = [[c.start, c.title] for c in (f.chapters or [])]
print(json.dumps({"tags": tags, "chapters": chapters}))
)PY";

const char* kBoxesScript = R"PY(
import struct, sys
d = open(sys.argv[1], 'rb').read()
o = 0
while o + 8 <= len(d):
    s, t = struct.unpack('>I4s', d[o:o + 8])
    if s == 1: s = struct.unpack('>Q', d[o + 8:o + 16])[0]
    if s == 0: s = len(d) - o
    print('%s:%d' % (t.decode('latin-1'), s))
    o += s
)PY";

QByteArray run(const QString& program, const QStringList& args) {
  const CommandResult r = runCommand(program, args);
  EXPECT_EQ(r.exitCode, 0) << program.toStdString() << " " << args.join(' ').toStdString() << "\n"
                           << r.output.toStdString();
  return r.output;
}
}  // namespace

QString layoutName(Layout layout) {
  switch (layout) {
    case Layout::MoovLast:
      return "moov last";
    case Layout::MoovFirst:
      return "moov first";
    case Layout::MoovFirstPadded:
      return "moov first, padded";
  }
  return {};
}

QString makeMp4(const FixtureRecipe& recipe) {
  const QString folder = freshFolder("mp4");
  const QString path = folder + "/fixture.m4v";
  QStringList args{
      "-f", "lavfi",
      "-i", QStringLiteral("testsrc=size=160x120:rate=25:duration=%1").arg(recipe.seconds),
      "-f", "lavfi",
      "-i", QStringLiteral("sine=frequency=440:sample_rate=44100:duration=%1").arg(recipe.seconds)};
  if (recipe.chapters) {
    const QString meta = folder + "/chapters.txt";
    writeFile(meta,
              ";FFMETADATA1\n"
              "[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1000\ntitle=One\n"
              "[CHAPTER]\nTIMEBASE=1/1000\nSTART=1000\nEND=2000\ntitle=Two\n"
              "[CHAPTER]\nTIMEBASE=1/1000\nSTART=2000\nEND=3000\ntitle=Three\n");
    args << "-i" << meta << "-map"
         << "0"
         << "-map"
         << "1"
         << "-map_chapters"
         << "2";
  }
  args << "-c:v"
       << "libx264"
       << "-preset"
       << "ultrafast"
       << "-c:a"
       << "aac"
       << "-b:a"
       << "64k";
  for (const QString& m : recipe.ffmpegMetadata) args << "-metadata" << m;
  if (recipe.layout == Layout::MoovFirst)
    args << "-movflags"
         << "faststart";
  if (recipe.layout == Layout::MoovFirstPadded)
    args << "-moov_size"
         << "200000";
  makeMedia(path, args);
  if (recipe.atomicParsleyTags)
    run("AtomicParsley", {path, "--title", "AP Title", "--artist", "AP Artist", "--TVNetwork", "AP Network",
                          "--stik", "TV Show", "--overWrite"});
  return path;
}

Mp4Tags tvEpisodeTags() {
  Mp4Tags t;
  t.name = "Pilot";
  t.artist = "The Show";
  t.albumArtist = "The Show";
  t.album = "The Show, Season 1";
  t.grouping = "Group";
  t.composer = "Composer";
  t.comments = "Comment";
  t.genre = "Drama";
  t.releaseDate = "2008-01-20";
  t.tvShow = "The Show";
  t.tvNetwork = "AMC";
  t.tvEpisodeID = "112";
  t.tvSeason = 1;
  t.tvEpisode = 12;
  t.description = "Short";
  t.longDescription = "Ein langer Text über \"Ärger\" – 日本語";
  t.lyrics = "La la";
  t.sortName = "Pilot";
  t.sortArtist = "Show, The";
  t.sortAlbumArtist = "Show, The";
  t.sortAlbum = "Show, The, Season 1";
  t.sortComposer = "Composer, A";
  t.sortTVShow = "Show, The";
  t.copyright = "(c) Studio";
  t.encodingTool = "Tool 1.0";
  t.encodedBy = "Zuvo (Kelvane Software)";
  t.purchaseDate = "2009-01-01 10:00:00";
  t.iTunesAccount = "me@example.com";
  t.track = Mp4IndexTotal{12, 0};
  t.disk = Mp4IndexTotal{1, 1};
  t.genreType = 18;
  t.tempo = 120;
  t.mediaType = 10;
  t.hdVideo = 1;
  t.contentRating = 4;
  t.gapless = true;
  t.compilation = false;
  t.podcast = false;
  t.contentID = 123456;
  t.artistID = 42;
  t.playlistID = 1234567890123ull;
  t.genreID = 7;
  t.composerID = 9;
  t.iTunesCountry = 143441;
  return t;
}

Mp4Buffer makePicture(const QString& path, int size) {
  makeMedia(path, {"-f", "lavfi", "-i", QStringLiteral("testsrc=size=%1x%1").arg(size), "-frames:v", "1"});
  const QByteArray b = readFile(path);
  return Mp4Buffer(b.begin(), b.end());
}

QString copyTo(const QString& source, const QString& folder, const QString& name) {
  const QString target = folder + "/" + name;
  QFile::remove(target);
  EXPECT_TRUE(QFile::copy(source, target));
  QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
  return target;
}

QByteArray packetDigest(const QString& path) {
  return run("ffmpeg", {"-nostdin", "-loglevel", "error", "-i", path, "-map", "0:V", "-map", "0:a", "-c",
                        "copy", "-f", "framemd5", "-"});
}

QJsonObject mutagenView(const QString& path) {
  const QByteArray out = run(kPython, {"-c", kMutagenScript, path});
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(out, &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << out.toStdString();
  return doc.object();
}

QByteArray ffprobe(const QString& path) {
  return run("ffprobe", {"-v", "error", "-show_format", "-show_chapters", "-show_streams", path});
}

QByteArray mediainfo(const QString& path) { return run("mediainfo", {path}); }

QJsonArray ffprobeStreams(const QString& path) {
  return QJsonDocument::fromJson(run("ffprobe", {"-v", "error", "-show_streams", "-of", "json", path}))
      .object()["streams"]
      .toArray();
}

QJsonArray mediainfoTracks(const QString& path) {
  return QJsonDocument::fromJson(run("mediainfo", {"--Output=JSON", path}))
      .object()["media"]
      .toObject()["track"]
      .toArray();
}

QByteArray streamDigest(const QString& path, const QString& stream) {
  QByteArray digest;
  const QByteArray frames = run("ffmpeg", {"-nostdin", "-loglevel", "error", "-i", path, "-map", stream, "-c",
                                           "copy", "-f", "framemd5", "-"});
  for (const QByteArray& line : frames.split('\n'))
    if (!line.startsWith('#')) digest += line.mid(line.lastIndexOf(',')) + "\n";  // the packets' checksums
  return digest;
}

QByteArray atomicParsley(const QString& path) { return run("AtomicParsley", {path, "-t"}); }

bool writeSparseFreeBox(QFile& file, quint64 size) {
  const qint64 at = file.pos();
  QByteArray header(16, '\0');
  header[3] = 1;
  header.replace(4, 4, "free");
  for (int i = 0; i < 8; ++i) header[8 + i] = char((size >> (56 - 8 * i)) & 0xFF);
  return file.write(header) == 16 && file.resize(at + qint64(size)) && file.seek(at + qint64(size));
}

void crashAtEveryWrite(const QString& original, const QString& folder, int maxWrites,
                       const std::function<Mp4Error(const QString& path)>& edit,
                       const std::function<void(const QString& path, bool completed)>& check) {
  EXPECT_TRUE(crashAtWrites(original, folder, 0, maxWrites, edit, check))
      << "the edit did not complete within " << maxWrites << " writes";
}

bool crashAtWrites(const QString& original, const QString& folder, int first, int end,
                   const std::function<Mp4Error(const QString& path)>& edit,
                   const std::function<void(const QString& path, bool completed)>& check) {
  for (int writes = first; writes < end; ++writes) {
    SCOPED_TRACE(writes);
    const QString path = copyTo(original, folder, QStringLiteral("crash-%1.m4v").arg(writes));
    Mp4FileHandle::setWriteBudgetForTesting(writes);
    const Mp4Error e = edit(path);
    Mp4FileHandle::setWriteBudgetForTesting(-1);
    check(path, !e.failed());
    if (!e) return true;
  }
  return false;
}

QStringList topLevelBoxes(const QString& path) {
  return QString::fromLatin1(run(kPython, {"-c", kBoxesScript, path})).split('\n', Qt::SkipEmptyParts);
}

}  // namespace zuvo::test
