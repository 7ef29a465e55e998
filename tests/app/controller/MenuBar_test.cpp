// The main window's menu bar as a user reaches it: every command is in the bar the window
// shows, and choosing it does its work; the keys of Quit and Preferences answer in every
// window of the program; a later launch brings back a minimised window.
#include <QDesktopServices>
#include <QObject>
#include <QUrl>

// Takes the addresses the program asks the desktop to open, instead of a browser.
class MenuBarLinkCatcher : public QObject {
  Q_OBJECT
 public:
  MenuBarLinkCatcher() {
    for (const char* scheme : {"http", "https"}) QDesktopServices::setUrlHandler(scheme, this, "open");
  }
  ~MenuBarLinkCatcher() override {
    for (const char* scheme : {"http", "https"}) QDesktopServices::unsetUrlHandler(scheme);
  }
  QStringList opened;

 public Q_SLOTS:
  void open(const QUrl& url) { opened << url.toString(); }
};

#include <xcb/xcb.h>

#include <QCheckBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QWindow>
#include <cstdlib>
#include <cstring>

#include "app/files/AddingPaths.h"
#include "app/preferences/BCPreferencePanel.h"
#include "app/support/MainWindowFixture.h"
#include "app/tags/BCTagsPanel.h"
#include "media/ProbeSteps.h"
#include "metadata/LookUpFixtures.h"
#include "platform/RunLoop.h"
#include "ui_BCPreferencePanel.h"

using namespace zuvo;
using runloop::waitUntil;

namespace {

// Answers every window that runs modally as a user would leave it, noting which it was: a
// folder chooser chooses `folder`, anything else is left with Escape.
class ModalAnswerer {
 public:
  ModalAnswerer() {
    QObject::connect(&poll_, &QTimer::timeout, [this] {
      auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!modal || !modal->isVisible()) return;
      seen << modal;
      kinds << QString::fromLatin1(modal->metaObject()->className());
      if (auto* chooser = qobject_cast<QFileDialog*>(modal)) {
        chooser->setDirectory(folder);
        static_cast<QDialog*>(chooser)->accept();
      } else {
        modal->reject();
      }
    });
    poll_.start(20);
  }
  QList<QPointer<QDialog>> seen;
  QStringList kinds;  // their classes (a folder chooser is gone once it has answered)
  QString folder;

 private:
  QTimer poll_;
};

class MenuBarTest : public test::MainWindowTest {
 protected:
  // The command `item` of the menu `menu` in the bar the main window shows (titles without
  // their mnemonic marks). The test fails when it is missing, hidden or disabled.
  QAction* command(const QString& menu, const QString& item) {
    QMenuBar* bar = windows().MainWindow->menuBar();
    for (QAction* title : bar->actions()) {
      if (title->text().remove('&') != menu || !title->menu()) continue;
      for (QAction* entry : title->menu()->actions()) {
        if (entry->text() != item) continue;
        EXPECT_TRUE(entry->isVisible()) << item.toStdString();
        EXPECT_TRUE(entry->isEnabled() && title->isEnabled()) << item.toStdString();
        return entry;
      }
    }
    ADD_FAILURE() << menu.toStdString() << " / " << item.toStdString() << " is not in the menu bar";
    return nullptr;
  }
  void choose(const QString& menu, const QString& item) {
    if (QAction* entry = command(menu, item)) entry->trigger();
  }
};

TEST_F(MenuBarTest, TheMenuBarIsTheMainWindowsOwnAndShown) {
  QMainWindow* window = windows().MainWindow;
  EXPECT_EQ(window->menuBar(), windows().MainMenu);
  EXPECT_TRUE(windows().MainMenu->isVisible());
  QStringList titles;
  for (QAction* title : windows().MainMenu->actions()) titles << title->text().remove('&');
  EXPECT_EQ(titles, QStringList({"Zuvo", "File", "Video", "Tools", "Window", "Help"}));
  // Below the bar, not under the toolbar: its menus open where a click on a title lands.
  EXPECT_LE(windows().MainMenu->geometry().bottom(), windows().MainToolbar->geometry().top());
}

TEST_F(MenuBarTest, EveryCommandDoesItsWork) {
  const test::ShownWindows& w = windows();
  MenuBarLinkCatcher links;
  ModalAnswerer modals;

  choose("Zuvo", "About Zuvo");
  EXPECT_TRUE(w.AboutPanel->isVisible());
  auto* aboutTexts = w.AboutPanel->findChild<QFormLayout*>();
  ASSERT_TRUE(aboutTexts);
  const auto labelOf = [&](QWidget* field) {
    auto* label = qobject_cast<QLabel*>(aboutTexts->labelForField(field));
    return label ? label->text() : QString();
  };
  EXPECT_EQ(labelOf(w.VersionNumber), "Version:");
  EXPECT_EQ(labelOf(w.SucessfulConversionsTextField), "Successful conversions:");
  EXPECT_EQ(w.SucessfulConversionsTextField->text(), "0");
  w.AboutCloseButton->click();

  choose("Zuvo", "Preferences...");
  ASSERT_EQ(modals.seen.size(), 1);
  EXPECT_EQ(modals.seen.last(), test::preferencesWindow());
  EXPECT_TRUE(mainLog().contains("Opening Preferences"));

  // A folder with a video in it, chosen in the open panel.
  const QString folder = root + "/chosen";
  QDir().mkpath(folder);
  const QString video = test::writeFile(folder + "/Holiday.avi", "video");
  modals.folder = folder;
  choose("File", "Open Folder...");
  ASSERT_EQ(modals.seen.size(), 2);
  EXPECT_EQ(modals.kinds.last(), "QFileDialog");
  ASSERT_TRUE(waitUntil([&] { return !controller->addingPaths(); }, 10, 5));
  EXPECT_TRUE(userLog().contains("Adding new file " + video)) << userLog().join('\n').toStdString();
  ASSERT_EQ(state().files.size(), 1);
  EXPECT_EQ(state().files[0]->fullpath(), video);

  // The Video menu acts on the highlighted rows, once the file has been looked at.
  ASSERT_TRUE(waitUntil([&] { return state().files.size() == 1 && state().files[0]->didlookup(); }, 30, 10));
  select({0});
  const struct {
    const char* item;
    ConversionFormat format;
  } formats[] = {{"Convert to SD", ConversionFormat::SDOnly},
                 {"Convert to HD", ConversionFormat::HDOnly},
                 {"Keep Original Format", ConversionFormat::Original},
                 {"Convert to SD and HD", ConversionFormat::HDAndSD}};
  for (const auto& f : formats) {
    choose("Video", f.item);
    EXPECT_EQ(state().files[0]->ConversionFormat(), f.format) << f.item;
  }
  choose("Video", "Update Info Only");
  EXPECT_EQ(state().files[0]->ConversionFormat(), ConversionFormat::HDAndSD) << "an .avi keeps its format";
  EXPECT_TRUE(modals.seen.size() == 3 && modals.seen.last() == test::alertWindow());
  choose("Video", "Search Again");
  EXPECT_EQ(lookedUpAgain, QList<MediaFilePtr>{state().files[0]});
  choose("Video", "Edit Tags...");
  ASSERT_NE(singleEditor(), nullptr);
  EXPECT_TRUE(singleEditor()->isVisible());
  post("CloseTagPanel");

  // The episode picker, for a TV show, with TVRage answering on loopback.
  test::LoopbackHttpServer tvRage;
  test::routeTwinPeaks(tvRage);
  qputenv("ZUVO_TVRAGE_URL", tvRage.baseURL().toUtf8());
  const MediaFilePtr episode = item("Twin.Peaks.S01E02.avi");
  episode->setMediatype(MediaType::TVShow);
  episode->setSeriesname("Twin Peaks");
  setFiles({episode});
  select({0});
  choose("Video", "Select TV Show Episode...");
  ASSERT_EQ(modals.seen.size(), 4);
  ASSERT_TRUE(modals.seen.last());
  EXPECT_TRUE(modals.seen.last()->findChild<QWidget*>("EpisodePickerTableView")) << "the episode picker ran";

  // A file the library already holds goes to the Trash.
  const ProbeSteps saved = probeSteps();
  ProbeSteps steps = saved;
  steps.movieExistsIniTunes = [](const QString& title, const Reporter&) { return title == "In The Library"; };
  setProbeSteps(steps);
  const MediaFilePtr duplicate = item("copy.avi");
  duplicate->setMediatype(MediaType::Movie);
  duplicate->setSeriesname("In The Library");
  setFiles({duplicate});
  choose("Tools", "Delete Duplicates");
  setProbeSteps(saved);
  EXPECT_TRUE(state().files.isEmpty());
  EXPECT_TRUE(QFileInfo::exists(root + "/data/Trash/files/copy.avi"));

  choose("Tools", "Import DVD...");
  EXPECT_TRUE(mainLog().contains("Import DVD Menu Option Clicked"));

  w.MainWindow->showMinimized();
  ASSERT_TRUE(w.MainWindow->isMinimized());
  choose("Window", "Zuvo");
  EXPECT_FALSE(w.MainWindow->isMinimized());
  EXPECT_TRUE(w.MainWindow->isVisible());
  w.QueuePanel->close();
  choose("Window", "Conversion Queue");
  EXPECT_TRUE(w.QueuePanel->isVisible());
  EXPECT_EQ(w.QueuePanel->windowTitle(), "Conversion Queue");
  MediaFilePtr done = item("done.avi", true, MediaState::Ended);
  done->setConversionfinished(true);
  setQueue({done});
  choose("Window", "Clear Completed");
  EXPECT_TRUE(state().queue.isEmpty());

  for (const char* page : {"Zuvo Help", "Release Notes", "Support", "Follow Us"}) choose("Help", page);
  const QString home = qEnvironmentVariable("ZUVO_HOMEPAGE_URL");
  EXPECT_EQ(links.opened, QStringList({home + "/Zuvo/ZuvoFAQ.php", home + "/Zuvo/notes/Notes0300.html",
                                       home + "/support.php", qEnvironmentVariable("ZUVO_SOCIAL_URL")}));

  // The log goes to the desktop's mail program (a stand-in here that notes its arguments).
  const QString bin = test::freshFolder("mail-program");
  test::writeFile(bin + "/xdg-email", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/arguments\"\n");
  QFile(bin + "/xdg-email").setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", bin.toUtf8() + ":" + path);
  choose("Help", "Email Log to Support...");
  qputenv("PATH", path);
  ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(bin + "/arguments"); }, 10, 10));
  EXPECT_TRUE(QString::fromUtf8(test::readFile(bin + "/arguments")).contains(root + "/data/Zuvo/log.bclog2"));
  EXPECT_TRUE(userLog().contains("Zuvo log emailed to Kelvane Support"));

  choose("Zuvo", "Quit Zuvo");
  EXPECT_TRUE(controller->terminated());
  EXPECT_EQ(mainLog().last(), "Program Terminating Normally");
}

TEST_F(MenuBarTest, QuitAndPreferencesKeysAnswerInEveryWindow) {
  ModalAnswerer modals;
  windows().ShowQueueMenuItem->trigger();
  QWidget* queue = windows().QueuePanel;
  queue->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(queue));
  QTest::keyClick(queue, Qt::Key_Comma, Qt::ControlModifier);
  ASSERT_EQ(modals.seen.size(), 1) << "the preferences did not open from the queue window";
  EXPECT_EQ(modals.seen.last(), test::preferencesWindow());

  windows().AboutMenuItem->trigger();
  QWidget* about = windows().AboutPanel;
  about->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(about));
  QTest::keyClick(about, Qt::Key_Q, Qt::ControlModifier);
  EXPECT_TRUE(controller->terminated()) << "the quit key did nothing in the about panel";
}

// Ctrl+Q in a modal window ends it as its Cancel does, then quits: the program's loop
// returns 0.
TEST_F(MenuBarTest, TheQuitKeyEndsAModalWindowAsItsCancelDoesAndQuits) {
  struct Case {
    const char* name;
    std::function<void()> open;
    std::function<void()> beforeTheKey;  // in the modal window, once it shows
    std::function<void()> expectCancelled;
  };
  Defaults& d = Defaults::standard();
  const Case cases[] = {
      {"preferences", [&] { windows().PreferencesMenuItem->trigger(); },
       // The window writes its boxes at once; its Cancel puts the stored value back.
       [&] { test::preferencesWindow()->findChild<QCheckBox*>("EnableFASTModeCheckBox")->toggle(); },
       [&] { EXPECT_FALSE(d.boolForKey("EnableFASTMode")); }},
      {"folder chooser", [&] { choose("File", "Open Folder..."); }, [] {},
       [&] { EXPECT_TRUE(state().files.isEmpty()); }},
      {"delete sheet",
       [&] {
         setFiles({item("kept.avi")});
         select({0});
         post("DeleteClick");
       },
       [] {},
       [&] {
         EXPECT_EQ(state().files.size(), 1);
         EXPECT_TRUE(QFileInfo::exists(root + "/videos/kept.avi"));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A fresh program for each window.
    TearDown();
    SetUp();
    d.setBool(false, "EnableFASTMode");
    windows().MainWindow->show();
    QPointer<QWidget> modal;  // the chooser and the sheet are deleted once closed
    bool pressed = false;
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [&] {
      QWidget* active = QApplication::activeModalWidget();
      if (!active || !active->isVisible() || pressed) return;
      modal = active;
      pressed = true;
      c.beforeTheKey();
      QWidget* focus = active->focusWidget() ? active->focusWidget() : active;
      QTest::keyClick(focus, Qt::Key_Q, Qt::ControlModifier);
    });
    press.start(20);
    // The program's own loop, as main() runs it.
    QTimer::singleShot(0, controller.get(), [&] { c.open(); });
    QTimer::singleShot(60000, controller.get(), [] { QCoreApplication::exit(7); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    press.stop();
    EXPECT_TRUE(pressed) << "no modal window came up";
    EXPECT_TRUE(!modal || !modal->isVisible());
    EXPECT_TRUE(controller->terminated());
    EXPECT_EQ(mainLog().value(mainLog().size() - 1), "Program Terminating Normally");
    c.expectCancelled();
  }
}

TEST_F(MenuBarTest, ALaterLaunchBringsBackAMinimisedWindow) {
  controller->applicationDidFinishLaunching();
  QMainWindow* window = windows().MainWindow;
  // With nothing to open, and with a video to open.
  const QString video = test::writeFile(root + "/videos/Holiday.avi", "video");
  for (const QStringList& paths : {QStringList(), QStringList{video}}) {
    window->showMinimized();
    ASSERT_TRUE(window->isMinimized());
    controller->handOver(paths, false);
    // The paths are taken from the event loop.
    EXPECT_TRUE(waitUntil([&] { return !window->isMinimized(); }, 10, 5)) << paths.join(' ').toStdString();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window)) << paths.join(' ').toStdString();
  }
  EXPECT_TRUE(waitUntil([&] { return !controller->addingPaths(); }, 10, 5));
  EXPECT_EQ(state().files.size(), 1);
}

// The window manager's close of the main window, on an X server (ctest
// app_window_manager_close): Qt itself drops it while a modal window blocks the window.
TEST_F(MenuBarTest, ClosingTheMainWindowQuitsWhileTheModalPreferencesRun) {
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  if (QGuiApplication::platformName() != "xcb" || !x11 || !x11->connection())
    GTEST_SKIP() << "runs on an X server as the ctest app_window_manager_close";
  QMainWindow* window = windows().MainWindow;
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  const auto atom = [&](const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        x11->connection(), xcb_intern_atom(x11->connection(), 0, strlen(name), name), nullptr);
    const xcb_atom_t value = reply ? reply->atom : 0;
    free(reply);
    return value;
  };
  bool sent = false;
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    if (sent || QApplication::activeModalWidget() != test::preferencesWindow()) return;
    // What the window manager sends when the user clicks the window's close box.
    xcb_client_message_event_t close = {};
    close.response_type = XCB_CLIENT_MESSAGE;
    close.format = 32;
    close.window = window->windowHandle()->winId();
    close.type = atom("WM_PROTOCOLS");
    close.data.data32[0] = atom("WM_DELETE_WINDOW");
    close.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(x11->connection(), 0, close.window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&close));
    xcb_flush(x11->connection());
    sent = true;
  });
  user.start(20);
  windows().PreferencesMenuItem->trigger();  // returns when its modal run ends
  ASSERT_TRUE(sent);
  EXPECT_TRUE(controller->terminated());
  EXPECT_EQ(mainLog().last(), "Program Terminating Normally");
}

}  // namespace

#include "MenuBar_test.moc"
