#pragma once
// The text encodings offered for subtitle files: one built-in table of 156 rows that
// keeps the Mac numbering (Cocoa and Core Foundation constants), so that archives and
// settings stay comparable, and decodes text through ICU (Qt) or iconv.
#include <QByteArray>
#include <QString>
#include <optional>

#include "media/BCCReporter.h"

namespace zuvo {

struct BCStringEncoding {
  // `type` values.
  static constexpr int kCocoa = 2;
  static constexpr int kCoreFoundation = 1;
  static constexpr int kNotFound = -1;

  int autonumber = 0;  // the detector number that maps to this row; 0 none
  int type = kNotFound;
  QString name;        // display name; the only part a subtitle track archives
  quint32 number = 0;  // the Cocoa or Core Foundation constant

  bool isNotFound() const { return type == kNotFound; }
  friend bool operator==(const BCStringEncoding&, const BCStringEncoding&) = default;
};

int EncodingCount();
// The not-found record outside 0 ... EncodingCount() - 1.
BCStringEncoding EncodingAtIndex(int index);
BCStringEncoding EncodingForName(const QString& name);
BCStringEncoding EncodingForNumberOrUTF8(quint32 number);
BCStringEncoding EncodingForStringEncoding(quint32 coreFoundationEncoding);
BCStringEncoding EncodingForAutonumber(int autonumber);
BCStringEncoding NotFoundEncoding();
// The "UTF 8" row, which callers fall back to.
BCStringEncoding UTF8Encoding();

// Core Foundation's numbering to Cocoa's (CFStringConvertEncodingToNSStringEncoding): the
// Cocoa constant where one exists, else the value with the top bit set.
quint32 CocoaEncodingForCoreFoundation(quint32 coreFoundationEncoding);

// What Core Foundation answers for a charset name it does not know.
inline constexpr quint32 kCFStringEncodingInvalidId = 0xFFFFFFFFu;
// The Core Foundation encoding an IANA charset name stands for, in any letter case
// (CFStringConvertIANACharSetNameToEncoding). Besides the registered names and aliases
// it knows the spellings the character-set detector answers with ("MAC-CYRILLIC",
// "TIS-620", ...). kCFStringEncodingInvalidId for any other name.
quint32 CoreFoundationEncodingForIANACharSetName(const QString& name);

// Whether text in this encoding can be decoded on this system.
bool hasDecoder(const BCStringEncoding& encoding);
// The charset name iconv opens the encoding by, for the tools that decode text through
// iconv themselves (mencoder's "-subcp"); nothing where iconv has no converter for it.
std::optional<QString> iconvCharsetName(const BCStringEncoding& encoding);
// The bytes as text; nothing when they are not valid in the encoding, or (with a line in
// the log) when this system has no decoder for it.
std::optional<QString> decodeText(const QByteArray& bytes, const BCStringEncoding& encoding,
                                  const Reporter& reporter = nullptr);

}  // namespace zuvo
