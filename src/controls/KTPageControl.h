#pragma once

#include <QImage>
#include <QWidget>

/// A row of page dots, one per item, the selected one in a second picture; a click on a dot
/// selects it and sends the action (clicked(), also when it was selected already). The tips
/// window shows which tip is on screen with it.
///
/// Dots are placed by the size of the unselected picture, 2 apart, on the bottom edge (y-up
/// origin).
///
/// Threading: main thread only.
class KTPageControl : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int numberOfItems READ numberOfItems WRITE setNumberOfItems NOTIFY numberOfItemsChanged)
    Q_PROPERTY(int selectedIndex READ selectedIndex WRITE setSelectedIndex NOTIFY selectedIndexChanged)
public:
    static constexpr double kSpacing = 2.0;

    explicit KTPageControl(QWidget *parent = nullptr);

    int numberOfItems() const { return m_numberOfItems; }
    void setNumberOfItems(int count);
    int selectedIndex() const { return m_selectedIndex; }
    /// An index outside the items highlights no dot.
    void setSelectedIndex(int index);

    /// The picture of a dot; "page_off" until one is set. Setting one does not repaint.
    QImage backgroundImage() const;
    void setBackgroundImage(const QImage &image) { m_backgroundImage = image; }
    /// The picture of the selected dot; "page_on" until one is set.
    QImage selectedBackgroundImage() const;
    void setSelectedBackgroundImage(const QImage &image) { m_selectedBackgroundImage = image; }

    /// Dot `index` in y-up geometry: origin (index * (w + 2), 0), size w x h of the dot picture.
    QRectF rectForItemIndex(int index) const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void numberOfItemsChanged(int count);
    void selectedIndexChanged(int index);
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    /// The dot's rectangle in widget coordinates.
    QRectF widgetRectForItemIndex(int index) const;

    int m_numberOfItems = 0;
    int m_selectedIndex = 0;
    mutable QImage m_backgroundImage;
    mutable QImage m_selectedBackgroundImage;
};
