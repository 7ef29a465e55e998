#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>

#include "Mp4Fixtures.h"
#include "mp4/Mp4File.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {
const std::string kApple = "com.apple.iTunes";
const std::string kCast =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist "
    "version=\"1.0\">\n<dict>\n\t<key>cast</key>\n\t<array>\n"
    "\t\t<dict>\n\t<key>name</key>\n\t<string>Zoë "
    "Ångström</string>\n\t</dict>\n\t</array>\n</dict>\n</plist>\n";
}  // namespace

TEST(Mp4Freeform, ItemsAreReplacedByMeaningAndNameAndReadByMutagenAndFfprobe) {
  const QString path = makeMp4({Layout::MoovLast});
  {
    Mp4File f;
    ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Modify));
    f.addFreeformItem(Mp4Item::freeformText(kApple, "iTunEXTC", "mpaa|PG|200|"));
    f.addFreeformItem(Mp4Item::freeformText(kApple, "iTunEXTC", "mpaa|R|400|"));
    f.addFreeformItem(Mp4Item::freeformText("com.example", "iTunEXTC", "other meaning"));
    ASSERT_FALSE(f.commit());
  }
  Mp4File f;
  ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Modify));
  EXPECT_EQ(f.freeformItems(kApple, "iTunEXTC").size(), 2u);
  EXPECT_EQ(f.removeFreeformItems(kApple, "iTunEXTC"), 2u);
  EXPECT_TRUE(f.freeformItems(kApple, "iTunEXTC").empty());
  f.addFreeformItem(Mp4Item::freeformText(kApple, "iTunEXTC", "us-tv|TV-14|500|"));
  f.addFreeformItem(Mp4Item::freeformText(kApple, "iTunMOVI", kCast));
  ASSERT_FALSE(f.commit());
  f.close();

  ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Read));
  const std::vector<Mp4Item> all = f.freeformItems(kApple);
  ASSERT_EQ(all.size(), 2u);
  const std::vector<Mp4Item> movi = f.freeformItems(kApple, "iTunMOVI");
  ASSERT_EQ(movi.size(), 1u);
  ASSERT_EQ(movi[0].data().size(), 1u);
  EXPECT_EQ(movi[0].data()[0].type, uint32_t(Mp4DataType::Utf8));
  EXPECT_EQ(movi[0].data()[0].text(), kCast);  // the size counts UTF-8 bytes, not characters
  EXPECT_EQ(f.freeformItems("com.example").at(0).data()[0].text(), "other meaning");

  const QJsonObject tags = mutagenView(path)["tags"].toObject();
  EXPECT_EQ(tags["----:com.apple.iTunes:iTunEXTC"].toArray(), QJsonArray{"us-tv|TV-14|500|"});
  EXPECT_EQ(tags["----:com.apple.iTunes:iTunMOVI"].toArray(), QJsonArray{QString::fromStdString(kCast)});
  EXPECT_EQ(tags["----:com.example:iTunEXTC"].toArray(), QJsonArray{"other meaning"});
  EXPECT_TRUE(ffprobe(path).contains("TAG:iTunEXTC=us-tv|TV-14|500|"));
  EXPECT_TRUE(atomicParsley(path).contains("[com.apple.iTunes;iTunEXTC] contains: us-tv|TV-14|500|"));
}

TEST(Mp4Freeform, FreeformItemsFromAnotherWriterAreFound) {
  const QString path = makeMp4({Layout::MoovFirst});
  const CommandResult r = runCommand(
      "/usr/bin/python3",
      {"-c",
       "import sys\nfrom mutagen.mp4 import MP4, MP4FreeForm\n"
       "f = MP4(sys.argv[1])\n"
       "f['----:com.apple.iTunes:iTunEXTC'] = [MP4FreeForm(b'mpaa|PG-13|300|'), MP4FreeForm(b'second')]\n"
       "f.save()",
       path});
  ASSERT_EQ(r.exitCode, 0) << r.output.toStdString();
  Mp4File f;
  ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Read));
  const auto items = f.freeformItems(kApple, "iTunEXTC");
  ASSERT_EQ(items.size(), 1u);
  ASSERT_EQ(items[0].data().size(), 2u);
  EXPECT_EQ(items[0].data()[0].text(), "mpaa|PG-13|300|");
  EXPECT_EQ(items[0].data()[1].text(), "second");
}
