#pragma once
// Guesses the character set of a subtitle or text file: an IANA charset name, its Core
// Foundation encoding value (the numbering of the text-encoding table) and a confidence
// from 0 to 1. Used by one thread at a time.
#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

namespace zuvo {

class wrappedUniversalDetector;

class UniversalDetector {
 public:
  static std::unique_ptr<UniversalDetector> detector();

  UniversalDetector();
  ~UniversalDetector();
  UniversalDetector(const UniversalDetector&) = delete;
  UniversalDetector& operator=(const UniversalDetector&) = delete;

  void analyzeData(const QByteArray& data);
  // Ignored once the detector is done, and for a negative length or no bytes.
  void analyzeBytes(const char* bytes, qint32 length);
  // Starts over with new input; the last answer is kept until new data arrives.
  void reset();
  // The detector has settled: further data changes nothing.
  bool done() const;

  // The charset name of the answer; nothing when there is none.
  std::optional<QString> MIMECharset();
  // The Core Foundation encoding of `MIMECharset`; 0 without an answer or for a name
  // that no encoding stands for.
  quint32 encoding();
  // 1 for a settled answer, 0 for pure ASCII and without an answer, in between for
  // the library's best guess.
  float confidence();

 private:
  void analyze(const char* bytes, qsizetype length);

  std::unique_ptr<wrappedUniversalDetector> detectorptr_;
  std::optional<QString> charset_;
  float confidence_ = 0;
};

}  // namespace zuvo
