#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QUrl>
#include <functional>

#include "app/support/DesktopDrag.h"
#include "app/support/WidgetApplication.h"
#include "app/tags/BCTagsPanel.h"
#include "app/tags/BCTagsPanelMultiple.h"
#include "app/tags/TagEditorRules.h"
#include "app/tags/TagEditorTables.h"
#include "media/MediaValues.h"
#include "mp4/Mp4Fixtures.h"
#include "platform/NotificationCenter.h"
#include "support/TestPictures.h"
#include "support/TestSupport.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

template <class T>
T* control(QWidget* window, const char* name) {
  T* found = window->findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(found, nullptr) << name;
  return found;
}

QString text(QWidget* window, const char* name) {
  QWidget* w = window->findChild<QWidget*>(QString::fromLatin1(name));
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
  if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) return plain->toPlainText();
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
  if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText();
  ADD_FAILURE() << "no text control " << name;
  return {};
}

void setText(QWidget* window, const char* name, const QString& value) {
  QWidget* w = window->findChild<QWidget*>(QString::fromLatin1(name));
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->setText(value);
  if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) return plain->setPlainText(value);
  if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->setCurrentText(value);
  ADD_FAILURE() << "no editable text control " << name;
}

AudioTrack audio(int channels, bool selected, bool isDefault = false) {
  AudioTrack track;
  track.setChannels(channels);
  track.setSelected(selected);
  track.setIsDefault(isDefault);
  return track;
}

SubtitleTrack subtitle(bool selected) {
  SubtitleTrack track;
  track.setSelected(selected);
  return track;
}

QString writeImage(const QString& path, QColor colour, QSize size = {12, 9}) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(colour);
  EXPECT_TRUE(image.save(path));
  return path;
}

// The editor's window on screen and active, with the focus in its field `name`; null when
// any of that failed.
QLineEdit* focusedField(QWidget* window, const char* name) {
  window->show();
  window->activateWindow();
  auto* field = window->findChild<QLineEdit*>(QString::fromLatin1(name));
  if (!QTest::qWaitForWindowActive(window) || !field) return nullptr;
  field->setFocus();
  return field;
}

// A click on the box of a check column, where the user sees it.
void clickCheckBox(QTableView* view, const QModelIndex& index) {
  QStyleOptionViewItem option;
  option.initFrom(view->viewport());
  option.rect = view->visualRect(index);
  option.features = QStyleOptionViewItem::HasCheckIndicator;
  option.state |= QStyle::State_Enabled;
  const QRect box = view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, box.center());
}

// What a screen reader misses in `window` as it shows now: every control Tab reaches must
// have a name, and a field with a label must be named by that label.
QStringList unnamedControls(QWidget* window) {
  QStringList missing;
  for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain()) {
    // Tab reaches a proxy's target, not the proxy (the tabs' bar, not the tab widget).
    if (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible() || w->focusProxy()) continue;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(w);
    if (!accessible || accessible->text(QAccessible::Name).trimmed().isEmpty())
      missing << w->objectName() + "/" + w->metaObject()->className();
  }
  for (QLabel* label : window->findChildren<QLabel*>()) {
    QWidget* field = label->buddy();
    if (!field || !label->isVisible()) continue;
    const QString name = QAccessible::queryAccessibleInterface(field)->text(QAccessible::Name);
    if (name != label->text() && field->accessibleName().isEmpty())
      missing << QStringLiteral("%1 (\"%2\", not \"%3\")").arg(field->objectName(), name, label->text());
  }
  return missing;
}

class TagEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cache = freshFolder("cache");
    logPath = cache + "/editor.log";
    panel = std::make_unique<BCTagsPanel>(cache, "en", BCCReporter::path(logPath));
    show = std::make_shared<MediaFile>();
    show->setFullpath(cache + "/Show.mkv");
  }
  QWidget* window() { return panel->window(); }
  QStringList log() { return logMessages(logPath); }

  QString cache;
  QString logPath;
  std::unique_ptr<BCTagsPanel> panel;
  MediaFilePtr show;
};

// Each kind of control: what the fill shows, and what an edit writes back.
TEST_F(TagEditorTest, FillShowsAndWriteBackStoresEachFieldKind) {
  struct Case {
    const char* what;
    std::function<void(MediaFile&)> setUp;
    const char* control;
    QString shown;
    QString typed;  // typed into the control before the write-back
    std::function<QString(const MediaFile&)> stored;
    QString expected;
  };
  const auto movie = [](MediaFile& m) { m.setMediatype(MediaType::Movie); };
  const Case cases[] = {
      {"TV name as stored",
       [](MediaFile& m) {
         m.setMediatype(MediaType::TVShow);
         m.setSeriesname("Tom &amp; Jerry");
       },
       "TagsNameTextField", "Tom &amp; Jerry", "Tom & Jerry",
       [](const MediaFile& m) { return m.seriesname(); }, "Tom & Jerry"},
      {"movie name unescaped",
       [&](MediaFile& m) {
         movie(m);
         m.setSeriesname("Fast &amp; Loose");
       },
       "TagsNameTextField", "Fast & Loose", "Fast & Loose", [](const MediaFile& m) { return m.seriesname(); },
       "Fast & Loose"},
      {"episode name",
       [](MediaFile& m) {
         m.setMediatype(MediaType::TVShow);
         m.setEpisodename("Pilot");
       },
       "TagsSeasonTextField", "Pilot", "Second", [](const MediaFile& m) { return m.episodename(); },
       "Second"},
      {"season number",
       [](MediaFile& m) {
         m.setMediatype(MediaType::TVShow);
         m.setSeason(3);
       },
       "TagsSeriesNumberTextField", "3", "12", [](const MediaFile& m) { return QString::number(m.season()); },
       "12"},
      {"episode number",
       [](MediaFile& m) {
         m.setMediatype(MediaType::TVShow);
         m.setShow(7);
       },
       "TagsEpisodeNumberTextField", "7", "8x", [](const MediaFile& m) { return QString::number(m.show()); },
       "8"},
      {"description unescaped", [](MediaFile& m) { m.setDescription("A &lt;b&gt; story"); },
       "TagsDescriptionTextField", "A <b> story", "New text",
       [](const MediaFile& m) { return m.description(); }, "New text"},
      {"release date", [](MediaFile& m) { m.setReleasedate("2001-02-03"); }, "TagsReleaseDateTextField",
       "2001-02-03", "2002", [](const MediaFile& m) { return m.releasedate(); }, "2002"},
      {"genre tokens", [](MediaFile& m) { m.setGenre("Drama, Comedy"); }, "GenreTokenField", "Drama,Comedy",
       "Drama, Comedy,,", [](const MediaFile& m) { return m.genre(); }, "Drama,Comedy"},
      {"no actor tokens", [](MediaFile& m) { m.setActors(""); }, "ActorsTokenField", "", " , ",
       [](const MediaFile& m) { return m.actors(); }, ""},
      {"quoted director token", [](MediaFile& m) { m.setDirectors("\"Smith, J\",Doe"); },
       "DirectorsTokenField", "Smith, J,Doe", "Roe", [](const MediaFile& m) { return m.directors(); }, "Roe"},
      {"rating", [](MediaFile& m) { m.setRating("PG"); }, "RatingComboBox", "PG", "R",
       [](const MediaFile& m) { return m.rating(); }, "R"},
      {"audio sync", [](MediaFile& m) { m.setAudiosync(1.24f); }, "AudioSyncTextField", "1.2", "-0.5",
       [](const MediaFile& m) { return QString::number(m.audiosync()); }, "-0.5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto media = std::make_shared<MediaFile>();
    c.setUp(*media);
    panel->fillTagsPanelFromShow(media);
    EXPECT_EQ(text(window(), c.control), c.shown);
    setText(window(), c.control, c.typed);
    panel->UpdateTagsPannel();
    EXPECT_EQ(c.stored(*media), c.expected);
  }
}

TEST_F(TagEditorTest, CombosChecksAndSlidersRoundTrip) {
  show->setMediatype(MediaType::TVShow);
  show->setForceHDflag(2);
  show->setForce169(true);
  show->setForceVideoSync(true);
  show->setNoisereduction(4);
  panel->fillTagsPanelFromShow(show);
  EXPECT_EQ(control<QComboBox>(window(), "SetHDCheckBox")->currentIndex(), 2);
  EXPECT_TRUE(control<QCheckBox>(window(), "Force169Button")->isChecked());
  EXPECT_FALSE(control<QCheckBox>(window(), "ForceAudioSyncButton")->isChecked());
  EXPECT_EQ(control<QSlider>(window(), "VideoNoiseReductionSlider")->value(), 4);
  EXPECT_FALSE(control<QWidget>(window(), "TagsSeriesNumberTextField")->isHidden());
  EXPECT_EQ(text(window(), "TagsName1TextField"), "Series Name");
  EXPECT_FALSE(control<QWidget>(window(), "ForcedSubtitlesCheckBox")->isVisibleTo(window()))
      << "DVD titles only";

  control<QComboBox>(window(), "SetHDCheckBox")->setCurrentIndex(1);
  control<QCheckBox>(window(), "Force169Button")->setChecked(false);
  control<QCheckBox>(window(), "ForceAudioSyncButton")->setChecked(true);
  control<QSlider>(window(), "VideoNoiseReductionSlider")->setValue(7);
  auto* type = control<QComboBox>(window(), "TagsMediaTypeComboBox");
  type->setCurrentIndex(1);
  panel->MediaTypeChanged();
  EXPECT_TRUE(control<QWidget>(window(), "TagsSeriesNumberTextField")->isHidden());
  EXPECT_EQ(text(window(), "TagsName1TextField"), "Movie Name");
  EXPECT_TRUE(control<QWidget>(window(), "TagsName2TextField")->isHidden());
  panel->UpdateTagsPannel();
  EXPECT_EQ(show->forceHDflag(), 1);
  EXPECT_FALSE(show->force169());
  EXPECT_TRUE(show->ForceAudioSync());
  EXPECT_TRUE(show->ForceVideoSync());
  EXPECT_EQ(show->noisereduction(), 7u);
  EXPECT_EQ(show->mediatype(), MediaType::Movie);
}

TEST_F(TagEditorTest, WriteBackAppliesTheSelectionRule) {
  const struct {
    bool solid;
    MediaType type;
    DeselectionReason reason;
    DeselectionReason reasonAfter;
    bool selectedAfter;
  } cases[] = {
      {false, MediaType::Movie, DeselectionReason::None, DeselectionReason::NoLookUpMatch, false},
      {false, MediaType::Movie, DeselectionReason::ProtectedByDRM, DeselectionReason::ProtectedByDRM, false},
      {false, MediaType::Movie, DeselectionReason::UnsupportedVideo, DeselectionReason::UnsupportedVideo,
       false},
      {true, MediaType::Movie, DeselectionReason::ProtectedByDRM, DeselectionReason::None, true},
      {true, MediaType::TVShow, DeselectionReason::UnsupportedVideo, DeselectionReason::UnsupportedVideo,
       false},
      {false, MediaType::HomeMovie, DeselectionReason::NoLookUpMatch, DeselectionReason::None, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "solid " << c.solid << " type " << codeOf(c.type) << " reason "
                                    << codeOf(c.reason));
    auto media = std::make_shared<MediaFile>();
    media->setSoliddetection(c.solid);
    media->setMediatype(c.type);
    media->setReasonfordeselection(c.reason);
    media->setSelected(false);
    panel->fillTagsPanelFromShow(media);
    panel->UpdateTagsPannel();
    EXPECT_EQ(media->reasonfordeselection(), c.reasonAfter);
    EXPECT_EQ(media->selected(), c.selectedAfter);
  }
}

TEST_F(TagEditorTest, NextPreviousWriteBackAndCancelDoesNot) {
  QStringList posted;
  QVariantMap closeInfo;
  const void* poster = nullptr;
  NotificationCenter& center = NotificationCenter::defaultCenter();
  const auto t1 = center.addObserver("NextShow", [&](const Notification& n) {
    posted << n.name;
    poster = n.object;
  });
  const auto t2 = center.addObserver("PreviousShow", [&](const Notification& n) { posted << n.name; });
  const auto t3 = center.addObserver("CloseTagPanel", [&](const Notification& n) {
    posted << n.name;
    closeInfo = n.userInfo;
  });
  show->setSeriesname("Before");
  panel->fillTagsPanelFromShow(show);
  setText(window(), "TagsNameTextField", "After next");
  panel->NextShow();
  EXPECT_EQ(show->seriesname(), "After next");
  EXPECT_EQ(poster, panel.get());
  setText(window(), "TagsNameTextField", "After previous");
  panel->PreviousShow();
  EXPECT_EQ(show->seriesname(), "After previous");
  setText(window(), "TagsNameTextField", "Cancelled");
  panel->cancelTagsPannel();
  EXPECT_EQ(show->seriesname(), "After previous");
  EXPECT_EQ(posted, QStringList({"NextShow", "PreviousShow", "CloseTagPanel"}));
  EXPECT_EQ(closeInfo.value("number").toInt(), 0);
  for (auto t : {t1, t2, t3}) center.removeObserver(t);
}

// Escape, with the focus in a field, leaves as Cancel does: nothing is written back.
TEST_F(TagEditorTest, EscapeLeavesAsCancelDoes) {
  bool closed = false;
  const auto token = NotificationCenter::defaultCenter().addObserver(
      "CloseTagPanel", [&](const Notification&) { closed = true; });
  show->setSeriesname("Before");
  panel->fillTagsPanelFromShow(show);
  QLineEdit* field = focusedField(window(), "TagsNameTextField");
  ASSERT_TRUE(field);
  QTest::keyClicks(field, " and after");
  QTest::keyClick(field, Qt::Key_Escape);
  NotificationCenter::defaultCenter().removeObserver(token);
  // The controller closes the window on the notice, as for Cancel.
  EXPECT_TRUE(closed);
  EXPECT_EQ(show->seriesname(), "Before");
}

// A keyboard user starts in the first field and leaves the description with Tab, in either
// direction, without a tab character going into it and so into the saved description.
TEST_F(TagEditorTest, TabLeavesTheDescriptionAndTypesNoTab) {
  show->setMediatype(MediaType::TVShow);
  show->setDescription("Plot");
  panel->fillTagsPanelFromShow(show);
  control<QTabWidget>(window(), "TagsTabs")->setCurrentIndex(0);
  window()->show();
  window()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
  EXPECT_EQ(QApplication::focusWidget(), control<QWidget>(window(), "TagsMediaTypeComboBox"))
      << "opens on its first field";

  auto* description = control<QPlainTextEdit>(window(), "TagsDescriptionTextField");
  description->setFocus();
  description->moveCursor(QTextCursor::End);
  QTest::keyClicks(description, " twist");
  QTest::keyClick(description, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), control<QWidget>(window(), "TagsReleaseDateTextField"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), description) << "Shift+Tab comes back";
  QTest::keyClick(description, Qt::Key_Backtab);
  EXPECT_NE(QApplication::focusWidget(), description) << "and leaves it backwards";
  EXPECT_EQ(description->toPlainText(), "Plot twist");
  control<QPushButton>(window(), "DoneButton")->click();
  EXPECT_EQ(show->description(), "Plot twist");
}

// Each showing of the window starts on the first field of the page shown, not where the
// focus was left.
TEST_F(TagEditorTest, EveryOpeningStartsOnTheFirstField) {
  panel->fillTagsPanelFromShow(show);
  QLineEdit* field = focusedField(window(), "TagsReleaseDateTextField");
  ASSERT_TRUE(field);
  control<QPushButton>(window(), "CancelButton")->click();
  window()->hide();
  panel->fillTagsPanelFromShow(show);
  window()->show();
  window()->activateWindow();
  // The window's focus, which is the keyboard's once the window is active.
  EXPECT_EQ(window()->focusWidget(), control<QWidget>(window(), "TagsMediaTypeComboBox"));
}

// A screen reader finds a dialog named by its title, and a name for every control of every
// page, for a TV show and for a movie (whose name field's label changes).
TEST_F(TagEditorTest, EveryShowingControlHasAnAccessibleName) {
  QAccessibleInterface* dialog = QAccessible::queryAccessibleInterface(window());
  EXPECT_EQ(dialog->role(), QAccessible::Dialog);
  EXPECT_EQ(dialog->text(QAccessible::Name), "Tags");
  AudioTrack track = audio(6, true, true);
  show->setAudioTracks({track});
  for (const MediaType type : {MediaType::TVShow, MediaType::Movie}) {
    show->setMediatype(type);
    panel->fillTagsPanelFromShow(show);
    window()->show();
    auto* tabs = control<QTabWidget>(window(), "TagsTabs");
    for (int page = 0; page < tabs->count(); ++page) {
      tabs->setCurrentIndex(page);
      EXPECT_EQ(unnamedControls(window()), QStringList())
          << "type " << codeOf(type) << ", page " << tabs->tabText(page).toStdString();
    }
  }
  EXPECT_EQ(QAccessible::queryAccessibleInterface(control<QWidget>(window(), "TagsNameTextField"))
                ->text(QAccessible::Name),
            "Movie Name");
  for (QTableView* table : window()->findChildren<QTableView*>())
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(table)->text(QAccessible::Name).isEmpty())
        << table->objectName().toStdString();
}

TEST_F(TagEditorTest, ImageStepperAndArtworkFromTheCache) {
  LoopbackHttpServer server;
  QImage red(8, 8, QImage::Format_RGB32);
  red.fill(Qt::red);
  QByteArray png;
  {
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    red.save(&buffer, "JPG");
  }
  server.route("/poster2.jpg", {200, png, "image/jpeg"});
  show->setMediatype(MediaType::Movie);
  show->setShowid(603);
  show->setSeason(0);
  show->setAlternateimages({server.baseURL() + "/poster0.jpg", server.baseURL() + "/poster1.jpg",
                            server.baseURL() + "/poster2.jpg"});
  show->setSelectedImage(2);
  panel->fillTagsPanelFromShow(show);
  EXPECT_EQ(text(window(), "NumberOfImagesTextField"), "Displaying 3 of 3");
  auto* stepper = control<QSpinBox>(window(), "ImageStepper");
  EXPECT_EQ(stepper->maximum(), 2);
  panel->ChangeImage();
  EXPECT_TRUE(QFileInfo::exists(cache + "/MOVIE603.0.2.jpg"));
  EXPECT_TRUE(log().contains("Downloading movie image to cache"));
  EXPECT_TRUE(log().contains("Movie image now in cache"));
  EXPECT_TRUE(show->image().isNull()) << "the item changes only at write-back";
  panel->UpdateTagsPannel();
  EXPECT_EQ(show->image().size(), QSize(8, 8));
  EXPECT_EQ(show->selectedImage(), 2);

  const QString saved = cache + "/saved.png";
  panel->saveImage(saved);
  EXPECT_EQ(QImage(saved).size(), QSize(8, 8));

  auto none = std::make_shared<MediaFile>();
  panel->fillTagsPanelFromShow(none);
  EXPECT_EQ(text(window(), "NumberOfImagesTextField"), "No Images");
  EXPECT_TRUE(stepper->isHidden());
}

// The editor holds the whole picture, not the tables' small one, and a write-back keeps the
// bytes the artwork came as.
TEST_F(TagEditorTest, APosterIsShownAndKeptWhole) {
  QImage poster(680, 1000, QImage::Format_RGB32);
  poster.fill(QColor(200, 30, 30));
  const QByteArray jpeg = test::encodedPicture(poster);
  show->setArtwork(Artwork::fromData(jpeg));
  panel->fillTagsPanelFromShow(show);
  const QString saved = cache + "/poster.png";
  panel->saveImage(saved);
  EXPECT_EQ(QImage(saved).size(), QSize(680, 1000));
  panel->UpdateTagsPannel();
  EXPECT_EQ(show->artwork().data(), jpeg) << "encoded again at the write-back";
  EXPECT_EQ(show->artwork().small().size(), QSize(95, 140));
}

TEST_F(TagEditorTest, AudioTableKeepsTheTrackFlagsConsistent) {
  show->setAudioTracks({audio(2, true, true), audio(2, true), audio(6, true)});
  panel->fillTagsPanelFromShow(show);
  TagEditorTableModel* model = panel->model(TagEditorTable::AudioStreams);
  const QStringList columns = TagEditorTableModel::columnIdentifiers(TagEditorTable::AudioStreams);
  const auto cell = [&](int row, const char* column) { return model->index(row, columns.indexOf(column)); };

  panel->tableView(TagEditorTable::AudioStreams)->selectRow(2);
  ASSERT_TRUE(model->setData(cell(2, "Default"), Qt::Checked, Qt::CheckStateRole));
  QList<AudioTrack> tracks = show->AudioTracks();
  EXPECT_FALSE(tracks[0].isDefault());
  EXPECT_FALSE(tracks[1].isDefault());
  EXPECT_TRUE(tracks[2].isDefault());

  ASSERT_TRUE(model->setData(cell(2, "Include"), Qt::Unchecked, Qt::CheckStateRole));
  tracks = show->AudioTracks();
  EXPECT_TRUE(tracks[0].isDefault()) << "the first selected track becomes the default";
  EXPECT_FALSE(tracks[2].isDefault());

  EXPECT_EQ(cell(2, "Channels").data().toString(), "5.1");
  EXPECT_FALSE(model->flags(cell(0, "Stereo")) & Qt::ItemIsEnabled) << "a stereo track cannot be made stereo";
  ASSERT_TRUE(model->setData(cell(1, "Volume"), 300, Qt::EditRole));
  ASSERT_TRUE(model->setData(cell(1, "TrackName"), "Commentary", Qt::EditRole));
  EXPECT_EQ(show->AudioTracks()[1].volume(), 300);
  EXPECT_EQ(show->AudioTracks()[1].name(), "Commentary");
}

// The user ticks "Default" on a track without selecting its row first, then on another:
// each time the ticked track is the only default, and the row clicked stays selected.
TEST_F(TagEditorTest, TickingDefaultInTheTableLeavesOneDefaultTrack) {
  show->setAudioTracks({audio(2, true, true), audio(2, true), audio(6, true)});
  panel->fillTagsPanelFromShow(show);
  window()->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window()));
  control<QTabWidget>(window(), "TagsTabs")->setCurrentWidget(control<QWidget>(window(), "audioPage"));
  QTableView* view = panel->tableView(TagEditorTable::AudioStreams);
  QApplication::processEvents();
  const int column =
      int(TagEditorTableModel::columnIdentifiers(TagEditorTable::AudioStreams).indexOf("Default"));
  const auto defaults = [&] {
    QList<int> rows;
    const QList<AudioTrack> tracks = show->AudioTracks();
    for (int i = 0; i < tracks.size(); ++i)
      if (tracks[i].isDefault()) rows << i;
    return rows;
  };
  for (const int row : {2, 1, 0}) {
    SCOPED_TRACE(row);
    clickCheckBox(view, view->model()->index(row, column));
    EXPECT_EQ(defaults(), QList<int>{row});
    ASSERT_NE(view->selectionModel(), nullptr);
    EXPECT_TRUE(view->selectionModel()->isRowSelected(row, {})) << "the edit kept the clicked row selected";
    EXPECT_EQ(view->model()->index(row, column).data(Qt::CheckStateRole).toInt(), Qt::Checked);
  }
}

TEST_F(TagEditorTest, TableColumnsCarryReadableTitles) {
  const auto titles = [](TagEditorTable table) {
    TagEditorTableModel model(table, {});
    QStringList shown;
    for (int i = 0; i < model.columnCount(); ++i)
      shown << model.headerData(i, Qt::Horizontal, Qt::DisplayRole).toString();
    return shown;
  };
  EXPECT_EQ(
      titles(TagEditorTable::AudioStreams),
      QStringList({"Include", "Default", "Stereo Copy", "Channels", "Language", "Track Name", "Volume"}));
  EXPECT_EQ(titles(TagEditorTable::Chapters), QStringList({"Start", "Title"}));
  EXPECT_EQ(titles(TagEditorTable::VideoJoin), QStringList({"Part", "Joined File"}));
  EXPECT_EQ(titles(TagEditorTable::Alternatives), QStringList({"Other Matches"}));
}

// At the window's own size, every table shows all its columns, each as wide as its heading
// and, for a surround track and a subtitle, its values; the video page's rows stay together
// at the top instead of spreading over the page.
TEST_F(TagEditorTest, NothingIsCutAtTheDefaultSize) {
  AudioTrack track = audio(6, true, true);
  track.setLanguage("English");
  track.setName("Surround Sound");
  track.setVolume(256);
  show->setAudioTracks({track});
  SubtitleTrack sub = subtitle(true);
  sub.setLanguage("English");
  sub.setFormat("UTF-8");
  show->setSoftSubtitleTracks({sub});
  show->setSoftSubtitles(true);
  panel->fillTagsPanelFromShow(show);
  window()->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window()));
  auto* tabs = control<QTabWidget>(window(), "TagsTabs");
  for (int page = 0; page < tabs->count(); ++page) {
    tabs->setCurrentIndex(page);
    QApplication::processEvents();
    for (QTableView* table : tabs->currentWidget()->findChildren<QTableView*>()) {
      SCOPED_TRACE(table->objectName().toStdString());
      const QHeaderView* header = table->horizontalHeader();
      EXPECT_LE(header->length(), table->viewport()->width()) << "no column beyond the edge";
      for (int column = 0; column < header->count(); ++column) {
        const QString heading = table->model()->headerData(column, Qt::Horizontal).toString();
        EXPECT_GE(header->sectionSize(column), header->fontMetrics().horizontalAdvance(heading))
            << heading.toStdString();
        for (int row = 0; row < table->model()->rowCount(); ++row) {
          const QString value = table->model()->index(row, column).data().toString();
          EXPECT_GE(header->sectionSize(column), table->fontMetrics().horizontalAdvance(value))
              << value.toStdString();
        }
      }
    }
  }
  tabs->setCurrentWidget(control<QWidget>(window(), "videoPage"));
  QApplication::processEvents();
  const int first = control<QWidget>(window(), "resolutionLabel")->geometry().top();
  const int next = control<QWidget>(window(), "formatLabel")->geometry().top();
  EXPECT_LT(next - first, 2 * control<QWidget>(window(), "resolutionLabel")->sizeHint().height())
      << "rows packed";
}

TEST(TagEditorRules, AudioRuleGivesAStereoTrackAndOneDefault) {
  QList<AudioTrack> tracks{audio(6, true), audio(2, false, true)};
  tracks[1].setMakeStereo(true);
  sanityCheckAudioMatrix(tracks, -1);
  EXPECT_TRUE(tracks[0].makeStereo()) << "5.1 without a stereo track";
  EXPECT_TRUE(tracks[0].isDefault());
  EXPECT_FALSE(tracks[1].isDefault());
  EXPECT_FALSE(tracks[1].makeStereo());
  QList<AudioTrack> none;
  sanityCheckAudioMatrix(none, 0);
  EXPECT_TRUE(none.isEmpty());
}

TEST_F(TagEditorTest, SubtitleIncludeFollowsSoftOrBurntIn) {
  show->setSoftSubtitleTracks({subtitle(true), subtitle(false)});
  show->setHardSubtitleTracks({subtitle(true), subtitle(false)});
  show->setSoftSubtitles(true);
  panel->fillTagsPanelFromShow(show);
  TagEditorTableModel* model = panel->model(TagEditorTable::Subtitles);
  ASSERT_TRUE(model->setData(model->index(1, 0), Qt::Checked, Qt::CheckStateRole));
  EXPECT_TRUE(show->SoftSubtitleTracks()[0].selected()) << "several soft subtitles";
  EXPECT_TRUE(show->SoftSubtitleTracks()[1].selected());
  EXPECT_FALSE(show->HardSubtitleTracks()[0].selected());

  panel->ChangeHardSoftSubtitles();
  EXPECT_FALSE(show->SoftSubtitles());
  const int encoding =
      int(TagEditorTableModel::columnIdentifiers(TagEditorTable::Subtitles).indexOf("Encoding"));
  EXPECT_EQ(model->index(0, encoding).data().toString(), "N/A");
  EXPECT_FALSE(model->flags(model->index(0, encoding)) & Qt::ItemIsEnabled);
  ASSERT_TRUE(model->setData(model->index(1, 0), Qt::Checked, Qt::CheckStateRole));
  EXPECT_TRUE(show->HardSubtitleTracks()[1].selected()) << "only one burnt-in subtitle";
  EXPECT_FALSE(show->HardSubtitleTracks()[0].selected());
  EXPECT_FALSE(show->SoftSubtitleTracks()[0].selected());
  EXPECT_FALSE(show->SoftSubtitleTracks()[1].selected());
  ASSERT_TRUE(model->setData(model->index(1, 0), Qt::Unchecked, Qt::CheckStateRole));
  EXPECT_FALSE(show->HardSubtitleTracks()[1].selected());
}

TEST_F(TagEditorTest, SubtitleDropsAddSubtitleFilesOnly) {
  const QString folder = freshFolder("drops");
  const QString srt = writeFile(folder + "/Other.srt", "1\n00:00:01,000 --> 00:00:02,000\nHello\n\n");
  const QString txt = writeFile(folder + "/notes.txt", "text");
  show->setHardSubtitleTracks({subtitle(true)});
  show->setSoftSubtitles(false);
  panel->fillTagsPanelFromShow(show);
  TagEditorTableModel* model = panel->model(TagEditorTable::Subtitles);
  QMimeData textDrop;
  textDrop.setUrls({QUrl::fromLocalFile(txt)});
  ASSERT_TRUE(model->dropMimeData(&textDrop, Qt::CopyAction, -1, -1, {}));
  EXPECT_TRUE(show->SoftSubtitleTracks().isEmpty());
  EXPECT_TRUE(log().contains("Unknown format for dropped file"));
  EXPECT_TRUE(log().contains("SubtitlesTableView validateDrop called"));

  QMimeData srtDrop;
  srtDrop.setUrls({QUrl::fromLocalFile(srt)});
  ASSERT_TRUE(model->dropMimeData(&srtDrop, Qt::CopyAction, -1, -1, {}));
  EXPECT_TRUE(show->SoftSubtitles());
  ASSERT_EQ(show->SoftSubtitleTracks().size(), 1);
  EXPECT_TRUE(show->SoftSubtitleTracks()[0].selected());
  EXPECT_EQ(show->SoftSubtitleTracks()[0].path(), srt);
  EXPECT_FALSE(show->HardSubtitleTracks()[0].selected());

  panel->processdrop({srt});
  EXPECT_EQ(text(window(), "SRTTextField"), srt);
  EXPECT_TRUE(text(window(), "SRTEncodingTextField").endsWith(" encoding"));
  panel->SRTClearButton();
  EXPECT_EQ(text(window(), "SRTTextField"), "Drop SRT File Here");
}

// A SubRip file dragged from the desktop onto the "Drop SRT File Here" well shows with its
// encoding; the item is not changed by it.
TEST_F(TagEditorTest, TheSubtitleWellTakesADroppedFile) {
  const QString folder = freshFolder("well");
  const QString srt =
      writeFile(folder + "/Film$French.srt", "1\n00:00:01,000 --> 00:00:02,000\nBonjour \xc3\xa0 tous\n\n");
  show->setSoftSubtitleTracks({subtitle(false), subtitle(true)});
  show->setHardSubtitleTracks({subtitle(false), subtitle(false), subtitle(true)});
  panel->fillTagsPanelFromShow(show);
  EXPECT_EQ(text(window(), "NumberSoftSubtitlesTextField"),
            "There are 2 soft and 3 hard subtitles available for this file");
  QWidget* well = control<QWidget>(window(), "SRTDropImage");
  ASSERT_TRUE(dragFilesOnto(well, {srt}));
  EXPECT_EQ(text(window(), "SRTTextField"), srt);
  EXPECT_EQ(text(window(), "SRTEncodingTextField"), "UTF-8 encoding");
  EXPECT_EQ(show->SoftSubtitleTracks().size(), 2) << "the well only shows the file";
  EXPECT_TRUE(log().contains("processdrop : setting srt file to " + srt));
  // Not a subtitle file: the well keeps what it showed.
  ASSERT_TRUE(dragFilesOnto(well, {writeFile(folder + "/notes.txt", "x")}));
  EXPECT_EQ(text(window(), "SRTTextField"), srt);
  EXPECT_TRUE(log().contains("processdrop : Unknown format for dropped file"));
}

// Artwork is given to the editor by dropping an image file or pasting an image; the item
// takes it at the write-back. Files that are no image are refused.
TEST_F(TagEditorTest, ArtworkIsDroppedOrPastedOntoTheImageView) {
  const QString folder = freshFolder("art");
  const QString poster = writeImage(folder + "/poster.png", Qt::red, {30, 40});
  show->setMediatype(MediaType::Movie);
  panel->fillTagsPanelFromShow(show);
  window()->show();
  auto* view = control<QLabel>(window(), "TagsImageView");
  EXPECT_FALSE(dragFilesOnto(view, {writeFile(folder + "/notes.txt", "no image")}));
  EXPECT_TRUE(view->pixmap().isNull());
  ASSERT_TRUE(dragFilesOnto(view, {poster}));
  EXPECT_FALSE(view->pixmap().isNull());
  panel->UpdateTagsPannel();
  EXPECT_EQ(show->image().size(), QSize(30, 40));
  EXPECT_EQ(show->image().pixelColor(5, 5), QColor(Qt::red));

  QImage blue(16, 16, QImage::Format_RGB32);
  blue.fill(Qt::blue);
  QGuiApplication::clipboard()->setImage(blue);
  QTest::mouseClick(view, Qt::LeftButton);
  QTest::keyClick(view, Qt::Key_V, Qt::ControlModifier);
  panel->UpdateTagsPannel();
  EXPECT_EQ(show->image().size(), QSize(16, 16));
  EXPECT_EQ(show->image().pixelColor(3, 3), QColor(Qt::blue));
}

TEST_F(TagEditorTest, ChapterEditsParseTimesAndKeepTheListSorted) {
  ChapterTrack a, b;
  a.setStarttime("00:00:10");
  a.setTitle("A");
  b.setStarttime("00:05:00");
  b.setTitle("B");
  show->setChapters({b, a});
  panel->fillTagsPanelFromShow(show);
  EXPECT_EQ(show->Chapters()[0].title(), "A") << "sorted at fill";
  TagEditorTableModel* model = panel->model(TagEditorTable::Chapters);
  const struct {
    const char* typed;
    const char* stored;
  } cases[] = {{"90", "00:01:30"},      {"-5", "00:00:00"},      {"1:02:03", "01:02:03"},
               {"1:2:3:4", "00:00:00"}, {"2.5", "00:00:02.500"}, {"00:00:07.040", "00:00:07.040"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    show->setChapters({a, b});
    model->reload();
    ASSERT_TRUE(model->setData(model->index(1, 0), QString(c.typed), Qt::EditRole));
    QStringList starts;
    for (const ChapterTrack& chapter : show->Chapters()) starts << chapter.starttime();
    EXPECT_TRUE(starts.contains(c.stored));
    EXPECT_TRUE(std::is_sorted(starts.begin(), starts.end()));
  }
  show->setChapters({a, b});
  model->reload();
  ASSERT_TRUE(model->setData(model->index(0, 1), "Opening", Qt::EditRole));
  EXPECT_EQ(show->Chapters()[0].title(), "Opening");
  panel->addChapter();
  EXPECT_EQ(show->Chapters().size(), 3);
  panel->tableView(TagEditorTable::Chapters)->selectRow(0);
  panel->removeChapter();
  EXPECT_EQ(show->Chapters().size(), 2);
  panel->tableView(TagEditorTable::Chapters)->clearSelection();
  panel->tableView(TagEditorTable::Chapters)->setCurrentIndex({});
  panel->removeChapter();
  EXPECT_EQ(show->Chapters().size(), 2) << "nothing selected, nothing removed";
}

TEST_F(TagEditorTest, JoinTableTakesVideosAndMovesDraggedRows) {
  const QString folder = freshFolder("join");
  show->setVideoJoinPaths({folder + "/1.avi", folder + "/2.avi", folder + "/3.avi"});
  panel->fillTagsPanelFromShow(show);
  TagEditorTableModel* model = panel->model(TagEditorTable::VideoJoin);
  EXPECT_EQ(model->index(0, 0).data().toString(), "2") << "the source is part 1";
  QMimeData drag;
  drag.setData(kVideoJoinTableRow, "0");
  ASSERT_TRUE(model->dropMimeData(&drag, Qt::MoveAction, 2, 0, {}));
  EXPECT_EQ(show->VideoJoinPaths(), QStringList({folder + "/2.avi", folder + "/3.avi", folder + "/1.avi"}));
  ASSERT_TRUE(model->dropMimeData(&drag, Qt::MoveAction, 3, 0, {}));
  EXPECT_EQ(show->VideoJoinPaths().last(), folder + "/2.avi") << "a drop below the last row appends";

  QMimeData files;
  files.setUrls({QUrl::fromLocalFile(folder + "/4.mkv"), QUrl::fromLocalFile(folder + "/notes.txt")});
  ASSERT_TRUE(model->dropMimeData(&files, Qt::CopyAction, -1, -1, {}));
  EXPECT_EQ(show->VideoJoinPaths().size(), 4);
  EXPECT_EQ(show->VideoJoinPaths().last(), folder + "/4.mkv");
  panel->tableView(TagEditorTable::VideoJoin)->selectRow(3);
  panel->removeVideoJoin();
  EXPECT_EQ(show->VideoJoinPaths().size(), 3);
}

TEST_F(TagEditorTest, SaveInPlaceWritesTagsThatMutagenReads) {
  const QString folder = freshFolder("inplace");
  const QString path = folder + "/Clip.m4v";
  makeTestVideo(path, 1, 160, 120);
  show->setFullpath(path);
  show->setFilename("Clip.m4v");
  show->setMediatype(MediaType::Movie);
  show->setSoliddetection(true);
  panel->fillTagsPanelFromShow(show);
  EXPECT_TRUE(control<QWidget>(window(), "UpdateTagsInPlaceButton")->isEnabled());
  setText(window(), "TagsNameTextField", "Road Movie");
  setText(window(), "GenreTokenField", "Drama");
  setText(window(), "TagsDescriptionTextField", "Two friends drive west");
  bool closed = false;
  const auto token = NotificationCenter::defaultCenter().addObserver(
      "CloseTagPanel", [&](const Notification&) { closed = true; });
  window()->show();
  panel->UpdateTagsInPlace();
  NotificationCenter::defaultCenter().removeObserver(token);
  EXPECT_TRUE(closed);
  EXPECT_FALSE(window()->isVisible());
  const QJsonObject tags = mutagenView(path)["tags"].toObject();
  EXPECT_EQ(tags["\u00a9nam"].toArray().at(0).toString(), "Road Movie");
  EXPECT_EQ(tags["\u00a9gen"].toArray().at(0).toString(), "Drama");
  EXPECT_EQ(tags["desc"].toArray().at(0).toString(), "Two friends drive west");
}

class TagEditorMultipleTest : public ::testing::Test {
 protected:
  void SetUp() override { editor = std::make_unique<BCTagsPanelMultiple>(&mainWindow, BCCReporter::dummy()); }
  MediaFilePtr item(const QString& series, quint32 season) {
    auto media = std::make_shared<MediaFile>();
    media->setSeriesname(series);
    media->setSeason(season);
    return media;
  }
  QWidget* window() { return editor->window(); }
  QWidget mainWindow;
  std::unique_ptr<BCTagsPanelMultiple> editor;
};

TEST_F(TagEditorMultipleTest, SharedValuesShowAndMarkedFieldsStayAlone) {
  const QList<MediaFilePtr> items{item("Show", 1), item("Show", 2), item("Show", 1)};
  items[2]->setRating("TV-14");
  items[0]->setMediatype(MediaType::TVShow);
  items[1]->setMediatype(MediaType::HomeMovie);
  items[0]->setForceHDflag(1);
  items[1]->setForceHDflag(2);
  QImage image(4, 4, QImage::Format_RGB32);
  image.fill(Qt::blue);
  items[0]->setImage(image);
  items[1]->setImage(image);
  editor->loadShows(items);
  EXPECT_EQ(text(window(), "TagsSeriesNameTextField"), "Show");
  EXPECT_EQ(text(window(), "TagsSeasonTextField"), "Multiple Values");
  EXPECT_EQ(text(window(), "TagsRatingTextField"), "Multiple Values");
  EXPECT_EQ(text(window(), "TagsMediaTypeComboBox"), "Multiple Values");
  EXPECT_EQ(control<QComboBox>(window(), "HDComboBox")->currentIndex(), 3);
  EXPECT_TRUE(control<QLabel>(window(), "TagsImageView")->pixmap().isNull()) << "the third has no image";

  setText(window(), "TagsDescriptionTextField", "Shared text");
  setText(window(), "TagsSeriesNameTextField", "Renamed");
  editor->UpdateButtonClick();
  EXPECT_EQ(items[0]->season(), 1u);
  EXPECT_EQ(items[1]->season(), 2u);
  EXPECT_EQ(items[2]->rating(), "TV-14");
  EXPECT_EQ(items[0]->rating(), "");
  EXPECT_EQ(items[0]->mediatype(), MediaType::TVShow);
  EXPECT_EQ(items[1]->mediatype(), MediaType::HomeMovie);
  EXPECT_EQ(items[0]->forceHDflag(), 1);
  EXPECT_EQ(items[1]->forceHDflag(), 2);
  EXPECT_TRUE(items[2]->image().isNull());
  for (const MediaFilePtr& m : items) {
    EXPECT_EQ(m->description(), "Shared text");
    EXPECT_EQ(m->seriesname(), "Renamed");
  }
}

TEST_F(TagEditorMultipleTest, EscapeLeavesAsCancelDoes) {
  const QList<MediaFilePtr> items{item("A", 1), item("B", 1)};
  editor->loadShows(items);
  QLineEdit* field = focusedField(window(), "TagsSeasonTextField");
  ASSERT_TRUE(field);
  field->setText("7");
  QTest::keyClick(field, Qt::Key_Escape);
  EXPECT_FALSE(window()->isVisible());
  for (const MediaFilePtr& m : items) EXPECT_EQ(m->season(), 1u);
}

TEST_F(TagEditorMultipleTest, ADialogWithANameForEveryField) {
  editor->loadShows({item("A", 1), item("B", 2)});
  window()->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window()));
  QAccessibleInterface* dialog = QAccessible::queryAccessibleInterface(window());
  EXPECT_EQ(dialog->role(), QAccessible::Dialog);
  EXPECT_EQ(dialog->text(QAccessible::Name), "Edit Multiple Items");
  EXPECT_EQ(unnamedControls(window()), QStringList());
  EXPECT_EQ(QAccessible::queryAccessibleInterface(control<QWidget>(window(), "TagsSeasonTextField"))
                ->text(QAccessible::Name),
            "Season");
}

TEST_F(TagEditorMultipleTest, CommonTypeFlagAndImageAreWrittenToEveryItem) {
  const QList<MediaFilePtr> items{item("A", 1), item("B", 1)};
  QImage image(4, 4, QImage::Format_RGB32);
  image.fill(Qt::green);
  for (const MediaFilePtr& m : items) {
    m->setMediatype(MediaType::Movie);
    m->setImage(image);
  }
  editor->loadShows(items);
  EXPECT_EQ(text(window(), "TagsSeriesNameTextField"), "Multiple Values");
  EXPECT_EQ(text(window(), "TagsSeasonTextField"), "1");
  EXPECT_FALSE(control<QLabel>(window(), "TagsImageView")->pixmap().isNull());
  control<QComboBox>(window(), "TagsMediaTypeComboBox")->setCurrentIndex(0);
  control<QComboBox>(window(), "HDComboBox")->setCurrentIndex(2);
  setText(window(), "TagsSeasonTextField", "4");
  editor->UpdateButtonClick();
  for (const MediaFilePtr& m : items) {
    EXPECT_EQ(m->mediatype(), MediaType::TVShow);
    EXPECT_EQ(m->forceHDflag(), 2);
    EXPECT_EQ(m->season(), 4u);
    EXPECT_EQ(m->image(), image);
  }
  EXPECT_EQ(items[0]->seriesname(), "A");
  EXPECT_EQ(items[1]->seriesname(), "B");
  EXPECT_FALSE(window()->isVisible());
}

TEST_F(TagEditorMultipleTest, AnImageDroppedOnTheViewGoesToEveryItem) {
  const QList<MediaFilePtr> items{item("A", 1), item("B", 2)};
  QImage old(4, 4, QImage::Format_RGB32);
  old.fill(Qt::gray);
  items[0]->setImage(old);
  editor->loadShows(items);
  auto* view = control<QLabel>(window(), "TagsImageView");
  EXPECT_TRUE(view->pixmap().isNull()) << "the items' images differ";
  const QString poster = writeImage(freshFolder("multi art") + "/cover.png", Qt::green, {20, 20});
  ASSERT_TRUE(dragFilesOnto(view, {poster}));
  EXPECT_FALSE(view->pixmap().isNull());
  QTest::mouseClick(control<QPushButton>(window(), "UpdateButton"), Qt::LeftButton);
  for (const MediaFilePtr& m : items) {
    EXPECT_EQ(m->image().size(), QSize(20, 20));
    EXPECT_EQ(m->image().pixelColor(10, 10), QColor(Qt::green));
  }
}

}  // namespace
