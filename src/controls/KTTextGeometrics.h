#pragma once

#include "KTTextAttributes.h"

#include <QFont>
#include <QSizeF>
#include <QString>

#include <limits>

/// How large a text is when laid out in a box of a given width and height: lines wrap at word
/// boundaries (inside a word when it is wider than the box), line breaks start new lines, and
/// lines that do not fit the height are not laid out. The result is the size of the lines laid
/// out; an empty line after a final line break does not count.
///
/// Threading: any thread (each call makes its own layout objects).
namespace KTTextGeometrics {

/// An unlimited width or height.
inline constexpr double kUnlimited = std::numeric_limits<float>::max();

QSizeF sizeForWidth(const QString &text, double width, double height, const QFont &font);
/// Height with unlimited height.
double heightForWidth(const QString &text, double width, const QFont &font);
/// Width with unlimited width: the widest line.
double widthForHeight(const QString &text, double height, const QFont &font);

/// The same with the font of `attributes` (the application font when they give none).
QSizeF sizeForWidth(const QString &text, double width, double height, const KTTextAttributes &attributes);
double heightForWidth(const QString &text, double width, const KTTextAttributes &attributes);
double widthForHeight(const QString &text, double height, const KTTextAttributes &attributes);

} // namespace KTTextGeometrics
