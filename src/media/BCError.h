#pragma once
// The result of every operation that can fail. Failures are values, never exceptions.
#include <QString>
#include <QVariant>

namespace zuvo {

class [[nodiscard]] BCError {
 public:
  BCError() = default;  // the defaults of NoError

  static BCError NoError() { return BCError(); }
  static BCError NoErrorWithSucess(const QVariant& result) {
    BCError e;
    e.setNoErrorResult(result);
    return e;
  }
  static BCError Code(qint32 code, const QString& description) {
    BCError e;
    e.setError(true);
    e.setCode(code);
    e.setDescription(description);
    return e;
  }

  bool Error() const { return error_; }
  void setError(bool error) { error_ = error; }
  qint32 Code() const { return code_; }
  void setCode(qint32 code) { code_ = code; }
  const QString& Description() const { return description_; }
  void setDescription(const QString& description) { description_ = description; }
  const QVariant& NoErrorResult() const { return result_; }
  void setNoErrorResult(const QVariant& result) { result_ = result; }

 private:
  bool error_ = false;
  qint32 code_ = 0;
  QString description_ = QStringLiteral("No Error");
  QVariant result_ = QStringLiteral("Undefined");
};

}  // namespace zuvo
