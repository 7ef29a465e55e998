#pragma once
// Reading the services' XML answers line by line, the way their cache files are read: a
// value is the text between an element's tags on one line, except for the long texts that
// run over several lines, and the attribute lines that are cut into pieces.
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace zuvo {

// The value of element `name` on the line when the line holds its opening tag (empty when
// the element does not close there); nothing when it does not.
std::optional<QString> elementValue(const QString& line, const QString& name);

// The value of element `name` that opens on lines[at]: on that line alone when it closes
// there too; else the text after the opening tag, every following line as it stands and
// the text before the closing tag, joined without separator (`at` then names the closing
// line, or the last line when the element never closes). `joined` is told of each line
// added.
QString multiLineElementText(const QStringList& lines, qsizetype& at, const QString& name,
                             const std::function<void()>& joined = {});

// The address of a poster at least 500 pixels wide on an image line (`<image type=...`):
// the line's pieces (SplitArguments) are its opening and one attribute=value each, in
// the order type, url, size, width. Nothing for another kind of image, a narrower poster,
// or a line with too few pieces to hold the width.
std::optional<QString> posterAddress(const QString& line);
bool isImageLine(const QString& line);

}  // namespace zuvo
