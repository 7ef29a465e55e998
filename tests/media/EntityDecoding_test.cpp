#include "media/EntityDecoding.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using namespace zuvo;

namespace {
std::string show(const std::optional<QString>& text) {
  return text ? "\"" + text->toStdString() + "\"" : std::string("nothing");
}
}  // namespace

TEST(UnescapeXMLEntities, PercentEscapesThenTheFiveEntitiesInOrder) {
  struct Case {
    QString text;
    QString unescaped;
  } cases[] = {
      {"Tom &amp; Jerry", "Tom & Jerry"},
      {"&quot;Hi&quot; &apos;x&apos; &lt;b&gt;", "\"Hi\" 'x' <b>"},
      {"&amp;lt;", "<"},
      {"Caf%C3%A9", "Café"},
      {"a%2Fb", "a/b"},
      {"100% Love &amp; more", "100% Love & more"},
      {"%E9t%E9 &amp;", "%E9t%E9 &"},
      {"trailing %4", "trailing %4"},
      {"cut off caf%C3", "cut off caf%C3"},
      {"&#39;", "&#39;"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(UnescapeXMLEntities(c.text), c.unescaped) << show(c.text);
}

TEST(CharacterReferences, DecimalAndHexadecimalReferencesDecodeInBothDecoders) {
  struct Case {
    QString text;
    QString decoded;
  } cases[] = {
      {"It&#39;s", "It's"},
      {"It&#x27;s", "It's"},
      {"&#X41;&#x6a;", "Aj"},
      {"&#233;t&#233;", "été"},
      {"&#128512; &#x1F600;", "\U0001F600 \U0001F600"},
      {"no references & no change", "no references & no change"},
      {"&#;", "\uFFFD"},
      {"&#0;&#xD800;&#x110000;", "\uFFFD\uFFFD\uFFFD"},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeCharacterReferences(c.text), c.decoded) << show(c.text);
    EXPECT_EQ(DecodeNumericEntitiesByChar(c.text), c.decoded) << show(c.text);
    EXPECT_FALSE(DecodeCharacterReferences(c.text)->contains(QChar(0))) << show(c.text);
  }
}

TEST(CharacterReferences, UnclosedReferenceIsKeptOrDecodedToTheEnd) {
  EXPECT_EQ(DecodeCharacterReferences(QString("a&#65;b&#66")), "aAb&#66");
  EXPECT_EQ(DecodeNumericEntitiesByChar("a&#65;b&#66"), "aAbB");
  EXPECT_EQ(DecodeNumericEntitiesByChar("ends with &"), "ends with &");
  EXPECT_EQ(DecodeCharacterReferences(std::nullopt), std::nullopt);
}

TEST(UnescapeHTML, ReferenceWrittenWithAnEscapedAmpersandGivesItsCharacter) {
  struct Case {
    QString text;
    QString unescaped;
  } cases[] = {
      {"Bob&amp;#39;s", "Bob's"},
      {"&amp;#x27;quoted&amp;#x27;", "'quoted'"},
      {"Tom &amp; Jerry", "Tom & Jerry"},
      {"Ang%C3%A9lique &#38; co", "Angélique & co"},
  };
  for (const Case& c : cases) EXPECT_EQ(UnescapeHTML(c.text), c.unescaped) << show(c.text);
}
