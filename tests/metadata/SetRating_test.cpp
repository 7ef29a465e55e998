#include "metadata/SetRating.h"

#include <QLocale>

#include "IndependentReaders.h"
#include "TagSets.h"
#include "metadata/ExistingMP4Tags.h"
#include "metadata/RatingValues.h"
#include "metadata/SaveMP4Tags.h"
#include "mp4/Mp4File.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

const std::string kApple = "com.apple.iTunes";

// The current locale for one scope.
class ScopedLocale {
 public:
  explicit ScopedLocale(const char* name) { QLocale::setDefault(QLocale(QString::fromLatin1(name))); }
  ~ScopedLocale() { QLocale::setDefault(previous_); }

 private:
  QLocale previous_;
};

QString itemText(const Mp4File& f, const std::string& name) {
  const std::vector<Mp4Item> items = f.freeformItems(kApple, name);
  EXPECT_EQ(items.size(), 1u) << name;
  return items.empty() ? QString() : QString::fromStdString(items[0].data().at(0).text());
}

QString storedRating(const QString& path) {
  const QJsonArray values = mutagenFreeform(path, "iTunEXTC");
  EXPECT_EQ(values.size(), 1);
  return values.at(0).toString();
}

BCError saveWithRating(const QString& path, const MediaFilePtr& media, const QString& rating) {
  media->setRating(rating);
  CapturedLog log;
  return saveMP4TagsInPlace(path, *media, log.reporter);
}

}  // namespace

TEST(SetRating, TheValueFollowsTheRatingAndTheCountrySetting) {
  const struct {
    const char* setting;
    const char* locale;
    const char* rating;
    const char* value;
  } cases[] = {
      {"Great Britain", "en_US", "TV-MA", "us-tv|TV-MA|600|"},
      {"Great Britain", "en_US", "15", "uk-movie|15|350|"},
      {"Great Britain", "en_US", "NR ", "uk-movie|NR|000|"},
      {"Great Britain", "en_US", "Exempt", "uk-movie|E|0|"},
      {"Australia", "en_US", "M", "au-movie|M|350|"},
      {"Australia", "en_US", "G", "au-tv|G|300|"},
      {"Australia", "en_US", "G ", "au-movie|G|100|"},
      {"Australia", "en_US", "MA 15+", "au-movie|MA15+|375|"},
      {"Australia", "en_US", "PG-13", "mpaa|PG-13|300|"},
      {"United States", "en_GB", "G", "mpaa|G|100|"},
      {"United States", "en_GB", "Unrated", "us-tv|Unrated|???|"},
      {"United States", "en_GB", "15", "mpaa|NR|000|"},
      {"United States", "en_GB", "NR", "mpaa|NR|000|"},
      {"United States", "en_GB", "", "mpaa|NR|000|"},
      {"United States", "en_GB", "g", "mpaa|NR|000|"},
      {"Canada", "en_US", "PG", "ca-movie|PG|200|"},
      {"Canada", "en_US", "TV-G", "ca-tv|TV-G|100|"},
      {"Canada", "en_US", "TV-MA", "us-tv|TV-MA|600|"},
      {"Germany", "en_US", "FSK 12", "de-movie|FSK 12|300|"},
      {"Germany", "en_US", "ab 6 Jahren", "de-movie|ab 6 Jahren|100|"},
      {"France", "en_US", "- 12", "fr-movie|-12|300|"},
      {"France", "en_US", "-12", "fr-tv|-12|200|"},
      {"Automatic", "en_GB", "15", "uk-movie|15|350|"},
      {"Automatic", "de_DE", "FSK 16", "de-movie|FSK 16|400|"},
      {"Automatic", "en_US", "R", "mpaa|R|400|"},
      {"Atlantis", "en_AU", "C", "au-tv|C|200|"},
  };
  const QString path = makeMp4({Layout::MoovFirst});
  const MediaFilePtr media = movie();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.setting) + " / " + c.locale + ": \"" + c.rating + "\"");
    ScopedSettings settings({{"CountryForRatings", c.setting}});
    ScopedLocale locale(c.locale);
    Mp4File f;
    ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Modify));
    CapturedLog log;
    setRating(f, QString::fromUtf8(c.rating), *media, log.reporter);
    EXPECT_EQ(itemText(f, "iTunEXTC"), c.value);
    EXPECT_TRUE(log.text().contains("setRating called"));
  }
}

TEST(SetRating, EachSaveLeavesOneRatingAndOneCastItem) {
  const QString path = makeMp4({Layout::MoovLast});
  const CommandResult r = runCommand(
      "/usr/bin/python3", {"-c",
                           "import sys\nfrom mutagen.mp4 import MP4, MP4FreeForm\nf = MP4(sys.argv[1])\n"
                           "f['----:com.apple.iTunes:iTunEXTC'] = [MP4FreeForm(b'mpaa|R|400|')]\n"
                           "f['----:com.apple.iTunes:iTunMOVI'] = [MP4FreeForm(b'old')]\n"
                           "f['----:com.example:iTunEXTC'] = [MP4FreeForm(b'other meaning')]\nf.save()",
                           path});
  ASSERT_EQ(r.exitCode, 0) << r.output.toStdString();
  ScopedSettings settings({{"CountryForRatings", "United States"}});
  ASSERT_FALSE(saveWithRating(path, movie(), "PG").Error());
  ASSERT_FALSE(saveWithRating(path, movie(), "PG").Error());
  EXPECT_EQ(storedRating(path), "mpaa|PG|200|");
  EXPECT_EQ(mutagenFreeform(path, "iTunMOVI").size(), 1);
  const QJsonObject tags = mutagenView(path)["tags"].toObject();
  EXPECT_EQ(tags["----:com.example:iTunEXTC"].toArray().at(0).toString(), "other meaning");
}

TEST(SetRating, RatingsSurviveAReadAndAnInPlaceSave) {
  const struct {
    const char* setting;
    const char* rating;
    const char* readBack;  // where two ratings write one value, the first of them
  } cases[] = {
      {"Australia", "MA 15+", "MA 15+"},
      {"Australia", "R 18+", "R 18+"},
      {"Australia", "R18+", "R18+"},
      {"Australia", "AV 15+", "AV 15+"},
      {"Australia", "G ", "G "},
      {"Australia", "PG ", "PG "},
      {"Australia", "G", "G"},
      {"Great Britain", "15", "15"},
      {"Great Britain", "NR ", "NR"},
      {"Great Britain", "Exempt", "Exempt"},
      {"Great Britain", "PG", "PG"},
      {"Canada", "TV-14+", "TV-14+"},
      {"France", "- 10", "- 10"},
      {"France", "-10", "-10"},
      {"Germany", "ab 12 Jahren", "ab 12 Jahren"},
      {"United States", "TV-14", "TV-14"},
      {"United States", "Unrated", "Unrated"},
  };
  const QString path = makeMp4({Layout::MoovFirst});
  const MediaFilePtr media = tvEpisode();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.setting) + ": \"" + c.rating + "\"");
    ScopedSettings settings({{"CountryForRatings", c.setting}});
    ASSERT_FALSE(saveWithRating(path, media, QString::fromUtf8(c.rating)).Error());
    const QString written = storedRating(path);

    ExistingMP4Tags existing;
    ASSERT_FALSE(readExistingMP4Tags(path, existing).Error());
    ASSERT_TRUE(existing.rating.has_value());
    EXPECT_EQ(*existing.rating, QString::fromUtf8(c.readBack));
    ASSERT_FALSE(saveWithRating(path, media, *existing.rating).Error());
    EXPECT_EQ(storedRating(path), written);
  }
}

TEST(SetRating, ResavingAfterTheCountryChangedWritesTheNewCountrysValue) {
  // Each case: saved under one country, read back as the take-over reads it, saved again
  // under another; a rating the new country cannot write keeps the value it had.
  const struct {
    const char* before;
    const char* rating;
    const char* after;
    const char* value;
  } cases[] = {
      {"United States", "G", "Australia", "au-tv|G|300|"},
      {"Great Britain", "PG", "United States", "mpaa|PG|200|"},
      {"Australia", "M", "Great Britain", "au-movie|M|350|"},
      {"Germany", "FSK 12", "United States", "de-movie|FSK 12|300|"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.rating) + ": " + c.before + " then " + c.after);
    const QString path = makeMp4({Layout::MoovLast});
    const MediaFilePtr media = movie();
    {
      ScopedSettings settings({{"CountryForRatings", c.before}});
      ASSERT_FALSE(saveWithRating(path, media, QString::fromUtf8(c.rating)).Error());
    }
    ScopedSettings settings({{"CountryForRatings", c.after}});
    ExistingMP4Tags existing;
    ASSERT_FALSE(readExistingMP4Tags(path, existing).Error());
    ASSERT_EQ(existing.rating, QString::fromUtf8(c.rating));
    ASSERT_FALSE(saveWithRating(path, media, *existing.rating).Error());
    EXPECT_EQ(storedRating(path), c.value);
  }
}

TEST(SetRating, StoredValuesReadBackAsTheRatingThatWritesThem) {
  const struct {
    const char* value;
    std::optional<QString> rating;
  } cases[] = {
      {"au-movie|MA15+|375|", "MA 15+"},
      {"au-movie|G|100|", "G "},
      {"uk-movie|NR|000|", "NR"},
      {"uk-movie|E|0|", "Exempt"},
      {"fr-movie|-10|100|", "- 10"},
      {"us-tv|TV-14|500|", "TV-14"},
      {"mpaa|NR|000|", "NR"},
      {"nz-tv|R16|400|", "R16"},  // no row of ours: the second piece
      {"us-tv|TV-14", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ratingFromITunesValue(c.value), c.rating) << c.value;
}
