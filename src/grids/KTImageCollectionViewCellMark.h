#pragma once

#include <QImage>
#include <QRect>

class QPainter;
class QWidget;

/// A mark drawn over a thumbnail cell's picture (the group mark here; the pick frame and the
/// number are kinds of it): not a widget of its own but a rectangle of the cell's hover view,
/// which draws every mark of the cell in one pass. A cell is bound again at every scroll step,
/// and a widget per mark would cost a layout and a paint of its own each time.
///
/// Geometry is in the coordinates of the canvas (the hover view, which covers the cell). This
/// base draws its picture, if any, as large as fits without enlarging it, centred.
///
/// Threading: main thread only.
class KTImageCollectionViewCellMark
{
public:
    /// `canvas` draws the mark and is repainted where it changes; it outlives the mark.
    explicit KTImageCollectionViewCellMark(QWidget *canvas);
    virtual ~KTImageCollectionViewCellMark();
    KTImageCollectionViewCellMark(const KTImageCollectionViewCellMark &) = delete;
    KTImageCollectionViewCellMark &operator=(const KTImageCollectionViewCellMark &) = delete;

    QWidget *canvas() const { return m_canvas; }
    QRect geometry() const { return m_geometry; }
    void setGeometry(const QRect &geometry);
    void move(const QPoint &position) { setGeometry(QRect(position, m_geometry.size())); }
    void resize(const QSize &size) { setGeometry(QRect(m_geometry.topLeft(), size)); }
    int width() const { return m_geometry.width(); }
    int height() const { return m_geometry.height(); }
    QSize size() const { return m_geometry.size(); }

    /// True while the mark is to be drawn (the cell's own visibility aside).
    bool isVisible() const { return m_visible; }
    void setVisible(bool visible);

    QImage image() const { return m_image; }
    void setImage(const QImage &image);

    /// Draws the mark inside geometry(), in the canvas's coordinates.
    virtual void draw(QPainter &painter) const;

protected:
    /// Asks the canvas to repaint the mark's rectangle while it is drawn.
    void update();

private:
    QWidget *m_canvas;
    QRect m_geometry;
    bool m_visible = false;
    QImage m_image;
};
