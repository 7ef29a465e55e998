#include "media/LanguageRecord.h"

#include <QMutex>
#include <algorithm>
#include <array>

namespace zuvo {
namespace {

struct LanguageRow {
  const char* longname;
  const char* threechar;
  const char* twochar;
};

// Every ISO 639-1 language with its ISO 639-2/T code, in the alphabetical order of the
// English names, one row per name. Kept as the application has always had them: the
// "1453-" row after "Greek, Modern", "Interlingue; Occidental" as one row, and the
// Bokmål codes under three names among the B rows (so "Norwegian" finds "nob" before
// the "nor" row).
// clang-format off
constexpr std::array<LanguageRow, 221> kLanguageTable{{
    {"Abkhazian", "abk", "ab"},
    {"Afar", "aar", "aa"},
    {"Afrikaans", "afr", "af"},
    {"Akan", "aka", "ak"},
    {"Albanian", "sqi", "sq"},
    {"Amharic", "amh", "am"},
    {"Arabic", "ara", "ar"},
    {"Aragonese", "arg", "an"},
    {"Armenian", "hye", "hy"},
    {"Assamese", "asm", "as"},
    {"Avaric", "ava", "av"},
    {"Avestan", "ave", "ae"},
    {"Aymara", "aym", "ay"},
    {"Azerbaijani", "aze", "az"},
    {"Bambara", "bam", "bm"},
    {"Bashkir", "bak", "ba"},
    {"Basque", "eus", "eu"},
    {"Belarusian", "bel", "be"},
    {"Bengali", "ben", "bn"},
    {"Bihari languages", "bih", "bh"},
    {"Bislama", "bis", "bi"},
    {"Bokmål", "nob", "nb"},
    {"Norwegian", "nob", "nb"},
    {"Norwegian Bokmål", "nob", "nb"},
    {"Bosnian", "bos", "bs"},
    {"Breton", "bre", "br"},
    {"Bulgarian", "bul", "bg"},
    {"Burmese", "mya", "my"},
    {"Catalan", "cat", "ca"},
    {"Valencian", "cat", "ca"},
    {"Central Khmer", "khm", "km"},
    {"Chamorro", "cha", "ch"},
    {"Chechen", "che", "ce"},
    {"Chichewa", "nya", "ny"},
    {"Chewa", "nya", "ny"},
    {"Nyanja", "nya", "ny"},
    {"Chinese", "zho", "zh"},
    {"Church Slavic", "chu", "cu"},
    {"Old Slavonic", "chu", "cu"},
    {"Church Slavonic", "chu", "cu"},
    {"Old Bulgarian", "chu", "cu"},
    {"Old Church Slavonic", "chu", "cu"},
    {"Chuvash", "chv", "cv"},
    {"Cornish", "cor", "kw"},
    {"Corsican", "cos", "co"},
    {"Cree", "cre", "cr"},
    {"Croatian", "hrv", "hr"},
    {"Czech", "ces", "cs"},
    {"Danish", "dan", "da"},
    {"Divehi", "div", "dv"},
    {"Dhivehi", "div", "dv"},
    {"Maldivian", "div", "dv"},
    {"Dutch", "nld", "nl"},
    {"Flemish", "nld", "nl"},
    {"Dzongkha", "dzo", "dz"},
    {"English", "eng", "en"},
    {"Esperanto", "epo", "eo"},
    {"Estonian", "est", "et"},
    {"Ewe", "ewe", "ee"},
    {"Faroese", "fao", "fo"},
    {"Fijian", "fij", "fj"},
    {"Finnish", "fin", "fi"},
    {"French", "fra", "fr"},
    {"Fulah", "ful", "ff"},
    {"Gaelic", "gla", "gd"},
    {"Scottish Gaelic", "gla", "gd"},
    {"Galician", "glg", "gl"},
    {"Ganda", "lug", "lg"},
    {"Georgian", "kat", "ka"},
    {"German", "deu", "de"},
    {"Greek, Modern", "ell", "el"},
    {"1453-", "ell", "el"},
    {"Guarani", "grn", "gn"},
    {"Gujarati", "guj", "gu"},
    {"Haitian", "hat", "ht"},
    {"Haitian Creole", "hat", "ht"},
    {"Hausa", "hau", "ha"},
    {"Hebrew", "heb", "he"},
    {"Herero", "her", "hz"},
    {"Hindi", "hin", "hi"},
    {"Hiri Motu", "hmo", "ho"},
    {"Hungarian", "hun", "hu"},
    {"Icelandic", "isl", "is"},
    {"Ido", "ido", "io"},
    {"Igbo", "ibo", "ig"},
    {"Indonesian", "ind", "id"},
    {"Interlingua (International Auxiliary Language Association)", "ina", "ia"},
    {"Interlingue; Occidental", "ile", "ie"},
    {"Inuktitut", "iku", "iu"},
    {"Inupiaq", "ipk", "ik"},
    {"Irish", "gle", "ga"},
    {"Italian", "ita", "it"},
    {"Japanese", "jpn", "ja"},
    {"Javanese", "jav", "jv"},
    {"Kalaallisut", "kal", "kl"},
    {"Greenlandic", "kal", "kl"},
    {"Kannada", "kan", "kn"},
    {"Kanuri", "kau", "kr"},
    {"Kashmiri", "kas", "ks"},
    {"Kazakh", "kaz", "kk"},
    {"Kikuyu", "kik", "ki"},
    {"Gikuyu", "kik", "ki"},
    {"Kinyarwanda", "kin", "rw"},
    {"Kirghiz", "kir", "ky"},
    {"Kyrgyz", "kir", "ky"},
    {"Komi", "kom", "kv"},
    {"Kongo", "kon", "kg"},
    {"Korean", "kor", "ko"},
    {"Kuanyama", "kua", "kj"},
    {"Kwanyama", "kua", "kj"},
    {"Kurdish", "kur", "ku"},
    {"Lao", "lao", "lo"},
    {"Latin", "lat", "la"},
    {"Latvian", "lav", "lv"},
    {"Limburgan", "lim", "li"},
    {"Limburger", "lim", "li"},
    {"Limburgish", "lim", "li"},
    {"Lingala", "lin", "ln"},
    {"Lithuanian", "lit", "lt"},
    {"Luba-Katanga", "lub", "lu"},
    {"Luxembourgish", "ltz", "lb"},
    {"Letzeburgesch", "ltz", "lb"},
    {"Macedonian", "mkd", "mk"},
    {"Malagasy", "mlg", "mg"},
    {"Malay", "msa", "ms"},
    {"Malayalam", "mal", "ml"},
    {"Maltese", "mlt", "mt"},
    {"Manx", "glv", "gv"},
    {"Maori", "mri", "mi"},
    {"Marathi", "mar", "mr"},
    {"Marshallese", "mah", "mh"},
    {"Mongolian", "mon", "mn"},
    {"Nauru", "nau", "na"},
    {"Navajo", "nav", "nv"},
    {"Navaho", "nav", "nv"},
    {"Ndebele, North", "nde", "nd"},
    {"North Ndebele", "nde", "nd"},
    {"Ndebele, South", "nbl", "nr"},
    {"South Ndebele", "nbl", "nr"},
    {"Ndonga", "ndo", "ng"},
    {"Nepali", "nep", "ne"},
    {"Northern Sami", "sme", "se"},
    {"Norwegian", "nor", "no"},
    {"Norwegian Nynorsk", "nno", "nn"},
    {"Nynorsk, Norwegian", "nno", "nn"},
    {"Occitan (post 1500)", "oci", "oc"},
    {"Provençal", "oci", "oc"},
    {"Ojibwa", "oji", "oj"},
    {"Oriya", "ori", "or"},
    {"Oromo", "orm", "om"},
    {"Ossetian", "oss", "os"},
    {"Ossetic", "oss", "os"},
    {"Pali", "pli", "pi"},
    {"Panjabi", "pan", "pa"},
    {"Punjabi", "pan", "pa"},
    {"Persian", "fas", "fa"},
    {"Polish", "pol", "pl"},
    {"Portuguese", "por", "pt"},
    {"Pushto", "pus", "ps"},
    {"Pashto", "pus", "ps"},
    {"Quechua", "que", "qu"},
    {"Romanian", "ron", "ro"},
    {"Moldavian", "ron", "ro"},
    {"Moldovan", "ron", "ro"},
    {"Romansh", "roh", "rm"},
    {"Rundi", "run", "rn"},
    {"Russian", "rus", "ru"},
    {"Samoan", "smo", "sm"},
    {"Sango", "sag", "sg"},
    {"Sanskrit", "san", "sa"},
    {"Sardinian", "srd", "sc"},
    {"Serbian", "srp", "sr"},
    {"Shona", "sna", "sn"},
    {"Sichuan Yi", "iii", "ii"},
    {"Nuosu", "iii", "ii"},
    {"Sindhi", "snd", "sd"},
    {"Sinhala", "sin", "si"},
    {"Sinhalese", "sin", "si"},
    {"Slovak", "slk", "sk"},
    {"Slovenian", "slv", "sl"},
    {"Somali", "som", "so"},
    {"Sotho, Southern", "sot", "st"},
    {"Spanish", "spa", "es"},
    {"Castilian", "spa", "es"},
    {"Sundanese", "sun", "su"},
    {"Swahili", "swa", "sw"},
    {"Swati", "ssw", "ss"},
    {"Swedish", "swe", "sv"},
    {"Tagalog", "tgl", "tl"},
    {"Tahitian", "tah", "ty"},
    {"Tajik", "tgk", "tg"},
    {"Tamil", "tam", "ta"},
    {"Tatar", "tat", "tt"},
    {"Telugu", "tel", "te"},
    {"Thai", "tha", "th"},
    {"Tibetan", "bod", "bo"},
    {"Tigrinya", "tir", "ti"},
    {"Tonga (Tonga Islands)", "ton", "to"},
    {"Tsonga", "tso", "ts"},
    {"Tswana", "tsn", "tn"},
    {"Turkish", "tur", "tr"},
    {"Turkmen", "tuk", "tk"},
    {"Twi", "twi", "tw"},
    {"Uighur", "uig", "ug"},
    {"Uyghur", "uig", "ug"},
    {"Ukrainian", "ukr", "uk"},
    {"Urdu", "urd", "ur"},
    {"Uzbek", "uzb", "uz"},
    {"Venda", "ven", "ve"},
    {"Vietnamese", "vie", "vi"},
    {"Volapük", "vol", "vo"},
    {"Walloon", "wln", "wa"},
    {"Welsh", "cym", "cy"},
    {"Western Frisian", "fry", "fy"},
    {"Wolof", "wol", "wo"},
    {"Xhosa", "xho", "xh"},
    {"Yiddish", "yid", "yi"},
    {"Yoruba", "yor", "yo"},
    {"Zhuang", "zha", "za"},
    {"Chuang", "zha", "za"},
    {"Zulu", "zul", "zu"},
}};
// clang-format on

// ISO 639-2 bibliographic codes, where they differ from the terminology codes of the
// table. Side-car subtitle names ("Film$fre.srt") and older files use them.
struct CodePair {
  const char* bibliographic;
  const char* terminology;
};
constexpr CodePair kBibliographicCodes[] = {
    {"alb", "sqi"}, {"arm", "hye"}, {"baq", "eus"}, {"bur", "mya"}, {"chi", "zho"},
    {"cze", "ces"}, {"dut", "nld"}, {"fre", "fra"}, {"geo", "kat"}, {"ger", "deu"},
    {"gre", "ell"}, {"ice", "isl"}, {"mac", "mkd"}, {"mao", "mri"}, {"may", "msa"},
    {"per", "fas"}, {"rum", "ron"}, {"slo", "slk"}, {"tib", "bod"}, {"wel", "cym"},
};

// Names mediainfo prints for languages whose table names differ by more than a qualifier
// or an accent.
struct OtherName {
  const char* name;
  const char* threechar;
};
constexpr OtherName kOtherNames[] = {
    {"Auxiliary Language Association", "ina"},
    {"Bihari", "bih"},
    {"Frisian", "fry"},
    {"Khmer", "khm"},
    {"Raeto-Romance", "roh"},
    {"Slave", "chu"},
};

QMutex userLanguageLock;
QString userLanguage = QStringLiteral("Unknown");

LanguageRecord recordOf(const LanguageRow& row) {
  return LanguageRecord(QString::fromUtf8(row.longname), QString::fromUtf8(row.threechar),
                        QString::fromUtf8(row.twochar));
}

std::optional<LanguageRecord> rowWithThreechar(const char* threechar) {
  for (const LanguageRow& row : kLanguageTable)
    if (qstrcmp(row.threechar, threechar) == 0) return recordOf(row);
  return std::nullopt;
}

// Lower case without accents: "Norwegian Bokmal" is the table's "Norwegian Bokmål".
QString folded(const QString& text) {
  QString out;
  for (const QChar c : text.normalized(QString::NormalizationForm_D))
    if (!c.isMark()) out += c;
  return out.toLower();
}

// A name without the qualifier the standard puts after it: "Greek" of "Greek, Modern",
// "Interlingue" of "Interlingue; Occidental", "Tonga" of "Tonga (Tonga Islands)".
QString withoutQualifier(const QString& name) {
  qsizetype end = name.size();
  for (const char* mark : {", ", "; ", " ("})
    if (const qsizetype at = name.indexOf(QLatin1String(mark)); at > 0) end = qMin(end, at);
  return name.left(end);
}

// One candidate text (already folded) against the codes and names that the plain walk
// does not know.
std::optional<LanguageRecord> looseMatch(const QString& wanted) {
  for (const CodePair& pair : kBibliographicCodes)
    if (wanted == QLatin1String(pair.bibliographic)) return rowWithThreechar(pair.terminology);
  for (const OtherName& other : kOtherNames)
    if (wanted == folded(QLatin1String(other.name))) return rowWithThreechar(other.threechar);
  for (const LanguageRow& row : kLanguageTable) {
    const QString name = QString::fromUtf8(row.longname);
    if (wanted == folded(name) || wanted == folded(withoutQualifier(name))) return recordOf(row);
  }
  return std::nullopt;
}

}  // namespace

std::optional<LanguageRecord> LanguageRecord::LanguageWithString(const QString& text) {
  const QString wanted = text.section('-', 0, 0).toLower();
  for (const LanguageRow& row : kLanguageTable) {
    if (wanted == QString::fromUtf8(row.longname).toLower() || wanted == QLatin1String(row.threechar) ||
        wanted == QLatin1String(row.twochar))
      return recordOf(row);
  }
  // What the walk above misses: the names of today's analysis tools, with a region or
  // script ("English (US)", "Chinese (Simplified)"), without accents or qualifiers
  // ("Norwegian Bokmal", "Greek") or with a hyphen ("Luba-Katanga"), and bibliographic
  // codes ("fre", "fre-CA"). Only texts with letters name a language.
  if (!std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); })) return std::nullopt;
  QString name = text.trimmed();
  if (const qsizetype region = name.indexOf(QLatin1String(" (")); region > 0 && name.endsWith(u')'))
    name.truncate(region);
  for (const QString& candidate : {folded(name), folded(wanted)})
    if (auto record = looseMatch(candidate)) return record;
  return std::nullopt;
}

bool IsUserLanguage(const QString& language, const QString& userCode) {
  const std::optional<LanguageRecord> record = LanguageRecord::LanguageWithString(language);
  if (!record) return false;
  // The start-up names Bokmål "no" (Norwegian), the code the look-up services take.
  const QString code = record->twochar() == QLatin1String("nb") ? QStringLiteral("no") : record->twochar();
  return code == userCode || record->twochar() == userCode;
}

int LanguageCount() { return int(kLanguageTable.size()); }

LanguageRecord LanguageAtIndex(int index) {
  if (index < 0 || index >= LanguageCount()) return LanguageRecord();
  return recordOf(kLanguageTable[size_t(index)]);
}

QString userLanguageName() {
  QMutexLocker guard(&userLanguageLock);
  return userLanguage;
}

void setUserLanguageName(const QString& name) {
  QMutexLocker guard(&userLanguageLock);
  userLanguage = name;
}

}  // namespace zuvo
