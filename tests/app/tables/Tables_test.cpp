#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

#include "app/files/BCFASTPopUpCell.h"
#include "app/files/FilesTableColumns.h"
#include "app/files/FilesTableModel.h"
#include "app/files/RowColours.h"
#include "app/queue/BCButtonCell2.h"
#include "app/queue/BCLevelIndicatorCell.h"
#include "app/queue/QueueRowStatus.h"
#include "app/queue/QueueTableColumns.h"
#include "app/queue/QueueTableModel.h"
#include "app/tables/BCTableView.h"
#include "app/tables/TableImages.h"
#include "app/tables/TableRoles.h"
#include "media/MediaValues.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "support/TestPictures.h"
#include "support/TestSupport.h"

using namespace zuvo;

QCoreApplication* zuvo::test::makeApplication(int& argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  auto* app = new QApplication(argc, argv);
  const QString build = qEnvironmentVariable("ZUVO_BUILD_DIR");
  if (!build.isEmpty()) paths::setResourceRoots(build + "/share/zuvo", build + "/libexec/zuvo");
  return app;
}

namespace {

MediaFilePtr item(MediaState state = MediaState::InFilesTable) {
  auto m = std::make_shared<MediaFile>();
  m->setFilename("show.mkv");
  m->setState(state);
  m->setDidlookup(true);
  return m;
}

QVariant at(const QAbstractItemModel& model, int row, const char* identifier, int role = Qt::DisplayRole) {
  for (int c = 0; c < model.columnCount(); ++c)
    if (model.headerData(c, Qt::Horizontal, TableRole::Identifier).toString() == QLatin1String(identifier))
      return model.data(model.index(row, c), role);
  return QVariant();
}

// Draws one cell of a view's column into an image of the cell's size on white.
QImage render(QTableView& view, int row, int column, QSize size) {
  QImage image(size, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  QStyleOptionViewItem option;
  option.initFrom(&view);
  option.widget = &view;
  option.rect = QRect(QPoint(0, 0), size);
  option.state &= ~QStyle::State_Selected;
  view.itemDelegateForColumn(column)->paint(&painter, option, view.model()->index(row, column));
  painter.end();
  return image;
}

bool allWhite(const QImage& image) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != qRgb(255, 255, 255)) return false;
  return true;
}

}  // namespace

TEST(PassLabels, EachStageCodeHasItsLabel) {
  struct Case {
    int pass, twopass;
    ConversionFormat format;
    const char* label;
  } cases[] = {{0, 0, ConversionFormat::HDOnly, ""},
               {1, 1, ConversionFormat::HDOnly, "HD (1st Pass)"},
               {1, 2, ConversionFormat::HDOnly, "HD (2nd Pass)"},
               {1, 0, ConversionFormat::HDOnly, "HD"},
               {2, 1, ConversionFormat::HDAndSD, "HD/SD"},
               {2, 2, ConversionFormat::HDAndSD, "HD/SD"},
               {2, 1, ConversionFormat::SDOnly, "SD (1st Pass)"},
               {2, 2, ConversionFormat::SDOnly, "SD (2nd Pass)"},
               {2, 0, ConversionFormat::SDOnly, "SD"},
               {3, 0, ConversionFormat::SDOnly, "Exporting Audio"},
               {5, 0, ConversionFormat::SDOnly, "Adding Audio"},
               {8, 0, ConversionFormat::TagsOnly, "Set Show Info"},
               {9, 0, ConversionFormat::Original, "Original"},
               {11, 0, ConversionFormat::SDOnly, "Adding Subtitle"},
               {12, 0, ConversionFormat::SDOnly, "Normalizing Audio"},
               {13, 0, ConversionFormat::HDOnly, "HD (Turbo264)"},
               {14, 0, ConversionFormat::SDOnly, "SD (Turbo264)"},
               {15, 0, ConversionFormat::SDOnly, "Preparing for Turbo264"},
               {18, 0, ConversionFormat::SDOnly, "Scanning for Forced Subtitles"},
               {19, 0, ConversionFormat::SDOnly, "Err"},
               {-1, 0, ConversionFormat::SDOnly, "Err"}};
  for (const Case& c : cases)
    EXPECT_EQ(passLabel(c.pass, c.twopass, c.format), QString(c.label))
        << "pass " << c.pass << "/" << c.twopass;
}

TEST(QueueRowStatusRecord, ColourWordAndTimeTextFollowTheState) {
  struct Case {
    MediaState state;
    bool finished, stopped;
    double left, took;
    const char* colour;
    const char* time;
  } cases[] = {{MediaState::Converting, false, false, 0, 0, "OK", "  Calculating Time"},
               {MediaState::Converting, false, false, 3725.9, 0, "OK", "Time Left : 01:02:05"},
               {MediaState::Ended, false, false, 0, 0, "RED", "Conversion finished in  : 00:00:00"},
               {MediaState::Ended, false, true, 0, 61, "AMBER", "Conversion finished in  : 00:01:01"},
               {MediaState::Ended, true, false, 0, 3725.9, "OK", "Conversion finished in  : 01:02:05"},
               {MediaState::Queued, false, false, 100, 100, "OK", ""}};
  for (const Case& c : cases) {
    auto m = item(c.state);
    m->setConversionfinished(c.finished);
    m->setStopbuttonpressed(c.stopped);
    m->setTimeleftinconversion(c.left);
    m->setConversiontime(c.took);
    const QueueRowStatus s = queueRowStatus(*m, false, false);
    EXPECT_EQ(s.colourWord, QString(c.colour)) << "state " << codeOf(c.state);
    EXPECT_EQ(s.timeText, QString(c.time)) << "state " << codeOf(c.state);
    EXPECT_EQ(QueueRowStatus::fromList(s.toList()).timeText, s.timeText);
  }
}

TEST(QueueRowStatusRecord, TitleLinesAndDetailsDescribeTheItem) {
  auto tv = item(MediaState::Queued);
  tv->setMediatype(MediaType::TVShow);
  tv->setSeriesname("Lost");
  tv->setEpisodename("Pilot");
  tv->setSeason(1);
  tv->setShow(2);
  SubtitleTrack hard, soft;
  hard.setSelected(true);
  soft.setSelected(true);
  tv->setHardSubtitleTracks({hard});
  tv->setSoftSubtitleTracks({soft});
  AudioTrack chosen, surround;
  chosen.setSelected(true);
  surround.setChannels(6);
  tv->setAudioTracks({chosen, surround});
  tv->setConversionFormat(ConversionFormat::SDOnly);
  tv->setFastmode(true);
  const QueueRowStatus s = queueRowStatus(*tv, true, true);
  EXPECT_EQ(s.title, "Lost: Pilot");
  EXPECT_EQ(s.secondLine, "show.mkv season:1 episode:2");
  EXPECT_EQ(s.details, "SD : PASS THRU : 2 subtitles : Audio : AC3");
  EXPECT_TRUE(s.detailed);
  EXPECT_EQ(queueDetailsText(*tv, false), "SD : 2 subtitles : Audio : AC3");

  auto movie = item(MediaState::Queued);
  movie->setSeriesname("Heat");
  movie->setFilesize(2048);
  movie->setConversionFormat(ConversionFormat::HDAndSD);
  const QueueRowStatus m = queueRowStatus(*movie, false, false);
  EXPECT_EQ(m.title, "Heat");
  EXPECT_EQ(m.secondLine, "show.mkv");
  EXPECT_TRUE(m.details.startsWith("HD/SD : ")) << m.details.toStdString();
}

TEST(QueueStatusMessage, SaysWhatTheRowIsDoing) {
  using Tone = BCLevelIndicatorCell::Tone;
  struct Case {
    MediaState state;
    bool finished;
    const char* pass;
    const char* error;
    const char* text;
    Tone tone;
  } cases[] = {
      {MediaState::Converting, false, "Exporting Audio", "", "Currently Exporting Audio", Tone::Plain},
      {MediaState::Converting, false, "HD (1st Pass)", "", "Doing HD (1st Pass) Conversion", Tone::Plain},
      {MediaState::Converting, false, "", "", "", Tone::Plain},
      // A queued row says so, also with the stage an earlier run left on it.
      {MediaState::Queued, false, "", "", "Queued", Tone::Plain},
      {MediaState::Queued, false, "HD", "", "Queued", Tone::Plain},
      {MediaState::Ended, true, "", "", "Conversion finished in  : 00:01:00", Tone::Finished},
      {MediaState::Ended, false, "", "", "Cancelled", Tone::Failed},
      {MediaState::Ended, false, "", "no space", "Failed with error : no space", Tone::Failed},
      {MediaState::InFilesTable, false, "", "", "Unknown Message", Tone::Plain}};
  for (const Case& c : cases) {
    const auto m = BCLevelIndicatorCell::statusMessage(c.state, c.finished, c.pass,
                                                       "Conversion finished in  : 00:01:00", c.error);
    EXPECT_EQ(m.text, QString(c.text)) << "state " << codeOf(c.state) << " " << c.pass;
    EXPECT_EQ(m.tone, c.tone) << "state " << codeOf(c.state);
  }
}

TEST(FilesTable, ColumnsShowTheItemInEachDeselectionState) {
  QList<MediaFilePtr> files;
  struct Case {
    DeselectionReason reason;
    bool existingTags;
    const char* image;
  } cases[] = {{DeselectionReason::None, false, "OKCircle"},
               {DeselectionReason::None, true, "MP4Circle"},
               {DeselectionReason::Duplicate, false, "DuplicateCircle"},
               {DeselectionReason::NoLookUpMatch, false, "UnknownCircle"},
               {DeselectionReason::IncompleteTVShow, false, "UnknownCircle"},
               {DeselectionReason::ProtectedByDRM, false, "DRMCircle"},
               {DeselectionReason::UnsupportedVideo, false, "UnsupportedCircle"},
               {DeselectionReason(9), false, nullptr}};
  for (const Case& c : cases) {
    auto m = item();
    m->setReasonfordeselection(c.reason);
    m->setHadexistingtags(c.existingTags);
    files << m;
  }
  FilesTableModel model(files);
  for (int row = 0; row < files.size(); ++row) {
    const Case& c = cases[row];
    const QVariant why = at(model, row, "WhyDeselected");
    if (c.image) {
      EXPECT_FALSE(tableImage(c.image).isNull()) << c.image;
      EXPECT_EQ(why.value<QImage>(), tableImage(c.image)) << "reason " << codeOf(c.reason);
      EXPECT_EQ(at(model, row, "Summary", TableRole::StatusImage).value<QImage>(), tableImage(c.image));
    } else {
      EXPECT_EQ(why.toString(), "") << "reason " << codeOf(c.reason);
    }
  }
  EXPECT_FALSE(at(model, files.size(), "Summary").isValid()) << "a row beyond the end shows nothing";
}

TEST(FilesTable, FormatSpeedTypeAndDetailsColumns) {
  QList<MediaFilePtr> files;
  auto tv = item();
  tv->setMediatype(MediaType::TVShow);
  tv->setConversionFormat(ConversionFormat(9));
  tv->setFastmodeEnabled(true);
  tv->setFastmode(true);
  auto movie = item();
  movie->setConversionFormat(ConversionFormat::Original);
  movie->setFastmodeEnabled(false);
  movie->setFastmode(true);
  movie->setReasonfornofastmode("No H.264");
  auto home = item();
  home->setMediatype(MediaType::HomeMovie);
  home->setDidlookup(false);
  files << tv << movie << home;
  FilesTableModel model(files);

  EXPECT_EQ(at(model, 0, "SDHD").toInt(), 0) << "an unknown format shows 0";
  EXPECT_EQ(at(model, 1, "SDHD").toInt(), 4);
  EXPECT_EQ(at(model, 0, "Speed").toInt(), 0);
  EXPECT_EQ(at(model, 0, "Speed", TableRole::Reason).toString(), "");
  EXPECT_TRUE(at(model, 0, "Speed", TableRole::Enabled).toBool());
  EXPECT_EQ(at(model, 1, "Speed").toInt(), 1) << "pass-through not possible reads NO";
  EXPECT_FALSE(at(model, 1, "Speed", TableRole::Enabled).toBool());
  EXPECT_EQ(at(model, 1, "Speed", TableRole::Reason).toString(), "No H.264");

  const char* images[] = {"TVShow", "Movie", "HomeMovie"};
  const char* descriptions[] = {"TV Show", "Movie", "Home Movie"};
  const float steps[] = {1, 2, 3};
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(at(model, row, "ShowType").value<QImage>(), tableImage(images[row]));
    EXPECT_EQ(at(model, row, "ShowType", TableRole::Description).toString(), descriptions[row]);
    EXPECT_EQ(at(model, row, "ShowTypeStepper").toFloat(), steps[row]);
    EXPECT_EQ(at(model, row, "Tags").value<QImage>(), tableImage("OKCircle"));
  }
  EXPECT_FALSE(at(model, 0, "FileName").toString().isEmpty());
  EXPECT_EQ(at(model, 2, "FileName").toString(), "") << "no details before the look-up";
  EXPECT_TRUE(at(model, 2, "Summary", TableRole::LookingUp).toBool());
  EXPECT_EQ(FilesTableModel::value("Nonsense", *tv).toString(), "No Data");

  QString edited;
  model.setEditRequest([&](const QString& id, int row, const QVariant& v) {
    edited = QString("%1 %2 %3").arg(id).arg(row).arg(v.toInt());
  });
  model.setData(model.index(1, FilesTableModel::column("SDHD")), 2);
  EXPECT_EQ(edited, "SDHD 1 2");
}

TEST(RowColour, ByLookUpAndDeselectionReasonLighterOnOddRows) {
  auto m = item();
  m->setDidlookup(false);
  EXPECT_EQ(rowColour(*m, 0), QColor::fromRgbF(1, 1, 1, 0.2f));
  m->setDidlookup(true);
  struct Case {
    DeselectionReason reason;
    int row;
    QColor colour;
  } cases[] = {{DeselectionReason::ProtectedByDRM, 0, QColor::fromRgbF(0.93f, 0.57f, 0.57f, 1)},
               {DeselectionReason::UnsupportedVideo, 1, QColor::fromRgbF(0.93f, 0.57f, 0.57f, 0.75f)},
               {DeselectionReason::None, 0, QColor::fromRgbF(0.53f, 1.0f, 0.4f, 1)},
               {DeselectionReason::None, 3, QColor::fromRgbF(0.53f, 1.0f, 0.4f, 0.75f)},
               {DeselectionReason::Duplicate, 0, QColor::fromRgbF(1.0f, 0.8f, 0.1f, 1)},
               {DeselectionReason::IncompleteTVShow, 1, QColor::fromRgbF(1.0f, 0.8f, 0.1f, 0.75f)}};
  for (const Case& c : cases) {
    m->setReasonfordeselection(c.reason);
    EXPECT_EQ(rowColour(*m, c.row), c.colour) << "reason " << codeOf(c.reason) << " row " << c.row;
  }
}

TEST(QueueTable, StopButtonAndRowsOnlyInTheTableInUse) {
  QList<MediaFilePtr> queue;
  struct Case {
    MediaState state;
    bool finished;
    const char* image;
    bool enabled;
  } cases[] = {{MediaState::Queued, false, "queue_reset_icon", true},
               {MediaState::Converting, false, "queue_stop_icon", true},
               {MediaState::Ended, true, nullptr, true},
               {MediaState::Ended, false, nullptr, false}};
  for (const Case& c : cases) {
    auto m = item(c.state);
    m->setConversionfinished(c.finished);
    queue << m;
  }
  QueueTableModel model(queue);
  EXPECT_EQ(model.rowCount(), 0) << "a queue table not in use shows no rows";
  EXPECT_FALSE(at(model, 0, "Stop").isValid());
  model.setInUse(true);
  ASSERT_EQ(model.rowCount(), int(queue.size()));
  for (int row = 0; row < queue.size(); ++row) {
    const Case& c = cases[row];
    EXPECT_EQ(at(model, row, "Stop").toString(), "No Data");
    const QImage image = at(model, row, "Stop", TableRole::ButtonImage).value<QImage>();
    if (c.image)
      EXPECT_EQ(image, tableImage(c.image)) << "state " << codeOf(c.state);
    else
      EXPECT_TRUE(image.isNull()) << "state " << codeOf(c.state);
    EXPECT_EQ(at(model, row, "Stop", TableRole::Enabled).toBool(), c.enabled) << "state " << codeOf(c.state);
    EXPECT_EQ(at(model, row, "ProgressIndicator").toList().size(), 10);
    EXPECT_EQ(at(model, row, "Image").value<QImage>(), tableImage("Movie"));
  }
  int stopped = -1;
  model.setStopRequest([&](int row) { stopped = row; });
  model.setData(model.index(1, QueueTableModel::column("Stop")), true);
  EXPECT_EQ(stopped, 1);
}

TEST(StopButtonCell, DrawingAreaAndClickSpotFollowTheRowHeight) {
  EXPECT_EQ(BCButtonCell2::imageRect(QRect(0, 0, 50, 67)), QRect(0, 8, 20, 55));
  EXPECT_EQ(BCButtonCell2::imageRect(QRect(0, 0, 50, 60)), QRect(0, 22, 20, 32));
  // The 24-point icon is drawn 20 points square, centred on the area's height: every
  // point of it answers a click, and none beside it.
  const QSize icon(24, 24);
  const QRect cell(100, 200, 50, 60), tall(100, 200, 50, 67);
  EXPECT_EQ(BCButtonCell2::buttonRect(cell, icon), QRect(100, 228, 20, 20));
  EXPECT_EQ(BCButtonCell2::buttonRect(tall, icon), QRect(100, 225, 20, 20));
  struct Case {
    QPoint point;
    QRect frame;
    bool hit;
    const char* where;
  };
  const Case cases[] = {
      {{100, 228}, cell, true, "top left corner"},
      {{119, 247}, cell, true, "bottom right corner"},
      {{119, 230}, cell, true, "right edge"},
      {{110, 247}, cell, true, "bottom edge"},
      {{120, 235}, cell, false, "right of the icon"},
      {{105, 227}, cell, false, "above the icon"},
      {{105, 248}, cell, false, "below the icon"},
      {{105, 226}, tall, true, "the tall row's icon"},
      {{105, 246}, tall, false, "below the tall row's icon"},
  };
  for (const Case& c : cases) EXPECT_EQ(BCButtonCell2::hits(c.point, c.frame, icon), c.hit) << c.where;
}

TEST(TableCells, EveryCellPaintsEveryState) {
  QList<MediaFilePtr> files, queue;
  for (DeselectionReason reason :
       {DeselectionReason::None, DeselectionReason::Duplicate, DeselectionReason::NoLookUpMatch,
        DeselectionReason::ProtectedByDRM, DeselectionReason::UnsupportedVideo}) {
    auto m = item();
    m->setReasonfordeselection(reason);
    m->setMediatype(codeOf(reason) % 2 ? MediaType::TVShow : MediaType::Movie);
    m->setSeriesname("Series");
    m->setDidlookup(reason != DeselectionReason::NoLookUpMatch);
    m->setHasSurround(true);
    m->setChapters({ChapterTrack()});
    m->setImage(tableImage("Quillan"));
    files << m;
  }
  for (MediaState state : {MediaState::Queued, MediaState::Converting, MediaState::Ended}) {
    for (bool finished : {false, true}) {
      auto m = item(state);
      m->setConversionfinished(finished);
      m->setPassnumber(state == MediaState::Converting ? 1 : 0);
      m->setProgress(50);
      m->setTimeleftinconversion(finished ? 100 : 0);
      m->setIsSample(finished);
      queue << m;
    }
  }
  FilesTableModel filesModel(files);
  QueueTableModel queueModel(queue);
  queueModel.setInUse(true);
  BCTableView filesView;
  QTableView queueView;
  installFilesTable(&filesView, &filesModel);
  installQueueTable(&queueView, &queueModel);
  for (int row = 0; row < files.size(); ++row)
    for (int column = 0; column < filesModel.columnCount(); ++column)
      if (!filesView.isColumnHidden(column)) render(filesView, row, column, QSize(300, 70));
  for (int row = 0; row < queue.size(); ++row)
    for (int column = 0; column < queueModel.columnCount(); ++column)
      render(queueView, row, column, QSize(400, 60));
  SUCCEED() << "no cell crashed";
}

TEST(TableCells, ProgressBarFillsAsFarAsTheProgress) {
  QList<MediaFilePtr> queue;
  auto m = item(MediaState::Converting);
  m->setPassnumber(1);
  m->setTimeleftinconversion(120);
  m->setProgress(50);
  queue << m;
  QueueTableModel model(queue);
  model.setInUse(true);
  QTableView view;
  installQueueTable(&view, &model);
  const int column = QueueTableModel::column("ProgressIndicator");
  const QImage image = render(view, 0, column, QSize(400, 60));
  const QRect bar = BCLevelIndicatorCell::progressBarRect(QRect(0, 0, 400, 60), false);
  const int y = bar.center().y();
  // The filled half differs from the empty half of the bar.
  EXPECT_NE(image.pixel(100, y), image.pixel(300, y));
  m->setProgress(100);
  const QImage full = render(view, 0, column, QSize(400, 60));
  EXPECT_EQ(full.pixel(100, y), full.pixel(300, y)) << "a full bar is one colour across";
  EXPECT_EQ(full.pixel(100, y), image.pixel(100, y));
}

TEST(TableCells, FastChoiceWithoutReasonDrawsNothingAndDisabledDrawsNoArrow) {
  QList<MediaFilePtr> files{item(), item()};
  files[0]->setFastmodeEnabled(true);
  files[1]->setFastmodeEnabled(false);
  files[1]->setReasonfornofastmode("DRM");
  FilesTableModel model(files);
  BCTableView view;
  installFilesTable(&view, &model);
  const int column = FilesTableModel::column("Speed");
  const QImage enabled = render(view, 0, column, QSize(60, 70));
  const QImage disabled = render(view, 1, column, QSize(60, 70));
  const QPoint arrow(49, 48);
  EXPECT_EQ(enabled.pixel(arrow), qRgb(0, 0, 0)) << "the arrow of an open choice";
  EXPECT_NE(disabled.pixel(arrow), qRgb(0, 0, 0)) << "no arrow on a closed choice";

  struct NoReason : QAbstractTableModel {
    int rowCount(const QModelIndex&) const override { return 1; }
    int columnCount(const QModelIndex&) const override { return 1; }
    QVariant data(const QModelIndex&, int role) const override {
      return role == Qt::DisplayRole ? 0 : QVariant();
    }
  } bare;
  QTableView plain;
  plain.setModel(&bare);
  plain.setItemDelegateForColumn(0, new BCFASTPopUpCell(&plain));
  EXPECT_TRUE(allWhite(render(plain, 0, 0, QSize(60, 70))));
}

TEST(TableCells, TitleBlockShowsSpinnerWhileLookingUpElseStatusCircle) {
  QList<MediaFilePtr> files{item(), item()};
  files[0]->setReasonfordeselection(DeselectionReason::ProtectedByDRM);
  files[1]->setDidlookup(false);
  FilesTableModel model(files);
  BCTableView view;
  installFilesTable(&view, &model);
  const int column = FilesTableModel::column("Summary");
  const QSize size(300, 70);
  const QImage done = render(view, 0, column, size);
  const QImage busy = render(view, 1, column, size);
  const QRect spot(300 - 25, 70 - 25, 20, 20);
  // The DRM circle is red in its middle; the spinner is grey.
  const QColor middle = done.pixelColor(spot.center());
  EXPECT_GT(middle.red(), 150);
  EXPECT_LT(middle.green(), 120);
  const QColor spinning = busy.pixelColor(spot.center());
  EXPECT_NEAR(spinning.red(), spinning.green(), 10);
}

// The badges and the "Tags" heading fit their labels in whatever font the desktop gives
// (Helvetica is seldom there): a box or column sized for Helvetica cut them.
TEST(TableCells, BadgesAndHeadingsFitTheirLabels) {
  QList<MediaFilePtr> files{item()};
  SubtitleTrack sub;
  files[0]->setSoftSubtitleTracks({sub});
  FilesTableModel model(files);
  BCTableView view;
  installFilesTable(&view, &model);
  const QSize size(300, 70);
  const QImage cell = render(view, 0, FilesTableModel::column("Summary"), size);
  // The "Sub" box: the black pixels of its band, 40 to 30 pixels above the bottom, right of
  // the title lines.
  int left = size.width(), right = -1;
  for (int y = size.height() - 40; y < size.height() - 30; ++y)
    for (int x = size.width() - 60; x < size.width(); ++x)
      if (cell.pixel(x, y) == qRgb(0, 0, 0)) left = std::min(left, x), right = std::max(right, x);
  QFont badge(QStringLiteral("Helvetica"));
  badge.setPixelSize(10);
  badge.setBold(true);
  ASSERT_GE(right, 0) << "a badge is drawn";
  EXPECT_GT(right - left + 1, QFontMetrics(badge).horizontalAdvance("Sub")) << "the box holds its label";
  EXPECT_LE(right, size.width() - 5) << "at its place on the right";

  for (int column = 0; column < model.columnCount(); ++column) {
    if (view.isColumnHidden(column)) continue;
    const QString heading = model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    EXPECT_GT(view.columnWidth(column), view.horizontalHeader()->fontMetrics().horizontalAdvance(heading))
        << heading.toStdString();
  }
}

TEST(FilesTableView, ReturnAndDeletePostTheirNotifications) {
  QList<MediaFilePtr> files{item(), item()};
  FilesTableModel model(files);
  BCTableView view;
  installFilesTable(&view, &model);
  QStringList posted;
  const void* poster = nullptr;
  auto& centre = NotificationCenter::defaultCenter();
  const auto edit =
      centre.addObserver("EditClick", [&](const Notification& n) { posted << n.name, poster = n.object; });
  const auto remove =
      centre.addObserver("DeleteClick", [&](const Notification& n) { posted << n.name, poster = n.object; });
  const auto press = [&view](int key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&view, &event);
  };
  press(Qt::Key_Return);
  EXPECT_TRUE(posted.isEmpty()) << "Return with no selected row does nothing";
  press(Qt::Key_Delete);
  EXPECT_EQ(posted, QStringList{"DeleteClick"}) << "Delete posts even with no selection";
  view.selectRow(1);
  press(Qt::Key_Return);
  EXPECT_EQ(posted, (QStringList{"DeleteClick", "EditClick"}));
  EXPECT_EQ(poster, static_cast<const void*>(&view));
  press(Qt::Key_Down);
  EXPECT_EQ(posted.size(), 2);
  centre.removeObserver(edit);
  centre.removeObserver(remove);
}

TEST(FilesTableView, BackgroundTilesCoverTheVisibleArea) {
  const QList<QRect> tiles = BCTableView::tiles(QRect(0, 0, 250, 120), QSize(100, 50));
  EXPECT_EQ(tiles.size(), 9);
  EXPECT_EQ(tiles.last(), QRect(200, 100, 100, 50));
  EXPECT_TRUE(BCTableView::tiles(QRect(0, 0, 250, 120), QSize()).isEmpty());
}

// The tables draw an item's artwork from its small picture, however large the poster.
TEST(TableCells, ArtworkIsDrawnFromItsSmallPicture) {
  QImage poster(680, 1000, QImage::Format_RGB32);
  poster.fill(QColor(20, 40, 220));
  auto m = item(MediaState::Queued);
  m->setArtwork(Artwork::fromData(test::encodedPicture(poster)));
  const QList<MediaFilePtr> items{m};
  FilesTableModel filesModel(items);
  QueueTableModel queueModel(items);
  queueModel.setInUse(true);
  const QImage inFiles = at(filesModel, 0, "Summary").toList().value(6).value<QImage>();
  const QImage inQueue = at(queueModel, 0, "Image").value<QImage>();
  ASSERT_FALSE(m->artwork().isNull());
  for (const QImage& drawn : {inFiles, inQueue}) {
    SCOPED_TRACE(&drawn == &inFiles ? "files table" : "queue table");
    EXPECT_EQ(drawn.size(), QSize(95, 140));
    EXPECT_GT(drawn.pixelColor(40, 70).blue(), 180);
  }
  QTableView queueView;
  installQueueTable(&queueView, &queueModel);
  const QImage cell = render(queueView, 0, QueueTableModel::column("Image"), QSize(70, 60));
  EXPECT_GT(cell.pixelColor(35, 30).blue(), 180) << "the poster is in the cell";
}
