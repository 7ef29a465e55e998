#pragma once
// A tool's argument list built from a command-line template. The template is cut into
// arguments first (as SplitArguments cuts a command line: spaces outside double quotes
// separate, the quotes go); only then is each "%@" filled with its value, whole. So a
// path or a downloaded name with spaces, quotes, line breaks or a leading "-" is always
// exactly the argument, or the part of one, that its placeholder stands in.
//
// Values are paths and names. Numbers and option fragments (the audio-codec text, the
// sample options, a preset) belong in the template text itself.
#include <QString>
#include <QStringList>

namespace zuvo {

class ToolArguments {
 public:
  ToolArguments() = default;
  explicit ToolArguments(const QString& templateText, const QStringList& values = {}) {
    append(templateText, values);
  }

  // Appends the arguments of `templateText`, its placeholders filled in order from
  // `values` (a placeholder without a value is left empty).
  ToolArguments& append(const QString& templateText, const QStringList& values = {});

  const QStringList& list() const { return list_; }
  // The template filled in, as the log shows the command.
  const QString& text() const { return text_; }

 private:
  QStringList list_;
  QString text_;
};

}  // namespace zuvo
