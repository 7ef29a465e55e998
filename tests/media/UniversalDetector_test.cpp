#include "media/UniversalDetector.h"

#include <gtest/gtest.h>

#include "MediaTestSupport.h"
#include "media/BCStringEncoding.h"

using namespace zuvo;
using test::freshFolder;
using test::runCommand;
using test::writeFile;

namespace {

// Subtitle-like text in several scripts, long enough for the detector's statistics.
const char* const kCzech =
    "1\n00:00:01,000 --> 00:00:04,000\nPříliš žluťoučký kůň úpěl ďábelské ódy. Čeština je krásný jazyk, "
    "řekl.\n\n"
    "2\n00:00:05,000 --> 00:00:08,000\nŠťastný nový rok a veselé Vánoce všem přátelům z Brna a Ostravy.\n";
const char* const kShortCzech = "1\n00:00:01,000 --> 00:00:04,000\nPříliš žluťoučký kůň\n";
const char* const kRussian =
    "1\n00:00:01,000 --> 00:00:04,000\nСъешь же ещё этих мягких французских булок, да выпей чаю.\n\n"
    "2\n00:00:05,000 --> 00:00:08,000\nШирокая электрификация южных губерний даст мощный толчок подъёму "
    "сельского хозяйства.\n";
const char* const kGerman =
    "1\n00:00:01,000 --> 00:00:04,000\nFalsches Üben von Xylophonmusik quält jeden größeren Zwerg.\n\n"
    "2\n00:00:05,000 --> 00:00:08,000\nZwölf Boxkämpfer jagen Viktor quer über den großen Sylter Deich. "
    "Schöne Grüße aus München.\n";
const char* const kJapanese =
    "1\n00:00:01,000 --> 00:00:04,000\nいろはにほへと ちりぬるを わかよたれそ つねならむ\n\n"
    "2\n00:00:05,000 --> 00:00:08,000\nうゐのおくやま けふこえて あさきゆめみし "
    "ゑひもせす。今日は天気がいいですね。東京に行きましょう。\n";
// "똠" lies outside EUC-KR: only the Unified Hangul Code (CP949) has it.
const char* const kKorean =
    "1\n00:00:01,000 --> 00:00:04,000\n안녕하세요. 오늘 날씨가 정말 좋네요. 우리 함께 공원에 산책하러 "
    "갈까요?\n\n"
    "2\n00:00:05,000 --> 00:00:08,000\n똠방각하는 한국 드라마입니다. 서울에서 부산까지 기차로 세 시간 "
    "걸립니다.\n";
const char* const kEnglish =
    "1\n00:00:01,000 --> 00:00:04,000\nThe quick brown fox jumps over the lazy dog.\n";

// The text in another encoding, converted by iconv.
QByteArray encoded(const char* utf8, const char* encoding) {
  const QString source = writeFile(freshFolder("iconv") + "/source.txt", QByteArray(utf8));
  const test::CommandResult result =
      runCommand("iconv", {"-f", "UTF-8", "-t", QString::fromLatin1(encoding), source});
  EXPECT_EQ(result.exitCode, 0) << encoding << ": " << result.output.toStdString();
  return result.output;
}

// HZ: GB 2312 with the high bits cleared between "~{" and "~}" (iconv has no encoder).
QByteArray hzEncoded(const char* utf8) {
  QByteArray gb = encoded(utf8, "GB2312");
  for (char& byte : gb) byte = char(byte & 0x7F);
  return "~{" + gb + "~}";
}

QString rowNameFor(quint32 coreFoundationEncoding) {
  return EncodingForStringEncoding(coreFoundationEncoding).name;
}

}  // namespace

TEST(UniversalDetector, NamesTheEncodingOfRealTextAndItsTableRow) {
  struct Case {
    const char* name;
    const char* text;
    const char* encoding;  // for iconv
    const char* charset;
    quint32 coreFoundation;
    const char* row;
  } cases[] = {
      {"UTF-8", kCzech, "UTF-8", "UTF-8", 0x08000100, "UTF 8"},
      {"Windows-1250", kCzech, "WINDOWS-1250", "WINDOWS-1250", 0x0501, "Windows Latin 2"},
      {"Windows-1251", kRussian, "WINDOWS-1251", "WINDOWS-1251", 0x0502, "Windows Cyrillic"},
      {"ISO-8859-1", kGerman, "ISO-8859-1", "ISO-8859-1", 0x0201, "ISO Latin 1"},
      {"Shift_JIS", kJapanese, "SHIFT_JIS", "SHIFT_JIS", 0x0A01, "Shift JIS"},
      {"CP949", kKorean, "CP949", "UHC", 0x0422, "DOSKorean"},
      // Bytes 0x80-0x9F are control codes in ISO-8859 and letters or quotes in the Windows
      // code pages: short lines the library takes for ISO-8859 are read as Windows text.
      {"short Windows-1250", kShortCzech, "WINDOWS-1250", "WINDOWS-1250", 0x0501, "Windows Latin 2"},
      {"short Windows-1254", "1\n00:00:01,000 --> 00:00:04,000\nŞişli’de\n", "WINDOWS-1254", "WINDOWS-1254",
       0x0504, "Windows Latin 5"},
      {"short ISO-8859-2, no such byte", kShortCzech, "ISO-8859-2", "ISO-8859-2", 0x0202, "ISO Latin 2"},
  };
  for (const Case& c : cases) {
    UniversalDetector detector;
    const QByteArray bytes = encoded(c.text, c.encoding);
    detector.analyzeData(bytes);
    EXPECT_EQ(detector.MIMECharset(), QString::fromLatin1(c.charset)) << c.name;
    EXPECT_EQ(detector.encoding(), c.coreFoundation) << c.name;
    EXPECT_EQ(rowNameFor(detector.encoding()), QString::fromLatin1(c.row)) << c.name;
    EXPECT_EQ(decodeText(bytes, EncodingForStringEncoding(detector.encoding())), QString::fromUtf8(c.text))
        << c.name;
    EXPECT_GT(detector.confidence(), 0.0f) << c.name << ": a guess";
    EXPECT_LT(detector.confidence(), 1.0f) << c.name << ": not settled";
    EXPECT_FALSE(detector.done()) << c.name;
  }
}

TEST(UniversalDetector, PureASCIIAnswersUSASCIIWithNoConfidence) {
  auto detector = UniversalDetector::detector();
  detector->analyzeData(QByteArray(kEnglish));
  EXPECT_EQ(detector->MIMECharset(), QStringLiteral("US-ASCII"));
  EXPECT_EQ(detector->confidence(), 0.0f);
  EXPECT_EQ(detector->encoding(), 0x0600u) << "Core Foundation's ASCII";
  const BCStringEncoding row = EncodingForStringEncoding(detector->encoding());
  EXPECT_EQ(row.name, QStringLiteral("ASCII"));
  EXPECT_EQ(row.type, BCStringEncoding::kCoreFoundation);
  EXPECT_FALSE(detector->done());
}

TEST(UniversalDetector, ByteOrderMarksAndEscapeSequencesSettleTheAnswer) {
  struct Case {
    const char* name;
    QByteArray data;
    const char* charset;
    quint32 coreFoundation;
    const char* row;
  } cases[] = {
      {"UTF-8 with a mark", QByteArray("\xEF\xBB\xBF") + kCzech, "UTF-8", 0x08000100, "UTF 8"},
      {"UTF-16 with a mark", encoded(kRussian, "UTF-16"), "UTF-16", 0x0100, "Unicode"},
      {"ISO-2022-JP", encoded(kJapanese, "ISO-2022-JP"), "ISO-2022-JP", 0x0820, "ISO_2022_JP"},
  };
  for (const Case& c : cases) {
    UniversalDetector detector;
    detector.analyzeData(c.data);
    EXPECT_TRUE(detector.done()) << c.name;
    EXPECT_EQ(detector.MIMECharset(), QString::fromLatin1(c.charset)) << c.name;
    EXPECT_EQ(detector.confidence(), 1.0f) << c.name;
    EXPECT_EQ(detector.encoding(), c.coreFoundation) << c.name;
    EXPECT_EQ(rowNameFor(detector.encoding()), QString::fromLatin1(c.row)) << c.name;

    // Once settled, more data changes nothing.
    detector.analyzeData(encoded(kRussian, "WINDOWS-1251"));
    EXPECT_EQ(detector.MIMECharset(), QString::fromLatin1(c.charset)) << c.name << " after more data";
    EXPECT_EQ(detector.confidence(), 1.0f) << c.name << " after more data";
  }
}

TEST(UniversalDetector, InputWithoutAnAnswerGivesEncodingZero) {
  QByteArray noise;
  for (int i = 0; i < 3000; ++i) noise.append(char((i * 7919 + 13) % 256));
  struct Case {
    const char* name;
    QByteArray data;
  } cases[] = {
      {"empty buffer", QByteArray()},
      {"an escape sequence no encoding uses", QByteArray("Subtitle ~{ with an escape \x1B[0m here\n")},
      {"bytes no prober believes", noise},
  };
  for (const Case& c : cases) {
    UniversalDetector detector;
    detector.analyzeData(c.data);
    EXPECT_EQ(detector.MIMECharset(), std::nullopt) << c.name;
    EXPECT_EQ(detector.encoding(), 0u) << c.name;
    EXPECT_EQ(detector.confidence(), 0.0f) << c.name;
    EXPECT_FALSE(detector.done()) << c.name;
  }
}

TEST(UniversalDetector, NewDataMakesAFreshAnswer) {
  UniversalDetector detector;
  detector.analyzeData(QByteArray(kEnglish));
  ASSERT_EQ(detector.MIMECharset(), QStringLiteral("US-ASCII"));
  detector.analyzeData(encoded(kRussian, "WINDOWS-1251"));
  EXPECT_EQ(detector.MIMECharset(), QStringLiteral("WINDOWS-1251"));
  EXPECT_GT(detector.confidence(), 0.0f);
}

TEST(UniversalDetector, ResetKeepsTheLastAnswerUntilNewDataArrives) {
  UniversalDetector detector;
  detector.analyzeData(encoded(kRussian, "WINDOWS-1251"));
  ASSERT_EQ(detector.MIMECharset(), QStringLiteral("WINDOWS-1251"));
  detector.reset();
  EXPECT_EQ(detector.MIMECharset(), QStringLiteral("WINDOWS-1251"));
  detector.analyzeData(QByteArray(kEnglish));
  EXPECT_EQ(detector.MIMECharset(), QStringLiteral("US-ASCII")) << "the earlier bytes are forgotten";

  // A settled detector takes data again after a reset.
  UniversalDetector settled;
  settled.analyzeData(QByteArray("\xEF\xBB\xBF") + kCzech);
  ASSERT_TRUE(settled.done());
  settled.reset();
  EXPECT_FALSE(settled.done());
  settled.analyzeData(encoded(kGerman, "ISO-8859-1"));
  EXPECT_EQ(settled.MIMECharset(), QStringLiteral("ISO-8859-1"));
}

TEST(UniversalDetector, FeedingInPiecesAnswersAsFeedingAtOnce) {
  const QByteArray data = encoded(kCzech, "WINDOWS-1250");
  UniversalDetector detector;
  for (qsizetype at = 0; at < data.size(); at += 7)
    detector.analyzeBytes(data.constData() + at, qint32(std::min<qsizetype>(7, data.size() - at)));
  EXPECT_EQ(detector.MIMECharset(), QStringLiteral("WINDOWS-1250"));
}

TEST(UniversalDetector, NegativeLengthsAndMissingBytesAreIgnored) {
  UniversalDetector detector;
  detector.analyzeData(QByteArray(kEnglish));
  ASSERT_EQ(detector.MIMECharset(), QStringLiteral("US-ASCII"));
  const QByteArray latin = encoded(kGerman, "ISO-8859-1");
  detector.analyzeBytes(latin.constData(), -5);
  detector.analyzeBytes(nullptr, 20);
  EXPECT_EQ(detector.MIMECharset(), QStringLiteral("US-ASCII"));
}

TEST(UniversalDetector, EveryNameTheLibraryAnswersWithHasATableRowThatReadsItsText) {
  const char* const latvian = "Ābeļu dārzā ķēniņš gāja pa ceļu, ģimene žēlojās, šī ūdens ir salds.";
  const char* const greek = "Ξεσκεπάζω την ψυχοφθόρα βδελυγμία, είπε ο γέροντας.";
  const char* const hebrew = "שלום עולם, מה שלומך היום? הכל טוב.";
  const char* const arabic = "مرحبا بالعالم، كيف حالك اليوم؟ كل شيء بخير.";
  const char* const thai = "สวัสดีครับ วันนี้อากาศดีมาก เราไปเดินเล่นที่สวนกันไหม";
  const char* const vietnamese = "Tiếng Việt có dấu rất đẹp, chúng tôi đi dạo trong công viên.";
  const char* const koreanEUC = "안녕하세요. 오늘 날씨가 정말 좋네요. 우리 함께 공원에 산책하러 갈까요?";
  const char* const simplified = "我们一起去公园散步吧，今天天气很好。";
  const char* const traditional = "我們一起去公園散步吧，今天天氣很好。";
  // The names libuchardet 0.0.7 can report ("ASCII" already turned into "US-ASCII"), each
  // with a text of a script it holds.
  struct Case {
    const char* name;
    const char* text;
  } cases[] = {
      {"US-ASCII", kEnglish},
      {"UTF-8", kCzech},
      {"UTF-16", kRussian},
      {"UTF-32", kJapanese},
      {"BIG5", traditional},
      {"EUC-JP", kJapanese},
      {"EUC-KR", koreanEUC},
      {"EUC-TW", traditional},
      {"GB18030", simplified},
      {"HZ-GB-2312", simplified},
      {"IBM852", kCzech},
      {"IBM855", kRussian},
      {"IBM866", kRussian},
      {"ISO-2022-CN", simplified},
      {"ISO-2022-JP", kJapanese},
      {"ISO-2022-KR", koreanEUC},
      {"ISO-8859-1", kGerman},
      {"ISO-8859-2", kCzech},
      {"ISO-8859-3", "Ĉu vi ŝatas ĝin? Ĥoro manĝas ĵaŭde en la ĝardeno."},
      {"ISO-8859-4", latvian},
      {"ISO-8859-5", kRussian},
      {"ISO-8859-6", arabic},
      {"ISO-8859-7", greek},
      {"ISO-8859-8", hebrew},
      {"ISO-8859-9", "Şişli'de güzel bir ağaç var, İstanbul'un ışıkları çok güzel."},
      {"ISO-8859-10", "Þórður fór út á ŋuolbme með Ðóru og Åse."},
      {"ISO-8859-11", thai},
      {"ISO-8859-13", latvian},
      {"ISO-8859-15", kGerman},
      {"ISO-8859-16", "Șeful științei își face ținuta în grădină, spuse bătrânul."},
      {"KOI8-R", kRussian},
      {"MAC-CENTRALEUROPE", kCzech},
      {"MAC-CYRILLIC", kRussian},
      {"SHIFT_JIS", kJapanese},
      {"TIS-620", thai},
      {"VISCII", vietnamese},
      {"WINDOWS-1250", kCzech},
      {"WINDOWS-1251", kRussian},
      {"WINDOWS-1252", kGerman},
      {"WINDOWS-1253", greek},
      {"WINDOWS-1255", hebrew},
      {"WINDOWS-1256", arabic},
      {"WINDOWS-1257", latvian},
      {"WINDOWS-1258", vietnamese},
      {"UHC", kKorean},
  };
  for (const Case& c : cases) {
    const quint32 value = CoreFoundationEncodingForIANACharSetName(QString::fromLatin1(c.name));
    ASSERT_NE(value, kCFStringEncodingInvalidId) << c.name;
    const BCStringEncoding row = EncodingForStringEncoding(value);
    EXPECT_FALSE(row.isNotFound()) << c.name;
    EXPECT_TRUE(hasDecoder(row)) << c.name << ": text in it could not be read";
    const QByteArray bytes = QByteArray(c.name) == "HZ-GB-2312" ? hzEncoded(c.text) : encoded(c.text, c.name);
    // Windows-1258 writes some accents as combining marks.
    const QString text = decodeText(bytes, row).value_or(QString()).normalized(QString::NormalizationForm_C);
    EXPECT_EQ(text, QString::fromUtf8(c.text)) << c.name << " read as " << row.name.toStdString();
  }
  EXPECT_EQ(CoreFoundationEncodingForIANACharSetName("shift_jis"), 0x0A01u) << "any letter case";
  EXPECT_EQ(rowNameFor(CoreFoundationEncodingForIANACharSetName("TIS-620")), QStringLiteral("ISOLatinThai"));
  EXPECT_EQ(rowNameFor(CoreFoundationEncodingForIANACharSetName("MAC-CYRILLIC")),
            QStringLiteral("MacCyrillic"));
  EXPECT_EQ(rowNameFor(CoreFoundationEncodingForIANACharSetName("UHC")), QStringLiteral("DOSKorean"));
  EXPECT_EQ(CoreFoundationEncodingForIANACharSetName("no-such-charset"), kCFStringEncodingInvalidId);
  EXPECT_EQ(CoreFoundationEncodingForIANACharSetName(""), kCFStringEncodingInvalidId);
}
