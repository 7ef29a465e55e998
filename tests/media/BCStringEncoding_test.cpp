#include "media/BCStringEncoding.h"

#include <gtest/gtest.h>

#include <QSet>

#include "MediaTestSupport.h"

using namespace zuvo;
using test::CapturedLog;

TEST(TextEncodingTable, HoldsTheRowsInTheirPlacesWithTheirNumbers) {
  ASSERT_EQ(EncodingCount(), 156);
  struct Case {
    int index;
    const char* name;
    int type;
    quint32 number;
  } cases[] = {
      {0, "ASCII", 2, 1},
      {3, "UTF 8", 2, 4},
      {9, "Unicode", 2, 10},
      {15, "ISO 2022 JP", 2, 21},
      {16, "Mac OS Roman", 2, 30},
      {17, "UTF16", 2, 10},
      {18, "UTF16 (Big Endian)", 2, 0x90000100},
      {22, "UTF32 (Little Endian)", 2, 0x9C000100},
      {23, "MacRoman", 1, 0},
      {30, "MacCyrillic", 1, 7},
      {66, "MacHFS", 1, 255},
      {67, "ISO Latin 1", 1, 0x0201},
      {81, "ISO Latin 10", 1, 0x0210},
      {82, "DOSLatinUS", 1, 0x0400},
      {103, "Windows Latin 1", 1, 0x0500},
      {113, "ASCII", 1, 0x0600},
      {124, "GB 18030 2000", 1, 0x0632},
      {136, "ISO 2022 KR", 1, 0x0840},
      {139, "EUC TW", 1, 0x0931},
      {140, "EUC KR", 1, 0x0940},
      {143, "Big5", 1, 0x0A03},
      {155, "UTF7_IMAP", 1, 0x0A10},
  };
  for (const Case& c : cases) {
    const BCStringEncoding row = EncodingAtIndex(c.index);
    EXPECT_EQ(row.name, QString::fromUtf8(c.name)) << "row " << c.index;
    EXPECT_EQ(row.type, c.type) << c.name;
    EXPECT_EQ(row.number, c.number) << c.name;
  }
  EXPECT_TRUE(EncodingAtIndex(156).isNotFound());
  EXPECT_TRUE(EncodingAtIndex(-1).isNotFound());
}

TEST(TextEncodingTable, DetectorNumbersNameTwentyFiveRows) {
  const QMap<int, QString> expected{{1, "UTF 8"},
                                    {2, "ISO Latin 2"},
                                    {3, "ISO Latin 1"},
                                    {4, "GB 18030 2000"},
                                    {5, "ASCII"},
                                    {6, "Big5"},
                                    {7, "EUC TW"},
                                    {8, "HZ GB 2312"},
                                    {9, "ISO 2022 CN"},
                                    {10, "Japanese EUC"},
                                    {11, "ShiftJIS"},
                                    {12, "ISO 2022 JP"},
                                    {13, "EUC KR"},
                                    {14, "ISO 2022 KR"},
                                    {15, "KOI8 R"},
                                    {16, "MacCyrillic"},
                                    {17, "Windows Code Page 1251"},
                                    {18, "Windows Code Page 1250"},
                                    {19, "Windows Code Page 1252"},
                                    {20, "Windows Code Page 1253"},
                                    {21, "Windows Hebrew"},
                                    {22, "ISOLatinThai"},
                                    {23, "ISO Latin Cyrillic"},
                                    {25, "ISO Latin Greek"},
                                    {26, "ISO Latin Hebrew"}};
  int numbered = 0;
  for (int i = 0; i < EncodingCount(); ++i) {
    const BCStringEncoding row = EncodingAtIndex(i);
    if (row.autonumber == 0) continue;
    ++numbered;
    EXPECT_EQ(expected.value(row.autonumber), row.name) << "autonumber " << row.autonumber;
  }
  EXPECT_EQ(numbered, 25);
  // The doubled names carry their detector number on the Cocoa row.
  EXPECT_EQ(EncodingForAutonumber(3).type, BCStringEncoding::kCocoa);
  EXPECT_TRUE(EncodingForAutonumber(24).isNotFound());
}

TEST(TextEncodingTable, LookUpsFindTheFirstMatchingRowOrTheirFallBack) {
  EXPECT_EQ(EncodingForName("ISO Latin 1").number, 5u) << "the Cocoa row comes first";
  EXPECT_EQ(EncodingForName("ASCII").type, BCStringEncoding::kCocoa);
  EXPECT_TRUE(EncodingForName("iso latin 1").isNotFound()) << "names match exactly";
  EXPECT_TRUE(EncodingForName("Klingon").isNotFound());

  EXPECT_EQ(EncodingForNumberOrUTF8(0x0A02).name, "KOI8 R");
  EXPECT_EQ(EncodingForNumberOrUTF8(1).name, "ASCII") << "whatever its type: the first row";
  EXPECT_EQ(EncodingForNumberOrUTF8(0x12345).name, "UTF 8");

  struct Case {
    quint32 coreFoundation;
    const char* name;
  } cases[] = {
      {0x0940, "EUC KR"},
      {0x0201, "ISO Latin 1"},  // the Core Foundation row of the doubled name
      {0x08000100, "UTF 8"},    // no such row: Cocoa's UTF-8
      {0x0100, "Unicode"},      // Cocoa's UTF-16
      {0x10000100, "UTF16 (Big Endian)"},
      {7, "MacCyrillic"},  // not Cocoa's 7, "Non Lossy ASCII"
      {0, "MacRoman"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(EncodingForStringEncoding(c.coreFoundation).name, QString::fromUtf8(c.name)) << c.name;
  EXPECT_EQ(EncodingForStringEncoding(0x0201).type, BCStringEncoding::kCoreFoundation);
  EXPECT_TRUE(EncodingForStringEncoding(0x0C05).isNotFound());
  EXPECT_EQ(CocoaEncodingForCoreFoundation(0x0632), 0x80000632u);
}

TEST(TextEncodingDecoding, DecodesThroughTheRowsCodec) {
  struct Case {
    const char* encoding;
    QByteArray bytes;
    QString text;
  } cases[] = {
      {"UTF 8", "caf\xc3\xa9", QString::fromUtf8("café")},
      {"ISO Latin 1", "caf\xe9", QString::fromUtf8("café")},
      {"Windows Code Page 1250", "\x9a\x9e", QString::fromUtf8("šž")},
      {"Windows Code Page 1251", "\xcf\xf0\xe8\xe2\xe5\xf2", QString::fromUtf8("Привет")},
      {"KOI8 R", "\xf0\xd2\xc9\xd7\xc5\xd4", QString::fromUtf8("Привет")},
      {"MacCyrillic", "\x8f\xf0\xe8\xe2\xe5\xf2", QString::fromUtf8("Привет")},
      {"Mac OS Roman", "\x8e", QString::fromUtf8("é")},
      {"ShiftJIS", "\x93\xfa\x96\x7b", QString::fromUtf8("日本")},
      {"EUC KR", "\xc7\xd1\xb1\xb9", QString::fromUtf8("한국")},
      {"Big5", "\xa4\xa4\xa4\xe5", QString::fromUtf8("中文")},
      {"GB 18030 2000", "\xd6\xd0\xce\xc4", QString::fromUtf8("中文")},
      {"ISO 2022 JP", "\x1b$BF|K\\\x1b(B", QString::fromUtf8("日本")},
      {"UTF16 (Little Endian)", QByteArray("h\0i\0", 4), QStringLiteral("hi")},
      {"UTF16 (Big Endian)", QByteArray("\0h\0i", 4), QStringLiteral("hi")},
      {"Unicode", QByteArray("\xfe\xff\0h\0i", 6), QStringLiteral("hi")},
      {"MacUkrainian", "\xb6", QString::fromUtf8("ґ")},  // through iconv
      {"ISO Latin 10", "\xaa", QString::fromUtf8("Ș")},  // through iconv
      {"EBCDIC_US", "\xc8\x89", QStringLiteral("Hi")},   // through iconv
  };
  for (const Case& c : cases) {
    const BCStringEncoding encoding = EncodingForName(QString::fromUtf8(c.encoding));
    ASSERT_FALSE(encoding.isNotFound()) << c.encoding;
    const std::optional<QString> text = decodeText(c.bytes, encoding);
    ASSERT_TRUE(text.has_value()) << c.encoding;
    EXPECT_EQ(*text, c.text) << c.encoding;
  }
}

TEST(TextEncodingDecoding, InvalidBytesDecodeToNothing) {
  EXPECT_FALSE(decodeText("caf\xe9", UTF8Encoding()).has_value());
  EXPECT_FALSE(decodeText("caf\xe9", EncodingForName("ASCII")).has_value());
  EXPECT_FALSE(decodeText("\x1b$BF", EncodingForName("ISO_2022_JP_3")).has_value()) << "cut-off sequence";
  EXPECT_EQ(decodeText("", UTF8Encoding()), QString());
}

TEST(TextEncodingDecoding, ARowWithoutDecoderFailsWithALogLine) {
  CapturedLog log;
  const BCStringEncoding ansel = EncodingForName("ANSEL");
  EXPECT_FALSE(hasDecoder(ansel));
  EXPECT_FALSE(decodeText("abc", ansel, log.reporter).has_value());
  EXPECT_TRUE(log.text().contains("No decoder on this system for the text encoding ANSEL"))
      << log.text().toStdString();
  EXPECT_FALSE(decodeText("abc", NotFoundEncoding(), log.reporter).has_value());
}

TEST(TextEncodingDecoding, EveryRowThatNamesACodecCanDecodeHere) {
  // Guards the codec names against this system's ICU and iconv: plain ASCII text comes
  // through every decoder whose encoding is ASCII-compatible.
  const QSet<QString> notAsciiCompatible{"Unicode",
                                         "UTF16",
                                         "UTF16 (Big Endian)",
                                         "UTF16 (Little Endian)",
                                         "UTF32",
                                         "UTF32 (Big Endian)",
                                         "UTF32 (Little Endian)",
                                         "EBCDIC_US",
                                         "EBCDIC_CP037"};
  QStringList undecodable;
  for (int i = 0; i < EncodingCount(); ++i) {
    const BCStringEncoding row = EncodingAtIndex(i);
    if (!hasDecoder(row)) {
      undecodable << row.name;
      continue;
    }
    if (!notAsciiCompatible.contains(row.name)) {
      EXPECT_EQ(decodeText("Abc 12", row).value_or("(failed)"), "Abc 12") << row.name.toStdString();
    }
  }
  // Mac script encodings, raw character sets and the NeXT encodings have no decoder here.
  EXPECT_EQ(undecodable.size(), 56) << undecodable.join(", ").toStdString();
  EXPECT_FALSE(undecodable.contains("UTF 8"));
}
