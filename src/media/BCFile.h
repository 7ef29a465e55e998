#pragma once
// A file path with stdio line reading and writing (the subtitle cleaning reads and
// writes through it) and the usual file-system operations on the path.
// "Nothing" is std::optional without a value, as in StringHelpers.h.
#include <QString>
#include <QStringList>
#include <cstdio>
#include <optional>

#include "media/BCError.h"

namespace zuvo {

namespace BCFileCode {
inline constexpr qint32 NullLine = 1;
inline constexpr qint32 NotOpen = 2;
}  // namespace BCFileCode

class BCFile {
 public:
  // The text a line yields at most; readlinebytes needs a buffer one byte larger.
  static constexpr int kLineTextBytes = 999;
  static constexpr int kLineBufferBytes = kLineTextBytes + 1;
  // The bytes readlinewidebytes stores at most before its 16-bit terminator.
  static constexpr int kWideLineBytes = 1000;

  static BCFile fileWithPath(const QString& path);

  BCFile() = default;
  BCFile(BCFile&& other) noexcept;
  BCFile& operator=(BCFile&& other) noexcept;
  BCFile(const BCFile&) = delete;
  BCFile& operator=(const BCFile&) = delete;
  ~BCFile();  // closes an open stream

  // stdio mode "r" and "w+" (empties the file); nullptr when the path cannot be opened.
  FILE* openForRead();
  FILE* openForWrite();
  void close();

  // One line without its line feed, decoded as UTF-8: "" at the end of the file,
  // nothing when the bytes are not UTF-8 or no stream is open. A line longer than
  // kLineTextBytes comes in pieces, one per call, with no byte lost; a piece never
  // ends inside a UTF-8 character.
  std::optional<QString> readline();
  // The same line pieces as raw bytes into `buffer` (at least kLineBufferBytes),
  // NUL-terminated.
  void readlinebytes(char* buffer);
  // One line of 16-bit little-endian units, pair by pair, up to and including the
  // pair "\n\0", the end of the file or kWideLineBytes bytes, then a 16-bit zero, into
  // `buffer` (at least kWideLineBytes + 2). Returns the bytes stored with the zero.
  int readlinewidebytes(char* buffer);
  // The line's UTF-8 bytes and a line feed. Code 1 for an absent line, code 2 when
  // no stream is open.
  BCError writeline(const std::optional<QString>& line);

  // Nothing when the file is missing.
  std::optional<qint64> size() const;
  bool exists() const;
  bool isDirectory() const;
  // Creates the path as a folder, with the folders above it.
  bool makedir() const;
  // Copy or move the file to `destination`; false when something is there already.
  bool copyToPath(const QString& destination) const;
  bool moveToPath(const QString& destination) const;
  // Removes the file, or the folder with everything in it.
  bool deleteFileOrDirectory() const;
  // The names in the folder; nothing when it is not a readable folder.
  std::optional<QStringList> getDirectory() const;
  bool isLink() const { return false; }

  const QString& path() const { return path_; }
  void setPath(const QString& path) { path_ = path; }
  const QString& filename() const { return filename_; }
  void setFilename(const QString& filename) { filename_ = filename; }
  const QString& extension() const { return extension_; }
  void setExtension(const QString& extension) { extension_ = extension; }
  const QString& pathWithOutFileName() const { return pathWithOutFileName_; }
  void setPathWithOutFileName(const QString& path) { pathWithOutFileName_ = path; }

 private:
  FILE* open(const char* mode);
  QByteArray readLinePiece();

  QString path_;
  QString filename_;
  QString extension_;
  QString pathWithOutFileName_;
  FILE* stream_ = nullptr;
};

}  // namespace zuvo
