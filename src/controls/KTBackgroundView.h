#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

/// A general background: a tiled pattern (only without a colour), a colour, an optional selection
/// frame, and an image fitted by a content mode. The overlay windows use it to dim what is below.
///
/// Threading: main thread only.
class KTBackgroundView : public QWidget
{
    Q_OBJECT
public:
    /// How the background image is fitted into the bounds.
    enum ContentMode
    {
        ScaleToFill = 0,     ///< stretched to the bounds
        ScaleAspectFit = 1,  ///< as large as fits, aspect kept, centred
        ScaleAspectFill = 2, ///< as small as covers, aspect kept, centred
    };

    explicit KTBackgroundView(QWidget *parent = nullptr);

    QColor backgroundColor() const { return m_backgroundColor; }
    /// An invalid colour means none. Always repaints.
    void setBackgroundColor(const QColor &color);
    QImage backgroundImage() const { return m_backgroundImage; }
    /// Repaints only when the image differs from the current one.
    void setBackgroundImage(const QImage &image);
    QString patternImageName() const { return m_patternImageName; }
    /// Repaints only when the name changes.
    void setPatternImageName(const QString &name);
    QString backgroundImageName() const { return m_backgroundImageName; }
    /// Stores the name only; the image is loaded at the next paint when none is set.
    void setBackgroundImageName(const QString &name) { m_backgroundImageName = name; }
    /// Values other than 1 and 2 behave as 0.
    int contentMode() const { return m_contentMode; }
    /// Emits contentModeChanged() when the value changes; repaints only when an image is set.
    void setContentMode(int mode);
    bool canMoveWindow() const { return m_canMoveWindow; }
    /// A press on the view drags its window (where the window system allows it).
    void setCanMoveWindow(bool canMove) { m_canMoveWindow = canMove; }
    bool drawsSelectionFrame() const { return m_drawsSelectionFrame; }
    void setDrawsSelectionFrame(bool draws) { m_drawsSelectionFrame = draws; }
    bool drawPatternToImage() const { return m_drawPatternToImage; }
    /// Paints the pattern through an image of the view's size rather than straight into the area.
    void setDrawPatternToImage(bool toImage) { m_drawPatternToImage = toImage; }

    /// Where the background image goes in bounds of `bounds` (widget coordinates) for `mode`:
    /// centred on whole pixels measured from the top-left corner.
    static QRectF imageRect(const QSizeF &imageSize, const QSizeF &bounds, int mode);

signals:
    void contentModeChanged(int mode);

protected:
    void paintEvent(QPaintEvent *event) override;
    /// A Ctrl-press opens the context menu, as a right press would.
    void mousePressEvent(QMouseEvent *event) override;

private:
    QColor m_backgroundColor;
    QImage m_backgroundImage;
    QString m_patternImageName;
    QString m_backgroundImageName;
    int m_contentMode = ScaleToFill;
    bool m_canMoveWindow = false;
    bool m_drawsSelectionFrame = false;
    bool m_drawPatternToImage = false;
};
