#include "media/BCFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <utility>

#include "media/FileHelpers.h"
#include "media/StringHelpers.h"

namespace zuvo {
namespace {

const QString kNullLineMessage = QStringLiteral("writeline called with NULL string");
const QString kNotOpenMessage = QStringLiteral("writeline called without an open file");

// The path without trailing slashes ("/" stays "/").
QString withoutTrailingSlashes(QString path) {
  while (path.size() > 1 && path.endsWith(u'/')) path.chop(1);
  return path;
}

QString lastComponent(const QString& path) {
  const QString p = withoutTrailingSlashes(path);
  if (p == u"/") return p;
  return p.mid(p.lastIndexOf(u'/') + 1);
}

QString withoutLastComponent(const QString& path) {
  const QString p = withoutTrailingSlashes(path);
  const qsizetype slash = p.lastIndexOf(u'/');
  if (slash < 0) return QString();
  if (slash == 0) return QStringLiteral("/");
  return p.left(slash);
}

// How many bytes at the end of `bytes` begin a UTF-8 character they do not complete.
int incompleteUtf8Tail(const QByteArray& bytes) {
  qsizetype lead = bytes.size() - 1;
  while (lead >= 0 && bytes.size() - lead <= 3 && (uchar(bytes[lead]) & 0xC0) == 0x80) --lead;
  if (lead < 0) return 0;
  const uchar b = uchar(bytes[lead]);
  const int needed = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 1;
  const int have = int(bytes.size() - lead);
  return have < needed ? have : 0;
}

}  // namespace

BCFile BCFile::fileWithPath(const QString& path) {
  BCFile file;
  file.path_ = path;
  file.filename_ = lastComponent(path);
  file.extension_ = PathExtension(file.filename_).toLower();
  file.pathWithOutFileName_ = withoutLastComponent(path);
  return file;
}

BCFile::BCFile(BCFile&& other) noexcept
    : path_(std::move(other.path_)),
      filename_(std::move(other.filename_)),
      extension_(std::move(other.extension_)),
      pathWithOutFileName_(std::move(other.pathWithOutFileName_)),
      stream_(std::exchange(other.stream_, nullptr)) {}

BCFile& BCFile::operator=(BCFile&& other) noexcept {
  if (this != &other) {
    close();
    path_ = std::move(other.path_);
    filename_ = std::move(other.filename_);
    extension_ = std::move(other.extension_);
    pathWithOutFileName_ = std::move(other.pathWithOutFileName_);
    stream_ = std::exchange(other.stream_, nullptr);
  }
  return *this;
}

BCFile::~BCFile() { close(); }

FILE* BCFile::open(const char* mode) {
  close();
  stream_ = std::fopen(QFile::encodeName(path_).constData(), mode);
  return stream_;
}

FILE* BCFile::openForRead() { return open("r"); }

FILE* BCFile::openForWrite() { return open("w+"); }

void BCFile::close() {
  if (stream_) std::fclose(stream_);
  stream_ = nullptr;
}

// Reads up to kLineTextBytes bytes, ending early after a line feed (which is not kept).
// A longer line is left in the stream for the next call: none of its bytes is dropped.
QByteArray BCFile::readLinePiece() {
  QByteArray bytes;
  if (!stream_) return bytes;
  bytes.reserve(kLineTextBytes);
  int c = EOF;
  while (bytes.size() < kLineTextBytes && (c = std::getc(stream_)) != EOF) {
    if (c == '\n') return bytes;
    bytes.append(char(c));
  }
  if (bytes.size() < kLineTextBytes) return bytes;
  // A full piece: a line that ends right here loses only its line feed, so that the
  // next call does not read an empty line. A longer line goes on in the next call,
  // from the start of a UTF-8 character when the stream can step back.
  c = std::getc(stream_);
  if (c == '\n' || c == EOF) return bytes;
  const int tail = incompleteUtf8Tail(bytes);
  if (tail > 0 && std::fseek(stream_, -(tail + 1), SEEK_CUR) == 0) {
    bytes.chop(tail);
  } else {
    std::ungetc(c, stream_);
  }
  return bytes;
}

std::optional<QString> BCFile::readline() {
  if (!stream_) return std::nullopt;
  return Utf8Text(readLinePiece());
}

void BCFile::readlinebytes(char* buffer) {
  const QByteArray bytes = readLinePiece();
  std::memcpy(buffer, bytes.constData(), bytes.size());
  buffer[bytes.size()] = '\0';
}

int BCFile::readlinewidebytes(char* buffer) {
  int stored = 0;
  while (stream_ && stored < kWideLineBytes) {
    const size_t got = std::fread(buffer + stored, 1, 2, stream_);
    stored += int(got);
    if (got < 2) break;
    if (buffer[stored - 2] == '\n' && buffer[stored - 1] == '\0') break;
  }
  buffer[stored] = '\0';
  buffer[stored + 1] = '\0';
  return stored + 2;
}

BCError BCFile::writeline(const std::optional<QString>& line) {
  if (!line) return BCError::Code(BCFileCode::NullLine, kNullLineMessage);
  if (!stream_) return BCError::Code(BCFileCode::NotOpen, kNotOpenMessage);
  const QByteArray bytes = line->toUtf8() + '\n';
  std::fwrite(bytes.constData(), 1, bytes.size(), stream_);
  return BCError::NoError();
}

std::optional<qint64> BCFile::size() const {
  const QFileInfo info(path_);
  if (!info.exists()) return std::nullopt;
  return info.size();
}

bool BCFile::exists() const { return QFileInfo::exists(path_); }

bool BCFile::isDirectory() const { return QFileInfo(path_).isDir(); }

bool BCFile::makedir() const { return QDir().mkpath(path_); }

bool BCFile::copyToPath(const QString& destination) const { return QFile::copy(path_, destination); }

bool BCFile::moveToPath(const QString& destination) const {
  if (QFileInfo::exists(destination)) return false;
  if (isDirectory()) return QDir().rename(path_, destination);
  return QFile::rename(path_, destination);
}

bool BCFile::deleteFileOrDirectory() const {
  const QFileInfo info(path_);
  if (info.isDir() && !info.isSymLink()) return QDir(path_).removeRecursively();
  return QFile::remove(path_);
}

std::optional<QStringList> BCFile::getDirectory() const {
  const QDir dir(path_);
  if (!QFileInfo(path_).isDir() || !dir.isReadable()) return std::nullopt;
  return dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

}  // namespace zuvo
