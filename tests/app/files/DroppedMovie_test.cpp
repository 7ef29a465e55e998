// A movie dropped on the files table of a fresh install, with no keys: its name, description,
// genre and poster come from today's services (on loopback) into the files table and the
// tag editor.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProcess>
#include <algorithm>
#include <memory>
#include <vector>

#include "app/files/FilesTableModel.h"
#include "app/support/DesktopDrag.h"
#include "app/support/MainWindowFixture.h"
#include "app/tables/TableImages.h"
#include "app/tags/BCTagsPanel.h"
#include "media/MediaValues.h"
#include "metadata/ServiceTestSupport.h"
#include "platform/RunLoop.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

class DroppedMovieTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    // A fresh install: the old interfaces' variables unset, today's services on loopback.
    for (const char* old : {"ZUVO_TVDB_URL", "ZUVO_TVDB_BANNERS_URL", "ZUVO_TMDB_URL", "ZUVO_TAGCHIMP_URL",
                            "ZUVO_TVRAGE_URL", "ZUVO_TMDB_KEY", "ZUVO_TVDB_KEY", "ZUVO_TVDB_PIN"})
      variables.push_back(std::make_unique<ScopedEnv>(old, QByteArray()));
    for (const char* live : {"ZUVO_TVMAZE_URL", "ZUVO_ITUNES_URL", "ZUVO_TVDB4_URL"})
      variables.push_back(std::make_unique<ScopedEnv>(live, server.baseURL().toUtf8()));
    variables.push_back(std::make_unique<ScopedEnv>("ZUVO_TMDB3_URL", (server.baseURL() + "/3").toUtf8()));
    variables.push_back(
        std::make_unique<ScopedEnv>("ZUVO_TMDB_IMAGES_URL", (server.baseURL() + "/t/p/").toUtf8()));
    Defaults::standard().setObject("United States", "CountryForRatings");

    const QByteArray answer =
        QByteArray(R"j({"resultCount":1,"results":[{"wrapperType":"track","kind":"feature-movie",
      "trackId":1437031362,"trackName":"A Star Is Born (2018)","artistName":"Bradley Cooper",
      "releaseDate":"2018-10-05T07:00:00Z","primaryGenreName":"Romance","contentAdvisoryRating":"R",
      "longDescription":"Seasoned musician Jackson Maine discovers & falls in love with struggling artist Ally.",
      "artworkUrl100":"BASE/art/100x100bb.jpg"}]})j")
            .replace("BASE", server.baseURL().toUtf8());
    LoopbackHttpServer::Response json;
    json.body = answer;
    json.contentType = "application/json";
    server.route("/search?term=a%20star%20is%20born&media=movie&entity=movie&country=US&limit=20", json);
    server.route("/lookup?id=1437031362&country=US", json);
    server.route("/art/600x600bb.jpg", pictureAnswer(Qt::red));
  }

  LoopbackHttpServer server;
  std::vector<std::unique_ptr<ScopedEnv>> variables;
};

TEST_F(DroppedMovieTest, TheFilesTableAndTheTagEditorShowWhatTheITunesStoreKnows) {
  const QString movie = root + "/videos/A Star Is Born (2018).mkv";
  makeMedia(movie, {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=1", "-c:v", "libx264",
                    "-preset", "ultrafast"});

  ASSERT_TRUE(dragFilesOnto(windows().FilesTableView->viewport(), {movie}));
  ASSERT_TRUE(runloop::waitUntil(
      [&] { return state().files.size() == 1 && state().files.first()->didlookup(); }, 60, 50))
      << mainLog().join('\n').toStdString();

  // The files table: the title cell names the movie and shows its poster.
  FilesTableModel& model = filesModel();
  const QVariantList title =
      model.data(model.index(0, FilesTableModel::column("Summary")), Qt::DisplayRole).toList();
  ASSERT_FALSE(title.isEmpty());
  EXPECT_EQ(title.first().toString(), "A Star Is Born");
  EXPECT_TRUE(looksLike(title.last().value<QImage>(), Qt::red));

  // The tag editor, opened on the row.
  select({0});
  post("EditClick");
  QWidget* editor = singleEditor();
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(editor->isVisible());
  EXPECT_EQ(editor->findChild<QPlainTextEdit*>("TagsDescriptionTextField")->toPlainText(),
            "Seasoned musician Jackson Maine discovers & falls in love with struggling artist Ally.");
  EXPECT_EQ(editor->findChild<QLineEdit*>("GenreTokenField")->text(), "Romance");
  EXPECT_TRUE(looksLike(editor->findChild<QLabel*>("TagsImageView")->pixmap().toImage(), Qt::red));
  for (const QString& line : mainLog())
    EXPECT_FALSE(line.contains("not connected to Internet")) << line.toStdString();
}

}  // namespace

// Random bytes named like the film, and a sound track named .mkv: neither holds a picture.
// Both end unselected with the reason shown, although the look-up knows the film; the user
// can still tick them.
TEST_F(DroppedMovieTest, FilesWithoutAPictureEndUnselectedWithTheirReason) {
  const QString garbage = root + "/videos/A Star Is Born (2018).mkv";
  QProcess head;
  head.setStandardOutputFile(garbage);
  head.start("head", {"-c", "300000", "/dev/urandom"});
  ASSERT_TRUE(head.waitForFinished(10000));
  const QString sound = root + "/videos/Concert.mkv";
  makeMedia(sound, {"-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-c:a", "aac"});

  ASSERT_TRUE(dragFilesOnto(windows().FilesTableView->viewport(), {garbage, sound}));
  ASSERT_TRUE(runloop::waitUntil(
      [&] {
        return state().files.size() == 2 && std::all_of(state().files.begin(), state().files.end(),
                                                        [](const MediaFilePtr& m) { return m->didlookup(); });
      },
      60, 50))
      << mainLog().join('\n').toStdString();

  FilesTableModel& model = filesModel();
  for (int row = 0; row < 2; ++row) {
    const MediaFilePtr media = state().files[row];
    SCOPED_TRACE(media->filename().toStdString());
    EXPECT_FALSE(media->selected());
    EXPECT_EQ(media->reasonfordeselection(), DeselectionReason::NoVideo);
    const QModelIndex status = model.index(row, FilesTableModel::column("WhyDeselected"));
    EXPECT_EQ(status.data(Qt::ToolTipRole).toString(), "No video in this file");
    EXPECT_EQ(status.data(Qt::AccessibleTextRole).toString(), "No video in this file");
    EXPECT_EQ(status.data().value<QImage>(), tableImage("UnsupportedCircle"));
    EXPECT_EQ(
        model.index(row, FilesTableModel::column("MediaSelected")).data(Qt::AccessibleTextRole).toString(),
        "not checked");
  }
  EXPECT_EQ(state().files[0]->seriesname(), "A Star Is Born") << "the look-up ran and matched";

  edit("MediaSelected", 0, true);
  EXPECT_TRUE(state().files[0]->selected()) << "the user cannot tick the row";
}
