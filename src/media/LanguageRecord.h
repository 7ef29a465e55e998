#pragma once
// Languages by English name, ISO 639-2/T and ISO 639-1 code, from one built-in table.
#include <QString>
#include <optional>

namespace zuvo {

class LanguageRecord {
 public:
  LanguageRecord() = default;
  LanguageRecord(const QString& longname, const QString& threechar, const QString& twochar)
      : longname_(longname), threechar_(threechar), twochar_(twochar) {}

  // A name or either code, in any letter case; a region part after "-" is ignored.
  // The first row with a matching field wins, so "Norwegian" gives "nob"/"nb". Only
  // when no row matches so: a name with a region or script in brackets ("English
  // (US)"), without its accents or the standard's qualifier ("Norwegian Bokmal",
  // "Greek"), the few other names mediainfo prints, and ISO 639-2 bibliographic codes
  // ("fre", "ger").
  static std::optional<LanguageRecord> LanguageWithString(const QString& text);

  QString longname() const { return longname_; }
  void setLongname(const QString& value) { longname_ = value; }
  QString threechar() const { return threechar_; }
  void setThreechar(const QString& value) { threechar_ = value; }
  QString twochar() const { return twochar_; }
  void setTwochar(const QString& value) { twochar_ = value; }

  friend bool operator==(const LanguageRecord&, const LanguageRecord&) = default;

 private:
  QString longname_;
  QString threechar_;
  QString twochar_;
};

// Whether a track's language text names the user's language, given as the start-up
// works out its two-letter code (Bokmål counts as "no").
bool IsUserLanguage(const QString& language, const QString& userCode);

// The table's rows in order, for the language lists of the editors.
int LanguageCount();
LanguageRecord LanguageAtIndex(int index);  // an empty record outside the table

// The user's language as a long name: "Unknown" until the start-up sets it. Unlabelled
// tracks take it when "DefaultUnlabledTracksToUsersLanguage" is on. Safe from any thread.
QString userLanguageName();
void setUserLanguageName(const QString& name);

}  // namespace zuvo
