#include "media/StringHelpers.h"

#include <gtest/gtest.h>

#include <limits>

#include "support/TestSupport.h"

using namespace zuvo;

namespace {
std::string show(const std::optional<QString>& text) {
  return text ? "\"" + text->toStdString() + "\"" : std::string("nothing");
}
std::string show(const QStringList& list) { return "[" + list.join("|").toStdString() + "]"; }
}  // namespace

TEST(SplitArguments, QuotesGroupSpacesSeparateLineBreaksVanish) {
  struct Case {
    QString line;
    QStringList arguments;
  } cases[] = {
      {"", {}},
      {"   ", {}},
      {"-i \"/my movies/a b.mkv\" -y out.mp4", {"-i", "/my movies/a b.mkv", "-y", "out.mp4"}},
      {"-a\n -b\r\nc", {"-a", "-bc"}},
      {"one    two", {"one", "two"}},
      {"pre\"fix a\"b c", {"prefix ab", "c"}},
      {"\"runs to the end", {"runs to the end"}},
      {"  leading", {"leading"}},
      {"a\tb", {"a\tb"}},
      {"x \t y", {"x", "y"}},
      {"a \tb c", {"a", "\tb", "c"}},
      {"last \t ", {"last"}},
      {"tail\t", {"tail"}},
      {"\"\" x", {"x"}},
      {"back\\ slash", {"back\\", "slash"}},
      {"(not grouped)", {"(not", "grouped)"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SplitArguments(c.line), c.arguments)
        << show(c.line) << " gave " << show(SplitArguments(c.line));
}

TEST(SplitArguments, ParenthesesGroupInGroupedAndCommaSplits) {
  struct Case {
    const char* kind;
    QString text;
    QStringList pieces;
  } cases[] = {
      {"grouped", "-vf (scale 1 2) x", {"-vf", "(scale 1 2)", "x"}},
      {"grouped", "\"a b\" (c d)", {"a b", "(c d)"}},
      {"grouped", "(open to the end", {"(open to the end"}},
      {"comma", "Tom Hanks, Tim Allen, Don Rickles", {"Tom Hanks", "Tim Allen", "Don Rickles"}},
      {"comma", "John Smith (voice, uncredited), Jane Doe", {"John Smith (voice, uncredited)", "Jane Doe"}},
      {"comma", "\"Doe, Jane\", Roe", {"Doe, Jane", "Roe"}},
      {"comma", "a,,b, ,c", {"a", "b", "c"}},
      {"comma", "Drama\n, Comedy ", {"Drama", "Comedy"}},
      {"comma", "one name", {"one name"}},
      {"comma", "", {}},
  };
  for (const Case& c : cases) {
    const QStringList got =
        QByteArray(c.kind) == "comma" ? SplitCommaList(c.text) : SplitArgumentsGrouped(c.text);
    EXPECT_EQ(got, c.pieces) << c.kind << " " << show(c.text) << " gave " << show(got);
  }
}

TEST(SplitLines, CarriageReturnUnlessLineFeedsGiveMore) {
  struct Case {
    std::optional<QString> text;
    std::optional<QStringList> lines;
  } cases[] = {
      {std::nullopt, std::nullopt},
      {"", QStringList{""}},
      {"a\rb", QStringList{"a", "b"}},
      {"a\nb\nc", QStringList{"a", "b", "c"}},
      {"a\r\nb", QStringList{"a", "\nb"}},
      {"x\n", QStringList{"x", ""}},
      {"1\r2\r3\n4", QStringList{"1", "2", "3\n4"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitLines(c.text), c.lines) << show(c.text);
}

TEST(TextCutting, ValuesBetweenMarkersOrNothing) {
  struct Case {
    const char* what;
    std::optional<QString> got;
    std::optional<QString> expected;
  } cases[] = {
      {"one letter", XMLElementText("<id>x</id>", "id"), "x"},
      {"closing marker missing", XMLElementText("<id>x", "id"), std::nullopt},
      {"empty element at the end", XMLElementText("<Series><id></id>", "id"), ""},
      {"rest as long as the closing marker", XMLElementText("<n>abcd", "n"), std::nullopt},
      {"only the opening marker", XMLElementText("<id>", "id"), std::nullopt},
      {"empty text", XMLElementText("", "id"), std::nullopt},
      {"absent text", XMLElementText(std::nullopt, "id"), std::nullopt},
      {"first of two", XMLElementText("<b>1</b><b>2</b>", "b"), "1"},
      {"other element only", XMLElementText("<ids>1</ids>", "id"), std::nullopt},
      {"not trimmed", XMLElementText("\t<Name> Lost </Name>\r", "Name"), " Lost "},
      {"unicode", XMLElementText("<t>Ünïcødé ☃</t>", "t"), "Ünïcødé ☃"},
      {"chained", XMLElementText(XMLElementText("<s><id>7</id></s>", "s"), "id"), "7"},
      {"between", StringBetween("a[1]b[2]", "[", "]"), "1"},
      {"end before start", StringBetween("]x[y", "[", "]"), std::nullopt},
      {"empty end marker", StringBetween("start: end", "start", ""), std::nullopt},
      {"empty start marker", StringBetween("abc", "", "c"), std::nullopt},
      {"before", SubstringBefore("name.part.mkv", "."), "name"},
      {"before, marker absent", SubstringBefore("name", "."), std::nullopt},
      {"before, marker first", SubstringBefore(".mkv", "."), ""},
      {"after", SubstringAfter("a=b=c", "="), "b=c"},
      {"after, empty text", SubstringAfter("", "="), std::nullopt},
      {"after, marker last", SubstringAfter("a=", "="), ""},
      {"after, empty marker", SubstringAfter("abc", ""), std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.expected) << c.what << ": got " << show(c.got);
}

TEST(TextCutting, ElementAndTextTests) {
  struct Case {
    const char* what;
    bool got;
    bool expected;
  } cases[] = {
      {"element present", HasXMLElement("  <Series>", "Series"), true},
      {"element with attributes is another marker", HasXMLElement("<Series id=\"1\">", "Series"), false},
      {"longer element name", HasXMLElement("<ab>", "a"), false},
      {"closing tag only", HasXMLElement("</a>", "a"), false},
      {"contains", StringContains("abc", "b"), true},
      {"contains, case differs", StringContains("abc", "B"), false},
      {"contains, empty text to find", StringContains("abc", ""), false},
      {"contains, empty text", StringContains("", "a"), false},
      {"prefix, a folder of the path", StringHasPrefix("/Volumes/TV/show.mkv", "/Volumes/TV"), true},
      {"prefix, the whole text", StringHasPrefix("/Volumes/TV", "/Volumes/TV"), true},
      {"prefix, case differs", StringHasPrefix("/volumes/tv/show.mkv", "/Volumes/TV"), false},
      {"prefix, longer than the text", StringHasPrefix("/Vol", "/Volumes"), false},
      {"prefix, empty prefix", StringHasPrefix("/Volumes", ""), false},
      {"prefix, empty prefix and text", StringHasPrefix("", ""), false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.expected) << c.what;
  EXPECT_EQ(StripPathSeparators("Law/Order: S\\VU"), "LawOrder SVU");
  EXPECT_EQ(StripPathSeparators(""), "");
}

TEST(CapitalizedString, EachWordStartsUpperAndGoesOnLower) {
  struct Case {
    QString text;
    QString capitalized;
  } cases[] = {
      {"the PILOT episode", "The Pilot Episode"},
      {"x264 720p", "X264 720p"},
      {"the_office", "The_office"},
      {"a\tb\nc", "A\tB\nC"},
      {"ДОКТОР кто", "Доктор Кто"},
      {"  two  spaces ", "  Two  Spaces "},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(CapitalizedString(c.text), c.capitalized) << c.text.toStdString();
}

TEST(HumanReadableSize, DecimalStepsStrictlyAboveAndSixtyFourBitCounts) {
  struct Case {
    qint64 bytes;
    const char* text;
  } cases[] = {
      {0, "0.000000 bytes"},  {999, "999.000000 bytes"}, {1000, "1000.000000 bytes"}, {1001, "1.00KB"},
      {1000000, "1000.00KB"}, {1500000, "1.50MB"},       {1000000000, "1000.00MB"},   {2147483647, "2.15GB"},
      {3LL << 30, "3.22GB"},  {5LL << 30, "5.37GB"},     {-1, "-1.000000 bytes"},
  };
  for (const Case& c : cases) EXPECT_EQ(HumanReadableSize(c.bytes), c.text) << c.bytes;
}

TEST(IntegerValue, LeadingDigitsWithSignAndSpace) {
  struct Case {
    QString text;
    qint32 value;
  } cases[] = {
      {"42", 42},
      {" 42abc", 42},
      {"-7", -7},
      {"+3", 3},
      {"3.5", 3},
      {"", 0},
      {"x1", 0},
      {"99999999999", std::numeric_limits<qint32>::max()},
      {"-99999999999", std::numeric_limits<qint32>::min()},
  };
  for (const Case& c : cases) EXPECT_EQ(IntegerValue(c.text), c.value) << show(c.text);
}
