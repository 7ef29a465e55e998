#include "media/Artwork.h"

#include <gtest/gtest.h>

#include <QPainter>

#include "media/MediaFile.h"
#include "media/RegisteredSettings.h"
#include "support/TestPictures.h"

using namespace zuvo;

namespace {

// A poster as a look-up downloads one: a JPEG with detail in it, so that it weighs what
// real ones weigh.
QByteArray posterJpeg(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  QPainter painter(&image);
  for (int y = 0; y < size.height(); y += 10)
    for (int x = 0; x < size.width(); x += 10)
      painter.fillRect(x, y, 10, 10, QColor((x * 7) % 256, (y * 3) % 256, ((x + y) * 5) % 256));
  painter.end();
  return test::encodedPicture(image, "JPEG", 90);
}

MediaFilePtr lookedUp(const Artwork& artwork) {
  registerSettingDefaults();
  auto m = std::make_shared<MediaFile>();
  m->setFullpath("/videos/poster.mkv");
  m->setDidlookup(true);
  m->setArtwork(artwork);
  return m;
}

}  // namespace

TEST(Artwork, KeepsTheBytesItCameAsAndASmallPictureForTheTables) {
  struct Case {
    QSize whole;
    QSize small;
  } cases[] = {{{680, 1000}, {95, 140}}, {{1000, 185}, {140, 25}}, {{60, 70}, {60, 70}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.whole.width());
    const QByteArray jpeg = posterJpeg(c.whole);
    const Artwork artwork = Artwork::fromData(jpeg);
    ASSERT_FALSE(artwork.isNull());
    EXPECT_EQ(artwork.data(), jpeg) << "encoded again";
    EXPECT_EQ(artwork.size(), c.whole);
    EXPECT_EQ(artwork.small().size(), c.small);
    EXPECT_EQ(artwork.image().size(), c.whole);
    EXPECT_EQ(artwork.image(QSize(200, 200)).size(),
              c.whole.scaled(200, 200, Qt::KeepAspectRatio).boundedTo(c.whole));
  }
}

TEST(Artwork, BytesThatAreNoPictureGiveNoArtwork) {
  for (const QByteArray& bytes : {QByteArray(), QByteArray("not a picture"), posterJpeg({200, 300}).left(40)})
    EXPECT_TRUE(Artwork::fromData(bytes).isNull()) << bytes.size();
  EXPECT_TRUE(Artwork::fromImage(QImage()).isNull());
  EXPECT_TRUE(Artwork::fromFile("/nonexistent/poster.jpg").isNull());
}

TEST(Artwork, ADecodedPictureIsEncodedOnceAndComesBackTheSame) {
  QImage image(300, 200, QImage::Format_RGB32);
  image.fill(QColor(10, 200, 30));
  const Artwork artwork = Artwork::fromImage(image);
  EXPECT_EQ(artwork.image(), image);
  EXPECT_EQ(artwork.small().size(), QSize(140, 93));
  const MediaFilePtr m = lookedUp(artwork);
  EXPECT_EQ(MediaFile::copyOfMediaFile(*m)->artwork().data(), artwork.data());
}

TEST(Artwork, SurvivesTheArchiveAsTheSameBytesWithBothPictures) {
  const QByteArray jpeg = posterJpeg({680, 1000});
  const MediaFilePtr m = lookedUp(Artwork::fromData(jpeg));
  const QByteArray archived = archiveMediaFiles({m, m});
  // Each copy is stored once, as it came: no decoded picture is encoded into the archive.
  EXPECT_LT(archived.size(), 2 * jpeg.size() + 20000);
  const auto back = unarchiveMediaFiles(archived, BCCReporter::dummy());
  ASSERT_TRUE(back);
  ASSERT_EQ(back->size(), 2);
  const Artwork restored = back->first()->artwork();
  EXPECT_EQ(restored.data(), jpeg);
  EXPECT_EQ(restored.small().size(), QSize(95, 140));
  EXPECT_EQ(back->first()->image().size(), QSize(680, 1000));
}

TEST(Artwork, AnArchivedPictureThatDoesNotDecodeMakesTheItemUnreadable) {
  KeyedArchiver coder(MediaFile::kArchiveClass);
  lookedUp(Artwork())->encodeWithCoder(coder);
  QCborMap map = coder.map();
  map.insert(QStringLiteral("image"), QByteArray("not a picture"));
  EXPECT_FALSE(unarchiveObjectsWithData<MediaFile>(sealArchive(QCborArray{map})).has_value());
}
