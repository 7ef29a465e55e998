#include "app/preferences/ServiceKeyTests.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <memory>

namespace zuvo {

void ServiceKeyTests::add(const Row& row) {
  connect(row.test, &QPushButton::clicked, this, [this, row] { test(row); });
}

QString ServiceKeyTests::answerText(const QString& service, const live::KeyTestAnswer& check) {
  switch (check.outcome) {
    case live::KeyTestAnswer::Outcome::Taken:
      return QStringLiteral("%1 took the key.").arg(service);
    case live::KeyTestAnswer::Outcome::Refused:
      return QStringLiteral("%1 refused the key.").arg(service);
    case live::KeyTestAnswer::Outcome::NoAnswer:
      break;
  }
  return QStringLiteral("No answer from %1: %2").arg(service, check.detail);
}

void ServiceKeyTests::test(const Row& row) {
  const QString key = row.key->text().trimmed();
  const QString pin = row.pin ? row.pin->text().trimmed() : QString();
  if (key.isEmpty()) {
    row.answer->setText(QStringLiteral("Enter a key first."));
    return;
  }
  row.test->setEnabled(false);
  row.answer->setText(QStringLiteral("Asking %1…").arg(row.service));
  auto result = std::make_shared<live::KeyTestAnswer>();
  QThread* worker = QThread::create([check = row.check, key, pin, result] { *result = check(key, pin); });
  // The label is the receiver: when the window is gone before the service answers, the
  // answer goes nowhere. The thread deletes itself once done.
  QPushButton* button = row.test;
  QLabel* answer = row.answer;
  connect(worker, &QThread::finished, answer,
          [answer, service = row.service, result] { answer->setText(answerText(service, *result)); });
  connect(worker, &QThread::finished, button, [button] { button->setEnabled(true); });
  connect(worker, &QThread::finished, worker, &QObject::deleteLater);
  worker->start();
}

}  // namespace zuvo
