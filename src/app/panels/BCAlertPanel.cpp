#include "app/panels/BCAlertPanel.h"

#include <QDialog>
#include <QPixmap>
#include <QTextDocumentFragment>

#include "app/panels/PanelPlacement.h"
#include "ui_BCAlertPanel.h"

namespace zuvo {

BCAlertPanel::BCAlertPanel(const QString& title, QObject* parent) : QObject(parent), title_(title) {}

BCAlertPanel::~BCAlertPanel() = default;

QDialog* BCAlertPanel::loadedWindow() {
  if (window_) return window_.get();
  window_ = std::make_unique<QDialog>();
  ui_ = std::make_unique<::Ui::BCAlertPanel>();
  ui_->setupUi(window_.get());
  window_->setWindowModality(Qt::ApplicationModal);
  QObject::connect(ui_->CloseAlertPanelButton, &QPushButton::clicked, this,
                   [this] { CloseAlertPanelButtonPress(); });
  // Escape and the window's close box end the run like the button does.
  QObject::connect(window_.get(), &QDialog::finished, this, [this] { bringWindowForward(MainWindow); });
  windowDidLoad();
  return window_.get();
}

void BCAlertPanel::windowDidLoad() {
  window_->setWindowTitle(title_);
  if (attributedmessage_) {
    ui_->AlertTextField->setTextFormat(Qt::RichText);
    ui_->AlertTextField->setText(attmessage_);
  } else {
    ui_->AlertTextField->setTextFormat(Qt::PlainText);
    ui_->AlertTextField->setText(message_);
  }
  ui_->imageview->setPixmap(QPixmap::fromImage(image_));
  firstrun_ = false;
}

void BCAlertPanel::run(const QString& text, bool styled, QWidget* over) {
  // The one window cannot show two messages: a second one would take the first's place.
  if (showing_) {
    waiting_.append({text, styled, over});
    return;
  }
  showing_ = true;
  runOne(text, styled, over);
  while (!waiting_.isEmpty()) {
    const Waiting next = waiting_.takeFirst();
    runOne(next.text, next.styled, next.over);
  }
  showing_ = false;
}

void BCAlertPanel::runOne(const QString& text, bool styled, QWidget* over) {
  attributedmessage_ = styled;
  if (styled) {
    attmessage_ = text;
    message_ = QTextDocumentFragment::fromHtml(text).toPlainText();
  } else {
    message_ = text;
  }
  const bool loaded = !firstrun_;
  QDialog* dialog = loadedWindow();
  if (loaded) windowDidLoad();
  dialog->adjustSize();
  keepAbove(dialog, over);
  dialog->show();
  centreWindowOnWindow(dialog, over);
  bringWindowForward(dialog);
  dialog->exec();
}

void BCAlertPanel::ShowAlertPanel(const QString& message, QWidget* window) {
  MainWindow = window;
  run(message, false, window);
}

void BCAlertPanel::ShowAlertPanelAS(const QString& styledMessage, QWidget* window) {
  MainWindow = window;
  run(styledMessage, true, window);
}

void BCAlertPanel::ShowAlertPanel(const QString& message) { run(message, false, nullptr); }

void BCAlertPanel::CloseAlertPanelButtonPress() {
  if (window_) window_->accept();
}

void BCAlertPanel::setImage(const QImage& image) {
  image_ = image;
  if (ui_) ui_->imageview->setPixmap(QPixmap::fromImage(image_));
}

}  // namespace zuvo
