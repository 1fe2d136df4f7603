#pragma once

#include <QScrollBar>
#include <QString>

/// The scroll bar base with the class-wide look set at launch.
///
/// Threading: main thread only.
class KTAbstractScroller : public QScrollBar
{
    Q_OBJECT
public:
    explicit KTAbstractScroller(Qt::Orientation orientation, QWidget *parent = nullptr);

    /// The base name of the scroller pictures ("scroller_vert" at launch).
    static void setDefaultScrollerImagesName(const QString &name);
    static QString defaultScrollerImagesName();
    /// The width of a scroll bar in the application's style, in logical pixels.
    static double defaultScrollerWidth();
};
