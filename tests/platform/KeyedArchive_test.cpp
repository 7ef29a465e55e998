#include "platform/KeyedArchive.h"

#include <gtest/gtest.h>

#include <QColor>

#include "support/TestSupport.h"

using namespace zuvo;

namespace {

struct Leaf {
  static constexpr const char* kArchiveClass = "Leaf";
  QString name;
  qint32 number = 0;
  void encodeWithCoder(KeyedArchiver& coder) const {
    coder.encodeString(name, "name");
    coder.encodeInt32(number, "number");
  }
  static Leaf initWithCoder(const KeyedUnarchiver& coder) {
    return Leaf{coder.decodeString("name"), coder.decodeInt32("number")};
  }
  friend bool operator==(const Leaf&, const Leaf&) = default;
};

// Another class with the same keys: decoding one as the other must fail.
struct OtherLeaf : Leaf {
  static constexpr const char* kArchiveClass = "OtherLeaf";
  static OtherLeaf initWithCoder(const KeyedUnarchiver& coder) {
    return OtherLeaf{Leaf::initWithCoder(coder)};
  }
};

// Held by shared pointer, the way the media object is.
struct Holder {
  static constexpr const char* kArchiveClass = "Holder";
  bool flag = false;
  quint32 count = 0;
  qint64 big = 0;
  double seconds = 0;
  float delay = 0;
  QString text;
  QString absent;
  QStringList paths;
  QImage image;
  QList<QImage> images;
  Leaf leaf;
  std::optional<Leaf> maybe;
  QList<Leaf> leaves;

  void encodeWithCoder(KeyedArchiver& coder) const {
    coder.encodeBool(flag, "flag");
    coder.encodeUInt32(count, "count");
    coder.encodeInt64(big, "big");
    coder.encodeDouble(seconds, "seconds");
    coder.encodeFloat(delay, "delay");
    coder.encodeString(text, "text");
    coder.encodeString(absent, "absent");
    coder.encodeStringList(paths, "paths");
    coder.encodeImage(image, "image");
    coder.encodeImageList(images, "images");
    coder.encodeObject(leaf, "leaf");
    coder.encodeValue(maybe, "maybe");
    coder.encodeObjectList(leaves, "leaves");
  }
  static std::shared_ptr<Holder> initWithCoder(const KeyedUnarchiver& coder) {
    auto h = std::make_shared<Holder>();
    h->flag = coder.decodeBool("flag");
    h->count = coder.decodeUInt32("count");
    h->big = coder.decodeInt64("big");
    h->seconds = coder.decodeDouble("seconds");
    h->delay = coder.decodeFloat("delay");
    h->text = coder.decodeString("text");
    h->absent = coder.decodeString("absent");
    h->paths = coder.decodeStringList("paths");
    h->image = coder.decodeImage("image");
    h->images = coder.decodeImageList("images");
    h->leaf = coder.decodeObject<Leaf>("leaf").value_or(Leaf{"default", -1});
    h->maybe = coder.decodeValue<std::optional<Leaf>>("maybe").value_or(std::nullopt);
    h->leaves = coder.decodeObjectList<Leaf>("leaves");
    return h;
  }
};

QImage testImage() {
  QImage image(7, 5, QImage::Format_ARGB32);
  image.fill(QColor(10, 200, 30, 128));
  image.setPixelColor(3, 2, QColor(255, 0, 0));
  return image;
}

std::shared_ptr<Holder> fullHolder() {
  auto h = std::make_shared<Holder>();
  h->flag = true;
  h->count = 4000000000u;
  h->big = 5000000000LL;
  h->seconds = 1234.5678;
  h->delay = -0.25f;
  h->text = QString::fromUtf8("Ünïcode \"quoted\"\nline");
  h->paths = {"/a/b c", "", "/d"};
  h->image = testImage();
  h->images = {testImage(), testImage().mirrored()};
  h->leaf = {"leaf", 7};
  h->maybe = Leaf{"maybe", 8};
  h->leaves = {{"one", 1}, {"", 0}, {QString(), -2}};
  return h;
}

void expectSame(const Holder& a, const Holder& b) {
  EXPECT_EQ(a.flag, b.flag);
  EXPECT_EQ(a.count, b.count);
  EXPECT_EQ(a.big, b.big);
  EXPECT_EQ(a.seconds, b.seconds);
  EXPECT_EQ(a.delay, b.delay);
  EXPECT_EQ(a.text, b.text);
  EXPECT_EQ(a.absent.isNull(), b.absent.isNull());
  EXPECT_EQ(a.paths, b.paths);
  EXPECT_EQ(a.image.convertToFormat(QImage::Format_ARGB32), b.image.convertToFormat(QImage::Format_ARGB32));
  ASSERT_EQ(a.images.size(), b.images.size());
  for (qsizetype i = 0; i < a.images.size(); ++i)
    EXPECT_EQ(a.images[i].convertToFormat(QImage::Format_ARGB32),
              b.images[i].convertToFormat(QImage::Format_ARGB32));
  EXPECT_EQ(a.leaf, b.leaf);
  EXPECT_EQ(a.maybe, b.maybe);
  EXPECT_EQ(a.leaves, b.leaves);
}

// The root map of an archive, for building hand-made ones.
QCborMap rootMap(const QByteArray& archive) {
  const std::optional<QCborValue> root = openArchive(archive, nullptr);
  return root ? root->toMap() : QCborMap();
}

}  // namespace

TEST(KeyedArchive, EveryKindOfValueSurvivesARoundTrip) {
  const auto original = fullHolder();
  QString failure;
  const auto back = unarchiveObjectWithData<Holder>(archivedDataWithRootObject(original), &failure);
  ASSERT_TRUE(back.has_value()) << failure.toStdString();
  expectSame(*original, **back);
  EXPECT_TRUE((*back)->absent.isNull()) << "a null text stays absent";
  EXPECT_FALSE((*back)->text.isNull());
  EXPECT_FALSE((*back)->leaves[1].name.isNull()) << "the empty text stays the empty text";
  EXPECT_TRUE((*back)->leaves[2].name.isNull());
}

TEST(KeyedArchive, ObjectsAreMapsOfTheirOwnKeysInOrderWithAClassTag) {
  const QCborMap map = rootMap(archivedDataWithRootObject(Leaf{"x", 3}));
  QStringList keys;
  for (const QCborValue& key : map.keys()) keys << key.toString();
  EXPECT_EQ(keys, (QStringList{"$class", "name", "number"}));
  EXPECT_EQ(map.value(QStringLiteral("$class")).toString(), "Leaf");
}

TEST(KeyedArchive, ListsOfObjectsRoundTripAtTheRoot) {
  const QList<std::shared_ptr<Holder>> list{fullHolder(), std::make_shared<Holder>()};
  const auto back = unarchiveObjectsWithData<Holder>(archivedDataWithRootObjects(list));
  ASSERT_TRUE(back.has_value());
  ASSERT_EQ(back->size(), 2);
  expectSame(*list[0], *(*back)[0]);
  expectSame(*list[1], *(*back)[1]);
  const auto empty = unarchiveObjectsWithData<Leaf>(archivedDataWithRootObjects(QList<Leaf>{}));
  ASSERT_TRUE(empty.has_value());
  EXPECT_TRUE(empty->isEmpty());
  EXPECT_FALSE(unarchiveObjectsWithData<Leaf>(archivedDataWithRootObject(Leaf{})).has_value())
      << "an object is not a list";
}

TEST(KeyedArchive, AbsentKeysReadAsNothingZeroOrNo) {
  QCborMap bare;
  bare.insert(QStringLiteral("$class"), QStringLiteral("Holder"));
  const auto back = unarchiveObjectWithData<Holder>(sealArchive(bare));
  ASSERT_TRUE(back.has_value());
  Holder expected;
  expected.leaf = {"default", -1};  // the caller's default for an absent object
  expectSame(expected, **back);
  EXPECT_TRUE((*back)->text.isNull());
}

TEST(KeyedArchive, TruncatedArchivesDecodeToNothing) {
  const QByteArray data = archivedDataWithRootObject(fullHolder());
  for (qsizetype length = 0; length < data.size(); ++length) {
    QString failure;
    EXPECT_FALSE(unarchiveObjectWithData<Holder>(data.left(length), &failure).has_value())
        << "cut at " << length;
    EXPECT_FALSE(failure.isEmpty()) << "cut at " << length;
  }
  EXPECT_FALSE(unarchiveObjectWithData<Holder>(data + '\0').has_value()) << "trailing bytes";
}

TEST(KeyedArchive, EverySingleBitFlipDecodesToNothing) {
  auto small = std::make_shared<Holder>();
  small->text = "text";
  small->leaves = {{"a", 1}};
  const QByteArray data = archivedDataWithRootObject(small);
  for (qsizetype byte = 0; byte < data.size(); ++byte) {
    for (int bit = 0; bit < 8; ++bit) {
      QByteArray damaged = data;
      damaged[byte] = char(damaged[byte] ^ (1 << bit));
      EXPECT_FALSE(unarchiveObjectWithData<Holder>(damaged).has_value()) << "byte " << byte << " bit " << bit;
    }
  }
}

TEST(KeyedArchive, WrongClassesAndKindsDecodeToNothing) {
  QString failure;
  EXPECT_FALSE(
      unarchiveObjectWithData<OtherLeaf>(archivedDataWithRootObject(Leaf{"x", 1}), &failure).has_value());
  EXPECT_TRUE(failure.contains("OtherLeaf")) << failure.toStdString();

  const QCborMap good = rootMap(archivedDataWithRootObject(fullHolder()));
  struct Case {
    const char* name;
    const char* key;
    QCborValue value;
  } cases[] = {
      {"text where a flag belongs", "flag", QStringLiteral("yes")},
      {"number too large for 32 bits", "count", qint64(1) << 40},
      {"negative unsigned", "count", -1},
      {"text where a number belongs", "seconds", QStringLiteral("1.5")},
      {"number where a text belongs", "text", 5},
      {"list holding a number", "paths", QCborArray{QStringLiteral("a"), 3}},
      {"bytes that are no PNG", "image", QByteArray("not a png")},
      {"nested object of another class", "leaf", rootMap(archivedDataWithRootObject(OtherLeaf{}))},
      {"list element of another class", "leaves",
       QCborArray{rootMap(archivedDataWithRootObject(OtherLeaf{}))}},
      {"nested object with a bad value", "leaf",
       [] {
         QCborMap m;
         m.insert(QStringLiteral("$class"), QStringLiteral("Leaf"));
         m.insert(QStringLiteral("number"), QStringLiteral("seven"));
         return QCborValue(m);
       }()},
      {"list where an object belongs", "leaf", QCborArray{}},
  };
  for (const Case& c : cases) {
    QCborMap bad = good;
    bad.insert(QString::fromLatin1(c.key), c.value);
    QString why;
    EXPECT_FALSE(unarchiveObjectWithData<Holder>(sealArchive(bad), &why).has_value()) << c.name;
    EXPECT_FALSE(why.isEmpty()) << c.name;
  }
}

TEST(KeyedArchive, ForeignBytesDecodeToNothing) {
  const QByteArray cases[] = {
      QByteArray(),
      QByteArray("plain text"),
      QCborValue(QCborMap{{QStringLiteral("format"), QStringLiteral("org.zuvo.keyedarchive")}}).toCbor(),
      QByteArray(200000, '\x81'),                 // deeply nested arrays
      QByteArray::fromHex("bf61616161ff"),        // indefinite map with a dangling key
      QByteArray::fromHex("5bffffffffffffff00"),  // a byte string claiming an absurd length
  };
  for (const QByteArray& data : cases)
    EXPECT_FALSE(unarchiveObjectWithData<Leaf>(data).has_value()) << data.left(20).toHex().toStdString();
}

namespace {

struct Table {
  static constexpr const char* kArchiveClass = "Table";
  QMap<qint32, QVariant> entries;
  void encodeWithCoder(KeyedArchiver& coder) const { coder.encodeDictionary(entries, "entries"); }
  static Table initWithCoder(const KeyedUnarchiver& coder) {
    return Table{coder.decodeDictionary("entries")};
  }
};

}  // namespace

TEST(KeyedArchive, DictionariesKeepTheirNumbersTextsAndFlags) {
  const Table table{
      {{-7, QStringLiteral("minus")}, {0, QStringLiteral("")}, {3, true}, {2147483647, QStringLiteral("Ü")}}};
  const auto back = unarchiveObjectWithData<Table>(archivedDataWithRootObject(table));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->entries, table.entries);
  EXPECT_EQ(back->entries.value(3).typeId(), QMetaType::Bool) << "a flag stays a flag";
  EXPECT_EQ(back->entries.value(0).typeId(), QMetaType::QString);

  QCborMap bare;
  bare.insert(QStringLiteral("$class"), QStringLiteral("Table"));
  const auto absent = unarchiveObjectWithData<Table>(sealArchive(bare));
  ASSERT_TRUE(absent.has_value());
  EXPECT_TRUE(absent->entries.isEmpty());
}

TEST(KeyedArchive, DictionariesOfOtherShapesDecodeToNothing) {
  struct Case {
    const char* name;
    QCborValue value;
  } cases[] = {
      {"a list", QCborArray{QStringLiteral("a")}},
      {"a text key", QCborMap{{QStringLiteral("1"), QStringLiteral("a")}}},
      {"a key beyond 32 bits", QCborMap{{qint64(1) << 40, QStringLiteral("a")}}},
      {"a number value", QCborMap{{1, 5}}},
      {"a nested map value", QCborMap{{1, QCborMap{}}}},
  };
  for (const Case& c : cases) {
    QCborMap bad;
    bad.insert(QStringLiteral("$class"), QStringLiteral("Table"));
    bad.insert(QStringLiteral("entries"), c.value);
    QString why;
    EXPECT_FALSE(unarchiveObjectWithData<Table>(sealArchive(bad), &why).has_value()) << c.name;
    EXPECT_FALSE(why.isEmpty()) << c.name;
  }
}
