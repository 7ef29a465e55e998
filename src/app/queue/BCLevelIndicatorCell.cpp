#include "app/queue/BCLevelIndicatorCell.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QStyleOptionProgressBar>
#include <QToolTip>

#include "app/queue/QueueRowStatus.h"
#include "app/shared/Localized.h"
#include "app/tables/TableRoles.h"
#include "media/MediaValues.h"

namespace zuvo {
namespace {

const QStringList kConversionPasses = {QStringLiteral("HD"),
                                       QStringLiteral("SD"),
                                       QStringLiteral("HD/SD"),
                                       QStringLiteral("Original"),
                                       QStringLiteral("HD (1st Pass)"),
                                       QStringLiteral("HD (2nd Pass)"),
                                       QStringLiteral("SD (1st Pass)"),
                                       QStringLiteral("SD (2nd Pass)"),
                                       QStringLiteral("HD (Turbo264)"),
                                       QStringLiteral("SD (Turbo264)")};

QFont lucida(bool bold, int pixels) {
  QFont font(QStringLiteral("Lucida Grande"));
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

}  // namespace

BCLevelIndicatorCell::Message BCLevelIndicatorCell::statusMessage(MediaState state, bool finished,
                                                                  const QString& passLabel,
                                                                  const QString& timeText,
                                                                  const QString& conversionError) {
  // A row waiting for its turn says so, whatever stage an earlier run left on it.
  if (state == MediaState::Queued) return {queuedText()};
  if (state == MediaState::Converting) {
    if (passLabel.isEmpty()) return {};
    QString label = localizedString(passLabel.toUtf8().constData());
    if (label.isEmpty()) label = QStringLiteral("Unknown Message");
    if (kConversionPasses.contains(passLabel))
      return {QStringLiteral("%1 %2 %3").arg(localizedString("Doing"), label, localizedString("Conversion"))};
    return {QStringLiteral("%1 %2").arg(localizedString("Currently"), label)};
  }
  if (state == MediaState::Ended) {
    if (finished) return {timeText, Tone::Finished};
    if (conversionError.isEmpty()) return {localizedString("Cancelled"), Tone::Failed};
    return {QStringLiteral("Failed with error : %1").arg(conversionError), Tone::Failed};
  }
  return {QStringLiteral("Unknown Message")};
}

QRect BCLevelIndicatorCell::progressBarRect(const QRect& f, bool detailed) {
  return QRect(f.x(), f.y() + (detailed ? 29 : 31), f.width(), 12);
}

void BCLevelIndicatorCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
  const QVariantList values = index.data().toList();
  if (values.size() < 10) return;
  const QueueRowStatus s = QueueRowStatus::fromList(values);
  const QRect r = option.rect;
  const bool converting = s.state == MediaState::Converting;
  const QColor grey = option.palette.color(QPalette::Active, QPalette::Dark).darker(150);
  painter->save();
  if (rowSelected(option)) painter->fillRect(r, selectionColour(option).lighter(170));
  const auto text = [&](int dx, int dy, const QFont& font, const QColor& colour, const QString& t) {
    painter->setFont(font);
    painter->setPen(colour);
    const int width = r.width() - dx;
    painter->drawText(QRect(r.x() + dx, r.y() + dy, width, 16), Qt::AlignLeft | Qt::AlignTop,
                      QFontMetrics(font).elidedText(t, Qt::ElideRight, width));
  };

  QString title = s.title;
  if (index.data(TableRole::IsSample).toBool()) title += QStringLiteral(" (60s Sample)");
  text(0, 0, lucida(true, 12), Qt::black, title);
  text(0, 16, lucida(false, 10), grey, s.secondLine);
  if (s.detailed) text(0, converting ? 42 : 29, lucida(false, 10), grey, s.details);

  const int messageY = converting ? (s.detailed ? 54 : 46) : (s.detailed ? 42 : 30);
  const Message message = statusMessage(s.state, s.finished, s.passLabel, s.timeText,
                                        index.data(TableRole::ConversionError).toString());
  QColor colour = grey;
  if (message.tone == Tone::Finished) colour = QColor(30, 146, 20);
  if (message.tone == Tone::Failed) colour = Qt::red;
  text(0, messageY, lucida(false, 10), colour, message.text);

  if (converting) {
    text(r.width() - 110, messageY, lucida(false, 10), grey, s.timeText);
    const QRect bar = progressBarRect(r, s.detailed);
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(QColor(71, 71, 71), 1));
    painter->setBrush(Qt::NoBrush);
    painter->drawRoundedRect(QRectF(bar).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    QStyleOptionProgressBar progress;
    progress.rect = QRect(bar.x() + 1, bar.y() + 1, bar.width() - 2, 10);
    progress.minimum = 0;
    // While there is no estimate yet the bar only shows that work goes on.
    const bool calculating = s.timeText == calculatingTimeText();
    progress.maximum = calculating ? 0 : 100;
    progress.progress = qBound(0, s.progress, 100);
    progress.state = QStyle::State_Enabled | QStyle::State_Horizontal;
    progress.palette = option.palette;
    QApplication::style()->drawControl(QStyle::CE_ProgressBar, &progress, painter, option.widget);
  }
  painter->restore();
}

bool BCLevelIndicatorCell::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                     const QStyleOptionViewItem& option, const QModelIndex& index) {
  const QVariantList values = index.data().toList();
  if (event->type() != QEvent::ToolTip || values.size() < 10)
    return QStyledItemDelegate::helpEvent(event, view, option, index);
  const QueueRowStatus s = QueueRowStatus::fromList(values);
  const Message message = statusMessage(s.state, s.finished, s.passLabel, s.timeText,
                                        index.data(TableRole::ConversionError).toString());
  if (message.text.isEmpty()) {
    QToolTip::hideText();
    return true;
  }
  // As rich text the tip wraps a long reason instead of running off the screen.
  QToolTip::showText(event->globalPos(), QStringLiteral("<p>%1</p>").arg(message.text.toHtmlEscaped()), view,
                     option.rect);
  return true;
}

}  // namespace zuvo
