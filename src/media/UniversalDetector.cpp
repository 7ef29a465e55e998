#include "media/UniversalDetector.h"

#include <uchardet/uchardet.h>

#include <algorithm>
#include <utility>

#include "media/BCStringEncoding.h"

namespace zuvo {

// Debian's libuchardet (0.0.7) answers only after `uchardet_data_end`, which also ends
// its input, keeps its probers' confidences to itself and calls pure ASCII "ASCII". So
// this wrapper keeps the bytes it has been given and, when asked, runs a fresh pass of
// the library over all of them up to the end of data. The answer then follows these
// rules:
//
// - No data: no answer, confidence 0.
// - Settled: a byte-order mark that the library recognised (it stops reading there) or
//   an escape-sequence encoding (ISO-2022-*, HZ) that its escape prober identified:
//   that name, confidence 1. Further data is ignored, as the library does. A prober
//   that becomes certain on 8-bit input is not visible through the C API, so such
//   input never counts as settled here.
// - Only 7-bit bytes without escape sequences: "US-ASCII", confidence 0.
// - 8-bit bytes: the library's best guess with kGuessConfidence, or no answer when
//   every prober stayed below the library's own threshold. An ISO-8859 guess for text
//   that holds bytes 0x80-0x9F (control codes there, letters and quotes in the Windows
//   code pages) is the Windows code page of the same script, as browsers read it: the
//   library calls short Czech in windows-1250 ISO-8859-2, which would lose its š, ž, ť.
// - Escape sequences the library could not place (it says "ASCII" then): no answer.
class wrappedUniversalDetector {
 public:
  wrappedUniversalDetector() : detector_(uchardet_new()) {}
  ~wrappedUniversalDetector() {
    if (detector_) uchardet_delete(detector_);
  }
  wrappedUniversalDetector(const wrappedUniversalDetector&) = delete;
  wrappedUniversalDetector& operator=(const wrappedUniversalDetector&) = delete;

  void HandleData(const char* bytes, qsizetype length) {
    for (qsizetype i = 0; i < length; ++i) classify(bytes[i]);
    seen_.append(bytes, length);
    libraryAnswer_.reset();
  }

  bool done() {
    if (seen_.isEmpty()) return false;
    if (input_ == Input::EscapeAscii) {
      const QByteArray& name = libraryAnswer();
      return !name.isEmpty() && name != kLibraryASCIIName;
    }
    const char* mark = byteOrderMarkCharset();
    return mark && libraryAnswer() == mark;
  }

  void reset() {
    seen_.clear();
    input_ = Input::PureAscii;
    lastByte_ = 0;
    libraryAnswer_.reset();
  }

  std::optional<QByteArray> charset(float& confidence) {
    confidence = 0;
    if (seen_.isEmpty()) return std::nullopt;
    if (done()) {
      confidence = 1;
      return libraryAnswer();
    }
    switch (input_) {
      case Input::PureAscii:
        return QByteArray(kASCIIName);
      case Input::HighByte: {
        const QByteArray& name = libraryAnswer();
        if (name.isEmpty()) return std::nullopt;
        if (name == kLibraryASCIIName) return QByteArray(kASCIIName);
        confidence = kGuessConfidence;
        return holdsC1Bytes() ? windowsCodePageOf(name) : name;
      }
      case Input::EscapeAscii:
        break;
    }
    return std::nullopt;
  }

 private:
  // The three states the library sorts its input into, tracked the way it does.
  enum class Input { PureAscii, EscapeAscii, HighByte };

  static constexpr const char* kASCIIName = "US-ASCII";
  static constexpr const char* kLibraryASCIIName = "ASCII";
  // The library reports a guess only above a confidence of 0.2 and does not say by how
  // much; a guess sits between pure ASCII (0) and a settled answer (1).
  static constexpr float kGuessConfidence = 0.5f;

  void classify(char byte) {
    if (byte & 0x80) {
      input_ = Input::HighByte;
    } else if (input_ == Input::PureAscii && (byte == '\x1B' || (byte == '{' && lastByte_ == '~'))) {
      input_ = Input::EscapeAscii;
    }
    lastByte_ = byte;
  }

  bool holdsC1Bytes() const {
    return std::any_of(seen_.cbegin(), seen_.cend(),
                       [](char byte) { return uchar(byte) >= 0x80 && uchar(byte) <= 0x9F; });
  }

  // The Windows code page that has the letters of an ISO-8859 set and more in 0x80-0x9F;
  // any other name as it is.
  static QByteArray windowsCodePageOf(const QByteArray& name) {
    static constexpr std::pair<const char*, const char*> kCodePages[] = {
        {"ISO-8859-1", "WINDOWS-1252"}, {"ISO-8859-2", "WINDOWS-1250"}, {"ISO-8859-5", "WINDOWS-1251"},
        {"ISO-8859-7", "WINDOWS-1253"}, {"ISO-8859-9", "WINDOWS-1254"}, {"ISO-8859-8", "WINDOWS-1255"},
    };
    for (const auto& [iso, windows] : kCodePages)
      if (name.compare(iso, Qt::CaseInsensitive) == 0) return windows;
    return name;
  }

  // The charset the library names for the byte-order mark the data opens with.
  const char* byteOrderMarkCharset() const {
    struct Mark {
      const char* bytes;
      qsizetype size;
      const char* charset;
    };
    static constexpr Mark kMarks[] = {
        {"\xEF\xBB\xBF", 3, "UTF-8"}, {"\x00\x00\xFE\xFF", 4, "UTF-32"}, {"\xFF\xFE\x00\x00", 4, "UTF-32"},
        {"\xFE\xFF", 2, "UTF-16"},    {"\xFF\xFE", 2, "UTF-16"},
    };
    for (const Mark& mark : kMarks)
      if (seen_.startsWith(QByteArrayView(mark.bytes, mark.size))) return mark.charset;
    return nullptr;
  }

  // The library's name for everything seen, read after a full pass; empty for none.
  const QByteArray& libraryAnswer() {
    if (!libraryAnswer_) {
      QByteArray name;
      if (detector_) {
        uchardet_reset(detector_);
        uchardet_handle_data(detector_, seen_.constData(), size_t(seen_.size()));
        uchardet_data_end(detector_);
        name = QByteArray(uchardet_get_charset(detector_));
      }
      libraryAnswer_ = name;
    }
    return *libraryAnswer_;
  }

  uchardet_t detector_;
  QByteArray seen_;
  Input input_ = Input::PureAscii;
  char lastByte_ = 0;
  std::optional<QByteArray> libraryAnswer_;
};

std::unique_ptr<UniversalDetector> UniversalDetector::detector() {
  return std::make_unique<UniversalDetector>();
}

UniversalDetector::UniversalDetector() : detectorptr_(std::make_unique<wrappedUniversalDetector>()) {}

UniversalDetector::~UniversalDetector() = default;

void UniversalDetector::analyzeData(const QByteArray& data) { analyze(data.constData(), data.size()); }

void UniversalDetector::analyzeBytes(const char* bytes, qint32 length) {
  if (bytes) analyze(bytes, length);
}

void UniversalDetector::analyze(const char* bytes, qsizetype length) {
  if (length <= 0 || detectorptr_->done()) return;
  detectorptr_->HandleData(bytes, length);
  charset_.reset();
  confidence_ = 0;
}

void UniversalDetector::reset() { detectorptr_->reset(); }

bool UniversalDetector::done() const { return detectorptr_->done(); }

std::optional<QString> UniversalDetector::MIMECharset() {
  if (!charset_) {
    float confidence = 0;
    const std::optional<QByteArray> name = detectorptr_->charset(confidence);
    if (name) {
      charset_ = QString::fromUtf8(*name);
      confidence_ = confidence;
    }
  }
  return charset_;
}

quint32 UniversalDetector::encoding() {
  const std::optional<QString> name = MIMECharset();
  if (!name) return 0;
  const quint32 value = CoreFoundationEncodingForIANACharSetName(*name);
  return value == kCFStringEncodingInvalidId ? 0 : value;
}

float UniversalDetector::confidence() {
  if (!MIMECharset()) return 0;
  return confidence_;
}

}  // namespace zuvo
