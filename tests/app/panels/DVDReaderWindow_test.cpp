// The DVD scanner's window, offscreen, driven by the scanner over a stand-in tool that
// prints a recorded title listing.
#include "app/panels/DVDReaderWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "app/support/WidgetApplication.h"
#include "media/BCDVDReader.h"
#include "media/LanguageRecord.h"
#include "support/TestSupport.h"

using namespace zuvo;
using namespace zuvo::test;
using Field = DVDReaderPanel::Field;

namespace {

QString standInTool(const QString& folder, const QByteArray& listing) {
  writeFile(folder + "/listing.txt", listing);
  const QString tool =
      writeFile(folder + "/scan-tool", "#!/bin/sh\ncat '" + folder.toUtf8() + "/listing.txt'\n");
  QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return tool;
}

const QByteArray kListing =
    "[12:00:00] scan: DVD has 1 title(s)\n"
    "[12:00:00] scan: scanning title 1\n"
    "[12:00:00] scan: duration is 00:42:10 (2530000 ms)\n"
    "+ title 1:\n"
    "  + duration: 00:42:10\n"
    "  + size: 720x480, pixel aspect: 32/27, display aspect: 1.33, 29.970 fps\n"
    "  + audio tracks:\n"
    "    + 1, English (AC3) (5.1 ch) (iso639-2: eng), 48000Hz, 448000bps\n"
    "  + subtitle tracks:\n"
    "    + 1, English (iso639-2: eng) (Bitmap)(VOBSUB)\n"
    "    + 2, Francais (iso639-2: fra) (Bitmap)(VOBSUB)\n";

TEST(DVDReaderWindow, SheetShowsTheTitleBeingReadAndEndsWithTheScan) {
  setUserLanguageName(QStringLiteral("English"));
  const QString folder = freshFolder("window");
  QWidget mainWindow;
  mainWindow.show();
  DVDReaderWindow window;
  BCDVDReader reader(folder + "/TV_DISC", &mainWindow, folder, standInTool(folder, kListing),
                     BCCReporter::dummy());
  reader.setPanel(&window);

  bool shownDuringScan = false;
  QTimer::singleShot(100, [&] { shownDuringScan = window.window() && window.window()->isVisible(); });
  reader.readTracks();

  ASSERT_NE(window.window(), nullptr);
  EXPECT_TRUE(shownDuringScan);
  EXPECT_FALSE(window.window()->isVisible());
  EXPECT_EQ(window.fieldLabel(Field::TrackNumber)->text(), "1");
  EXPECT_EQ(window.fieldLabel(Field::VideoResolution)->text(), "720x480");
  EXPECT_EQ(window.fieldLabel(Field::Duration)->text(), "00:42:10");
  EXPECT_EQ(window.fieldLabel(Field::AudioTracks)->text(), "1");
  EXPECT_EQ(window.fieldLabel(Field::SubtitleTracks)->text(), "2");
  auto* level = window.window()->findChild<QProgressBar*>("AllTracksLevelIndicator");
  auto* progress = window.window()->findChild<QProgressBar*>("AllTracksProgessIndicator");
  EXPECT_EQ(level->maximum(), 1);
  EXPECT_FALSE(level->isHidden());
  EXPECT_TRUE(progress->isHidden());
  EXPECT_TRUE(window.window()->findChild<QLabel*>("NumberOfVOBsLabelTextField")->isHidden());

  ASSERT_EQ(reader.NumberOfTracks(), 1);
  EXPECT_EQ(reader.DVDTracks()[0].trackname(), "TV DISC");
  EXPECT_TRUE(reader.DVDTracks()[0].selected());
  EXPECT_TRUE(reader.DVDTracks()[0].AudioTracks()[0].makeStereo());
}

TEST(DVDReaderWindow, FailedScanClosesTheSheetAndAlertsOverTheMainWindow) {
  const QString folder = freshFolder("failing");
  QWidget mainWindow;
  mainWindow.show();
  DVDReaderWindow window;
  BCDVDReader reader(folder, &mainWindow, folder, folder + "/no-such-tool", BCCReporter::dummy());
  reader.setPanel(&window);

  QString title, text;
  bool sheetVisible = true;
  QTimer::singleShot(1500, [&] {
    QDialog* alert = window.alertPanel() ? window.alertPanel()->window() : nullptr;
    if (!alert) return;
    title = alert->windowTitle();
    text = alert->findChild<QLabel*>("AlertTextField")->text();
    sheetVisible = window.window()->isVisible();
    alert->findChild<QPushButton*>("CloseAlertPanelButton")->click();
  });
  reader.readTracks();
  EXPECT_TRUE(reader.unabletoreaddisk());
  EXPECT_EQ(title, "DVD Alert");
  EXPECT_TRUE(text.contains("libdvdcss is not installed."));
  EXPECT_FALSE(sheetVisible);
}

TEST(DVDReaderWindow, QuickScanShowsTheImportBusyPanel) {
  const QString folder = freshFolder("quick");
  const QString tool = writeFile(folder + "/mplayer",
                                 "#!/bin/sh\necho ID_DVD_VOLUME_ID=SHOW_S1\n"
                                 "echo ID_DVD_TITLE_1_LENGTH=1320.5\n"
                                 "echo ID_DVD_TITLE_2_LENGTH=0.000\n");
  QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QWidget mainWindow;
  mainWindow.show();
  DVDReaderWindow window;
  BCDVDReader reader(folder, &mainWindow, folder, QString(), BCCReporter::dummy());
  reader.setMplayerPath(tool);
  reader.setPanel(&window);

  QString busyTitle, busyText;
  QTimer::singleShot(300, [&] {
    if (!window.busyPanel() || !window.busyPanel()->window()) return;
    busyTitle = window.busyPanel()->window()->windowTitle();
    busyText = window.busyPanel()->message();
  });
  reader.readTracksB();
  EXPECT_EQ(busyTitle, "DVD Import");
  EXPECT_EQ(busyText, "Reading DVD - Please Wait");
  EXPECT_FALSE(window.busyPanel()->window()->isVisible());
  ASSERT_EQ(reader.NumberOfTracks(), 2);
  EXPECT_EQ(reader.DVDTracks()[0].trackname(), "SHOW S1");
  EXPECT_EQ(reader.DVDTracks()[0].tracklength(), 1320);
  EXPECT_TRUE(reader.DVDTracks()[0].selected());
  EXPECT_TRUE(reader.DVDTracks()[1].badtrack());
  EXPECT_EQ(reader.DVDTracks()[1].trackname(), "BAD TRACK");
}

}  // namespace
