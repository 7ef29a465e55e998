#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "app/panels/BCAlertPanel.h"
#include "app/panels/BCBusyPanel.h"
#include "app/support/WidgetApplication.h"
#include "platform/RunLoop.h"
#include "support/TestSupport.h"

using namespace zuvo;

namespace {

QPoint centreOf(const QRect& r) { return QPoint(r.x() + r.width() / 2, r.y() + r.height() / 2); }

void expectCentredOn(const QWidget* panel, const QRect& around, const char* what) {
  const QPoint a = centreOf(panel->frameGeometry());
  const QPoint b = centreOf(around);
  EXPECT_LE((a - b).manhattanLength(), 2)
      << what << ": panel centre " << a.x() << "," << a.y() << " vs " << b.x() << "," << b.y();
}

struct Seen {
  bool visible = false;
  bool modal = false;
  QString title;
  QString text;
  Qt::TextFormat format = Qt::AutoText;
  QRect frame;
};

// Shows the alert; once its modal run is under way, notes what it shows and presses its
// button. Returns what was seen.
Seen showAndClose(BCAlertPanel& alert, const std::function<void()>& show) {
  Seen seen;
  QTimer::singleShot(50, [&] {
    QDialog* w = alert.window();
    if (!w) return;
    seen.visible = w->isVisible();
    seen.modal = QApplication::activeModalWidget() == w;
    seen.title = w->windowTitle();
    auto* field = w->findChild<QLabel*>("AlertTextField");
    seen.text = field->text();
    seen.format = field->textFormat();
    seen.frame = w->frameGeometry();
    w->findChild<QPushButton*>("CloseAlertPanelButton")->click();
  });
  show();
  return seen;
}

class PanelsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mainWindow.setGeometry(120, 90, 900, 600);
    mainWindow.show();
    other.setGeometry(700, 500, 300, 200);
    other.show();
    other.activateWindow();
    runloop::waitUntil([&] { return other.isActiveWindow(); }, 2, 10);
  }
  QMainWindow mainWindow;
  QWidget other;
};

}  // namespace

TEST_F(PanelsTest, AlertShowsItsMessageCentredOnTheWindowAndTheButtonEndsTheModalRun) {
  BCAlertPanel alert("Zuvo Alert");
  EXPECT_EQ(alert.message(), "No message...");
  EXPECT_EQ(alert.window(), nullptr) << "nothing is built before the first show";

  const Seen seen = showAndClose(
      alert, [&] { alert.ShowAlertPanel("Video Source /media/x is missing, please check.", &mainWindow); });
  EXPECT_TRUE(seen.visible);
  EXPECT_TRUE(seen.modal);
  EXPECT_EQ(seen.title, "Zuvo Alert");
  EXPECT_EQ(seen.text, "Video Source /media/x is missing, please check.")
      << "the first alert, not the placeholder";
  EXPECT_EQ(seen.format, Qt::PlainText);
  {
    SCOPED_TRACE("alert");
    QWidget probe;
    probe.setGeometry(seen.frame);
    expectCentredOn(&probe, mainWindow.frameGeometry(), "alert");
  }
  EXPECT_FALSE(alert.window()->isVisible());
  EXPECT_TRUE(runloop::waitUntil([&] { return mainWindow.isActiveWindow(); }, 2, 10))
      << "closing brings the window it was shown over to the front";
}

TEST_F(PanelsTest, StyledAlertFollowedByAPlainOneShowsThePlainText) {
  BCAlertPanel alert("Zuvo Alert");
  const Seen styled =
      showAndClose(alert, [&] { alert.ShowAlertPanelAS("<b>Bold</b> news &amp; more", &mainWindow); });
  EXPECT_EQ(styled.format, Qt::RichText);
  EXPECT_EQ(styled.text, "<b>Bold</b> news &amp; more");
  EXPECT_TRUE(alert.attributedmessage());
  EXPECT_EQ(alert.message(), "Bold news & more");

  const Seen plain =
      showAndClose(alert, [&] { alert.ShowAlertPanel("File <b>x</b>.avi & co", &mainWindow); });
  EXPECT_FALSE(alert.attributedmessage());
  EXPECT_EQ(plain.format, Qt::PlainText) << "a file name is never read as markup";
  EXPECT_EQ(plain.text, "File <b>x</b>.avi & co");
}

TEST_F(PanelsTest, AlertWithoutAWindowIsCentredOnTheScreenAndRaisesThePreviousWindow) {
  BCAlertPanel alert("Zuvo Alert");
  QImage image(32, 32, QImage::Format_ARGB32);
  image.fill(Qt::red);
  alert.setImage(image);
  showAndClose(alert, [&] { alert.ShowAlertPanel("first", &mainWindow); });
  EXPECT_FALSE(alert.window()->findChild<QLabel*>("imageview")->pixmap().isNull());

  other.activateWindow();
  ASSERT_TRUE(runloop::waitUntil([&] { return other.isActiveWindow(); }, 2, 10));
  const Seen seen = showAndClose(alert, [&] { alert.ShowAlertPanel("no window"); });
  EXPECT_EQ(seen.text, "no window");
  QWidget probe;
  probe.setGeometry(seen.frame);
  expectCentredOn(&probe, alert.window()->screen()->availableGeometry(), "screen");
  EXPECT_TRUE(runloop::waitUntil([&] { return mainWindow.isActiveWindow(); }, 2, 10));
}

// Work that the alert's wait lets run may raise another alert (a scan's and a launch's at
// start-up): each is shown in turn, none takes the place of one still showing.
TEST_F(PanelsTest, AnAlertRaisedWhileOneShowsGetsItsOwnTurn) {
  BCAlertPanel alert("Zuvo Alert");
  QStringList shown;
  QTimer press;
  QObject::connect(&press, &QTimer::timeout, [&] {
    QDialog* w = alert.window();
    if (!w || QApplication::activeModalWidget() != w) return;
    const QString text = w->findChild<QLabel*>("AlertTextField")->text();
    if (!shown.isEmpty() && shown.last() == text) return;  // not yet the next one
    shown << text;
    if (shown.size() == 1) alert.ShowAlertPanel("second", &mainWindow);  // raised while the first shows
    w->findChild<QPushButton*>("CloseAlertPanelButton")->click();
  });
  press.start(20);
  alert.ShowAlertPanel("first", &mainWindow);
  EXPECT_EQ(shown, (QStringList{"first", "second"}));
  EXPECT_FALSE(alert.window()->isVisible());
}

TEST_F(PanelsTest, BusyPanelReturnsAtOnceShowsTheLatestMessageAndHides) {
  BCBusyPanel busy("DVD Import");
  EXPECT_EQ(busy.message(), "No message yet!");
  busy.activateBusyPanel("Reading DVD - Please Wait", &mainWindow);
  QWidget* panel = busy.window();
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(panel->isVisible());
  EXPECT_FALSE(panel->isModal());
  EXPECT_EQ(panel->windowTitle(), "DVD Import");
  auto* field = panel->findChild<QLabel*>("BusyTextField");
  auto* bar = panel->findChild<QProgressBar*>("BusyPanelProgressBar");
  EXPECT_EQ(field->text(), "Reading DVD - Please Wait");
  EXPECT_EQ(bar->maximum(), 0) << "an endless busy bar";
  expectCentredOn(panel, mainWindow.frameGeometry(), "busy panel");

  busy.hideBusyPanel();
  EXPECT_FALSE(panel->isVisible());
  other.activateWindow();
  ASSERT_TRUE(runloop::waitUntil([&] { return other.isActiveWindow(); }, 2, 10));
  mainWindow.move(40, 30);
  busy.activateBusyPanel("Second message", &mainWindow);
  EXPECT_EQ(field->text(), "Second message");
  expectCentredOn(panel, mainWindow.frameGeometry(), "busy panel after the window moved");
  busy.hideBusyPanel();
  EXPECT_TRUE(runloop::waitUntil([&] { return mainWindow.isActiveWindow(); }, 2, 10));
}
