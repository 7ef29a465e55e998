#include "media/BCStringEncoding.h"

#include <iconv.h>

#include <QStringDecoder>
#include <array>
#include <cerrno>

namespace zuvo {
namespace {

constexpr int C = BCStringEncoding::kCocoa;
constexpr int F = BCStringEncoding::kCoreFoundation;

struct Row {
  int autonumber;
  int type;
  const char* name;
  quint32 number;
  // The name ICU (through Qt) or iconv knows the encoding by; null where neither has it.
  const char* codec;
};

// clang-format off
constexpr std::array<Row, 156> kTextEncodingTable{{
    // Cocoa encodings.
    {5, C, "ASCII", 1, "US-ASCII"},
    {0, C, "NextStep", 2, nullptr},
    {10, C, "Japanese EUC", 3, "EUC-JP"},
    {1, C, "UTF 8", 4, "UTF-8"},
    {3, C, "ISO Latin 1", 5, "ISO-8859-1"},
    {0, C, "Symbol", 6, nullptr},
    {0, C, "Non Lossy ASCII", 7, nullptr},
    {11, C, "ShiftJIS", 8, "Shift_JIS"},
    {2, C, "ISO Latin 2", 9, "ISO-8859-2"},
    {0, C, "Unicode", 10, "UTF-16"},
    {17, C, "Windows Code Page 1251", 11, "windows-1251"},
    {19, C, "Windows Code Page 1252", 12, "windows-1252"},
    {20, C, "Windows Code Page 1253", 13, "windows-1253"},
    {0, C, "Windows Code Page 1254", 14, "windows-1254"},
    {18, C, "Windows Code Page 1250", 15, "windows-1250"},
    {12, C, "ISO 2022 JP", 21, "ISO-2022-JP"},
    {0, C, "Mac OS Roman", 30, "macintosh"},
    {0, C, "UTF16", 10, "UTF-16"},
    {0, C, "UTF16 (Big Endian)", 0x90000100, "UTF-16BE"},
    {0, C, "UTF16 (Little Endian)", 0x94000100, "UTF-16LE"},
    {0, C, "UTF32", 0x8C000100, "UTF-32"},
    {0, C, "UTF32 (Big Endian)", 0x98000100, "UTF-32BE"},
    {0, C, "UTF32 (Little Endian)", 0x9C000100, "UTF-32LE"},
    // Core Foundation encodings.
    {0, F, "MacRoman", 0, "macintosh"},
    {0, F, "MacJapanese", 1, nullptr},
    {0, F, "MacChineseTrad", 2, nullptr},
    {0, F, "MacKorean", 3, nullptr},
    {0, F, "MacArabic", 4, nullptr},
    {0, F, "MacHebrew", 5, nullptr},
    {0, F, "MacGreek", 6, "x-mac-greek"},
    {16, F, "MacCyrillic", 7, "x-mac-cyrillic"},
    {0, F, "MacDevanagari", 9, nullptr},
    {0, F, "MacGurmukhi", 10, nullptr},
    {0, F, "MacGujarati", 11, nullptr},
    {0, F, "MacOriya", 12, nullptr},
    {0, F, "MacBengali", 13, nullptr},
    {0, F, "MacTamil", 14, nullptr},
    {0, F, "MacTelugu", 15, nullptr},
    {0, F, "MacKannada", 16, nullptr},
    {0, F, "MacMalayalam", 17, nullptr},
    {0, F, "MacSinhalese", 18, nullptr},
    {0, F, "MacBurmese", 19, nullptr},
    {0, F, "MacKhmer", 20, nullptr},
    {0, F, "MacThai", 21, nullptr},
    {0, F, "MacLaotian", 22, nullptr},
    {0, F, "MacGeorgian", 23, nullptr},
    {0, F, "MacArmenian", 24, nullptr},
    {0, F, "MacChineseSimp", 25, nullptr},
    {0, F, "MacTibetan", 26, nullptr},
    {0, F, "MacMongolian", 27, nullptr},
    {0, F, "MacEthiopic", 28, nullptr},
    {0, F, "MacCentralEurRoman", 29, "x-mac-centraleurroman"},
    {0, F, "MacVietnamese", 30, nullptr},
    {0, F, "MacExtArabic", 31, nullptr},
    {0, F, "MacSymbol", 33, nullptr},
    {0, F, "MacDingbats", 34, nullptr},
    {0, F, "MacTurkish", 35, "x-mac-turkish"},
    {0, F, "MacCroatian", 36, nullptr},
    {0, F, "MacIcelandic", 37, "MAC-IS"},
    {0, F, "MacRomanian", 38, nullptr},
    {0, F, "MacCeltic", 39, nullptr},
    {0, F, "MacGaelic", 40, nullptr},
    {0, F, "MacFarsi", 0x8C, nullptr},
    {0, F, "MacUkrainian", 0x98, "MACUKRAINIAN"},
    {0, F, "MacInuit", 0xEC, nullptr},
    {0, F, "MacVT100", 0xFC, nullptr},
    {0, F, "MacHFS", 0xFF, nullptr},
    {0, F, "ISO Latin 1", 0x0201, "ISO-8859-1"},
    {0, F, "ISO Latin 2", 0x0202, "ISO-8859-2"},
    {0, F, "ISO Latin 3", 0x0203, "ISO-8859-3"},
    {0, F, "ISO Latin 4", 0x0204, "ISO-8859-4"},
    {23, F, "ISO Latin Cyrillic", 0x0205, "ISO-8859-5"},
    {0, F, "ISO Latin Arabic", 0x0206, "ISO-8859-6"},
    {25, F, "ISO Latin Greek", 0x0207, "ISO-8859-7"},
    {26, F, "ISO Latin Hebrew", 0x0208, "ISO-8859-8"},
    {0, F, "ISO Latin 5", 0x0209, "ISO-8859-9"},
    {0, F, "ISO Latin 6", 0x020A, "ISO-8859-10"},
    {22, F, "ISOLatinThai", 0x020B, "ISO-8859-11"},
    {0, F, "ISO Latin 7", 0x020D, "ISO-8859-13"},
    {0, F, "ISO Latin 8", 0x020E, "ISO-8859-14"},
    {0, F, "ISO Latin 9", 0x020F, "ISO-8859-15"},
    {0, F, "ISO Latin 10", 0x0210, "ISO-8859-16"},
    {0, F, "DOSLatinUS", 0x0400, "IBM437"},
    {0, F, "DOSGreek", 0x0405, "CP737"},
    {0, F, "DOSBalticRim", 0x0406, "IBM775"},
    {0, F, "DOSLatin1", 0x0410, "IBM850"},
    {0, F, "DOSGreek1", 0x0411, "IBM851"},
    {0, F, "DOSLatin2", 0x0412, "IBM852"},
    {0, F, "DOSCyrillic", 0x0413, "IBM855"},
    {0, F, "DOSTurkish", 0x0414, "IBM857"},
    {0, F, "DOSPortuguese", 0x0415, "IBM860"},
    {0, F, "DOSIcelandic", 0x0416, "IBM861"},
    {0, F, "DOSHebrew", 0x0417, "IBM862"},
    {0, F, "DOSCanadianFrench", 0x0418, "IBM863"},
    {0, F, "DOSArabic", 0x0419, "IBM864"},
    {0, F, "DOSNordic", 0x041A, "IBM865"},
    {0, F, "DOSRussian", 0x041B, "IBM866"},
    {0, F, "DOSGreek2", 0x041C, "IBM869"},
    {0, F, "DOSThai", 0x041D, "CP874"},
    {0, F, "DOSJapanese", 0x0420, "CP932"},
    {0, F, "DOSChineseSimplif", 0x0421, "CP936"},
    {0, F, "DOSKorean", 0x0422, "windows-949"},  // ICU's "CP949" is IBM's code page, without the UHC letters
    {0, F, "DOSChineseTrad", 0x0423, "CP950"},
    {0, F, "Windows Latin 1", 0x0500, "windows-1252"},
    {0, F, "Windows Latin 2", 0x0501, "windows-1250"},
    {0, F, "Windows Cyrillic", 0x0502, "windows-1251"},
    {0, F, "Windows Greek", 0x0503, "windows-1253"},
    {0, F, "Windows Latin 5", 0x0504, "windows-1254"},
    {21, F, "Windows Hebrew", 0x0505, "windows-1255"},
    {0, F, "Windows Arabic", 0x0506, "windows-1256"},
    {0, F, "Windows BalticRim", 0x0507, "windows-1257"},
    {0, F, "Windows Vietnamese", 0x0508, "windows-1258"},
    {0, F, "Windows KoreanJohab", 0x0510, "JOHAB"},
    {0, F, "ASCII", 0x0600, "US-ASCII"},
    {0, F, "ANSEL", 0x0601, nullptr},
    {0, F, "JIS_X0201_76", 0x0620, nullptr},
    {0, F, "JIS_X0208_83", 0x0621, nullptr},
    {0, F, "JIS_X0208_90", 0x0622, nullptr},
    {0, F, "JIS_X0212_90", 0x0623, nullptr},
    {0, F, "JIS_C6226_78", 0x0624, nullptr},
    {0, F, "ShiftJIS_X0213", 0x0628, "SHIFT_JISX0213"},
    {0, F, "ShiftJIS_X0213_MenKuTen", 0x0629, nullptr},
    {0, F, "GB_2312_80", 0x0630, nullptr},
    {0, F, "GBK_95", 0x0631, "GBK"},
    {4, F, "GB 18030 2000", 0x0632, "GB18030"},
    {0, F, "KSC_5601_87", 0x0640, nullptr},
    {0, F, "KSC_5601_92_Johab", 0x0641, "JOHAB"},
    {0, F, "CNS_11643_92_P1", 0x0651, nullptr},
    {0, F, "CNS_11643_92_P2", 0x0652, nullptr},
    {0, F, "CNS_11643_92_P3", 0x0653, nullptr},
    {0, F, "ISO_2022_JP", 0x0820, "ISO-2022-JP"},
    {0, F, "ISO_2022_JP_2", 0x0821, "ISO-2022-JP-2"},
    {0, F, "ISO_2022_JP_1", 0x0822, "ISO-2022-JP-1"},
    {0, F, "ISO_2022_JP_3", 0x0823, "ISO-2022-JP-3"},
    {9, F, "ISO 2022 CN", 0x0830, "ISO-2022-CN"},
    {0, F, "ISO_2022_CN_EXT", 0x0831, "ISO-2022-CN-EXT"},
    {14, F, "ISO 2022 KR", 0x0840, "ISO-2022-KR"},
    {0, F, "EUC_JP", 0x0920, "EUC-JP"},
    {0, F, "EUC_CN", 0x0930, "GB2312"},
    {7, F, "EUC TW", 0x0931, "EUC-TW"},
    {13, F, "EUC KR", 0x0940, "EUC-KR"},
    {0, F, "Shift JIS", 0x0A01, "Shift_JIS"},
    {15, F, "KOI8 R", 0x0A02, "KOI8-R"},
    {6, F, "Big5", 0x0A03, "Big5"},
    {0, F, "MacRomanLatin1", 0x0A04, nullptr},
    {8, F, "HZ GB 2312", 0x0A05, "HZ-GB-2312"},
    {0, F, "Big5 HKSCS 1999", 0x0A06, "Big5-HKSCS"},
    {0, F, "VISCII", 0x0A07, "VISCII"},
    {0, F, "KOI8_U", 0x0A08, "KOI8-U"},
    {0, F, "Big5_E", 0x0A09, nullptr},
    {0, F, "NextStepLatin", 0x0B01, nullptr},
    {0, F, "NextStepJapanese", 0x0B02, nullptr},
    {0, F, "EBCDIC_US", 0x0C01, "EBCDIC-US"},
    {0, F, "EBCDIC_CP037", 0x0C02, "IBM037"},
    {0, F, "UTF7", 0x04000100, "UTF-7"},
    {0, F, "UTF7_IMAP", 0x0A10, "UTF-7-IMAP"},
}};
// clang-format on

// Core Foundation values that Cocoa numbers with a small constant of its own.
struct CocoaPair {
  quint32 coreFoundation;
  quint32 cocoa;
};
constexpr CocoaPair kCocoaConstants[] = {
    {0x0600, 1},      // ASCII
    {0x0B01, 2},      // NextStep Latin
    {0x0920, 3},      // EUC-JP
    {0x08000100, 4},  // UTF-8
    {0x0201, 5},      // ISO Latin 1
    {0x21, 6},        // Symbol
    {0x0BFF, 7},      // non-lossy ASCII
    {0x0420, 8},      // Shift JIS (DOS Japanese)
    {0x0202, 9},      // ISO Latin 2
    {0x0100, 10},     // UTF-16
    {0x0502, 11},     // Windows Cyrillic
    {0x0500, 12},     // Windows Latin 1
    {0x0503, 13},     // Windows Greek
    {0x0504, 14},     // Windows Latin 5
    {0x0501, 15},     // Windows Latin 2
    {0x0820, 21},     // ISO-2022-JP
    {0x0000, 30},     // Mac Roman
};

// IANA charset names (and the detector's own spellings) to Core Foundation encodings.
struct CharsetName {
  const char* name;
  quint32 coreFoundation;
};
// clang-format off
constexpr CharsetName kIANACharsetNames[] = {
    {"US-ASCII", 0x0600}, {"ANSI_X3.4-1968", 0x0600}, {"ASCII", 0x0600},
    {"UTF-8", 0x08000100}, {"UTF-7", 0x04000100},
    {"UTF-16", 0x0100}, {"ISO-10646-UCS-2", 0x0100}, {"UTF-16BE", 0x10000100}, {"UTF-16LE", 0x14000100},
    {"UTF-32", 0x0C000100}, {"UTF-32BE", 0x18000100}, {"UTF-32LE", 0x1C000100},
    {"macintosh", 0x00}, {"x-mac-roman", 0x00}, {"x-mac-japanese", 0x01}, {"x-mac-trad-chinese", 0x02},
    {"x-mac-korean", 0x03}, {"x-mac-arabic", 0x04}, {"x-mac-hebrew", 0x05}, {"x-mac-greek", 0x06},
    {"x-mac-cyrillic", 0x07}, {"MAC-CYRILLIC", 0x07}, {"x-mac-simp-chinese", 0x19},
    {"x-mac-centraleurroman", 0x1D}, {"MAC-CENTRALEUROPE", 0x1D}, {"x-mac-turkish", 0x23},
    {"x-mac-croatian", 0x24}, {"x-mac-icelandic", 0x25}, {"x-mac-romanian", 0x26}, {"x-mac-ukrainian", 0x98},
    {"ISO-8859-1", 0x0201}, {"ISO_8859-1", 0x0201}, {"latin1", 0x0201},
    {"ISO-8859-2", 0x0202}, {"ISO_8859-2", 0x0202}, {"latin2", 0x0202},
    {"ISO-8859-3", 0x0203}, {"ISO-8859-4", 0x0204}, {"ISO-8859-5", 0x0205}, {"ISO-8859-6", 0x0206},
    {"ISO-8859-7", 0x0207}, {"ISO-8859-8", 0x0208}, {"ISO-8859-9", 0x0209}, {"ISO-8859-10", 0x020A},
    {"ISO-8859-11", 0x020B}, {"TIS-620", 0x020B}, {"ISO-8859-13", 0x020D}, {"ISO-8859-14", 0x020E},
    {"ISO-8859-15", 0x020F}, {"ISO-8859-16", 0x0210},
    {"IBM437", 0x0400}, {"IBM737", 0x0405}, {"IBM775", 0x0406}, {"IBM850", 0x0410}, {"IBM851", 0x0411},
    {"IBM852", 0x0412}, {"IBM855", 0x0413}, {"IBM857", 0x0414}, {"IBM860", 0x0415}, {"IBM861", 0x0416},
    {"IBM862", 0x0417}, {"IBM863", 0x0418}, {"IBM864", 0x0419}, {"IBM865", 0x041A}, {"IBM866", 0x041B},
    {"IBM869", 0x041C}, {"windows-874", 0x041D}, {"windows-31j", 0x0420}, {"cp932", 0x0420},
    {"windows-936", 0x0421}, {"cp949", 0x0422}, {"UHC", 0x0422}, {"cp950", 0x0423},
    {"windows-1252", 0x0500}, {"windows-1250", 0x0501}, {"windows-1251", 0x0502}, {"windows-1253", 0x0503},
    {"windows-1254", 0x0504}, {"windows-1255", 0x0505}, {"windows-1256", 0x0506}, {"windows-1257", 0x0507},
    {"windows-1258", 0x0508}, {"johab", 0x0510},
    {"GBK", 0x0631}, {"GB18030", 0x0632}, {"GB2312", 0x0930},
    {"ISO-2022-JP", 0x0820}, {"ISO-2022-JP-2", 0x0821}, {"ISO-2022-CN", 0x0830}, {"ISO-2022-CN-EXT", 0x0831},
    {"ISO-2022-KR", 0x0840},
    {"EUC-JP", 0x0920}, {"EUC-TW", 0x0931}, {"EUC-KR", 0x0940},
    {"Shift_JIS", 0x0A01}, {"MS_Kanji", 0x0A01}, {"KOI8-R", 0x0A02}, {"Big5", 0x0A03}, {"HZ-GB-2312", 0x0A05},
    {"Big5-HKSCS", 0x0A06}, {"VISCII", 0x0A07}, {"KOI8-U", 0x0A08},
    {"x-nextstep", 0x0B01}, {"IBM037", 0x0C02},
};
// clang-format on

BCStringEncoding recordOf(const Row& row) {
  return BCStringEncoding{row.autonumber, row.type, QString::fromUtf8(row.name), row.number};
}

template <class Predicate>
BCStringEncoding firstRow(Predicate matches) {
  for (const Row& row : kTextEncodingTable)
    if (matches(row)) return recordOf(row);
  return NotFoundEncoding();
}

const char* codecFor(const BCStringEncoding& encoding) {
  if (encoding.isNotFound()) return nullptr;
  for (const Row& row : kTextEncodingTable)
    if (row.type == encoding.type && row.number == encoding.number) return row.codec;
  return nullptr;
}

bool iconvKnows(const char* codec) {
  iconv_t cd = iconv_open("UTF-8", codec);
  if (cd == iconv_t(-1)) return false;
  iconv_close(cd);
  return true;
}

std::optional<QString> decodeWithIconv(const QByteArray& bytes, const char* codec) {
  iconv_t cd = iconv_open("UTF-8", codec);
  if (cd == iconv_t(-1)) return std::nullopt;
  QByteArray out(bytes.size() * 4 + 16, Qt::Uninitialized);
  char* in = const_cast<char*>(bytes.constData());
  size_t inLeft = size_t(bytes.size());
  size_t written = 0;
  bool ok = true;
  // The second round (no input) flushes a stateful encoding's pending shift sequence.
  for (bool flushing = false;;) {
    char* outPtr = out.data() + written;
    size_t outLeft = size_t(out.size()) - written;
    const size_t r = flushing ? iconv(cd, nullptr, nullptr, &outPtr, &outLeft)
                              : iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    written = size_t(outPtr - out.data());
    if (r == size_t(-1) && errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    if (r == size_t(-1)) {
      ok = false;  // an invalid or cut-off sequence
      break;
    }
    if (flushing) break;
    flushing = true;
  }
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.truncate(qsizetype(written));
  return QString::fromUtf8(out);
}

}  // namespace

int EncodingCount() { return int(kTextEncodingTable.size()); }

BCStringEncoding EncodingAtIndex(int index) {
  if (index < 0 || index >= EncodingCount()) return NotFoundEncoding();
  return recordOf(kTextEncodingTable[size_t(index)]);
}

BCStringEncoding EncodingForName(const QString& name) {
  return firstRow([&](const Row& row) { return name == QString::fromUtf8(row.name); });
}

BCStringEncoding EncodingForNumberOrUTF8(quint32 number) {
  const BCStringEncoding found = firstRow([&](const Row& row) { return row.number == number; });
  return found.isNotFound() ? UTF8Encoding() : found;
}

// A Core Foundation value is looked for among the Core Foundation rows first: the small
// Mac script numbers (MacJapanese 1 ... MacVietnamese 30) are also Cocoa constants, and
// matching them against the Cocoa rows would give MacCyrillic text the "Non Lossy ASCII"
// row. Only then is the value turned into Cocoa's numbering and looked for there.
BCStringEncoding EncodingForStringEncoding(quint32 coreFoundationEncoding) {
  const BCStringEncoding found = firstRow([&](const Row& row) {
    return row.type == BCStringEncoding::kCoreFoundation && row.number == coreFoundationEncoding;
  });
  if (!found.isNotFound()) return found;
  const quint32 cocoa = CocoaEncodingForCoreFoundation(coreFoundationEncoding);
  return firstRow(
      [&](const Row& row) { return row.type == BCStringEncoding::kCocoa && row.number == cocoa; });
}

BCStringEncoding EncodingForAutonumber(int autonumber) {
  return firstRow([&](const Row& row) { return row.autonumber == autonumber; });
}

BCStringEncoding NotFoundEncoding() { return BCStringEncoding{}; }

BCStringEncoding UTF8Encoding() { return EncodingForName(QStringLiteral("UTF 8")); }

quint32 CocoaEncodingForCoreFoundation(quint32 coreFoundationEncoding) {
  for (const CocoaPair& pair : kCocoaConstants)
    if (pair.coreFoundation == coreFoundationEncoding) return pair.cocoa;
  return coreFoundationEncoding | 0x80000000u;
}

quint32 CoreFoundationEncodingForIANACharSetName(const QString& name) {
  for (const CharsetName& known : kIANACharsetNames)
    if (name.compare(QLatin1String(known.name), Qt::CaseInsensitive) == 0) return known.coreFoundation;
  return kCFStringEncodingInvalidId;
}

bool hasDecoder(const BCStringEncoding& encoding) {
  const char* codec = codecFor(encoding);
  if (!codec) return false;
  return QStringDecoder(codec).isValid() || iconvKnows(codec);
}

std::optional<QString> iconvCharsetName(const BCStringEncoding& encoding) {
  const char* codec = codecFor(encoding);
  if (!codec || !iconvKnows(codec)) return std::nullopt;
  return QString::fromLatin1(codec);
}

std::optional<QString> decodeText(const QByteArray& bytes, const BCStringEncoding& encoding,
                                  const Reporter& reporter) {
  const char* codec = codecFor(encoding);
  if (codec) {
    QStringDecoder decoder(codec, QStringConverter::Flag::Stateless);
    if (decoder.isValid()) {
      QString text = decoder.decode(bytes);
      if (decoder.hasError()) return std::nullopt;
      return text;
    }
    if (iconvKnows(codec)) return decodeWithIconv(bytes, codec);
  }
  if (reporter)
    reporter->report(
        QStringLiteral("[RED]No decoder on this system for the text encoding %1").arg(encoding.name), 3);
  return std::nullopt;
}

}  // namespace zuvo
