#pragma once

#include <QFont>
#include <QString>
#include <QVector>

/// Shortening one-line texts to a width with "..." at the end or in the middle, and telling
/// whether a text would be cut. Cuts fall only between grapheme clusters, so an accent written
/// as a combining mark, an emoji sequence or a surrogate pair is never split.
///
/// Threading: any thread.
namespace KTStringAdditions {

/// Room the two shortening functions keep free at the right.
inline constexpr double kTruncationMargin = 5.0;
inline constexpr char kEllipsis[] = "...";

/// `text` itself when its one-line width is at most `width` - 5; otherwise its longest start
/// followed by "..." that fits; "..." when none does (even if "..." is too wide itself). An empty
/// text stays empty.
QString constrainedStringToWidth(const QString &text, double width, const QFont &font);

/// `text` itself when it fits as above; otherwise its start and end around "...", removing one
/// grapheme at a time, first right of the middle, then left of it, and so on, until it fits;
/// "..." when nothing is left.
QString constrainedStringInCenterToWidth(const QString &text, double width, const QFont &font);

/// True when the one-line width of `text` exceeds `width` (no margin kept).
bool willBeTruncatedForWidth(const QString &text, double width, const QFont &font);

/// The positions in `text` (in UTF-16 units) where grapheme clusters begin, and its length.
QVector<int> graphemeBoundaries(const QString &text);

} // namespace KTStringAdditions
