#pragma once

#include <QPointer>
#include <QWidget>

class KTAbstractButton;
class QPainter;

/// The name of the notification a row's delete button posts (object: the button).
inline constexpr char kDeleteImageSourceNotification[] = "deleteImageSourceNotification";

/// A row of the photo-sources table: while selected it shows an orange selection frame around a
/// dimmed centre and its delete button, which posts "deleteImageSourceNotification" with the
/// button as the object. The row paints no background of its own, so the table's shows through.
///
/// The frame is painted for the row's own size on every paint, so rows of any height show a
/// correct frame. The delete button sits at the right edge; a layout installed on the row keeps
/// clear of it through the row's contents margins.
///
/// Threading: main thread only.
class KTTableRowView : public QWidget
{
    Q_OBJECT
public:
    /// Width of the frame's orange border.
    static constexpr double kFrameWidth = 2.0;

    explicit KTTableRowView(QWidget *parent = nullptr);

    bool isSelected() const { return m_selected; }
    /// Shows or hides the frame and the delete button.
    void setSelected(bool selected);

    KTAbstractButton *deleteSourceButton() const { return m_deleteSourceButton; }
    /// The area the selection frame covers (the row's bounds).
    QRectF selectionFrameRect() const { return QRectF(rect()); }

    /// The row's number in its table; stored only.
    qint64 rowIndex() const { return m_rowIndex; }
    void setRowIndex(qint64 index) { m_rowIndex = index; }
    /// Stored only.
    bool drawsAlternateBackground() const { return m_drawsAlternateBackground; }
    void setDrawsAlternateBackground(bool draws) { m_drawsAlternateBackground = draws; }

    /// Paints the selection frame over `frame`: a 2-pixel orange border around black at alpha
    /// 0.3. For tables that paint their rows through a delegate.
    static void drawSelectionFrame(QPainter &painter, const QRectF &frame);

    /// The delete button's action.
    void onDeleteImageSource();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeDeleteButton();

    KTAbstractButton *m_deleteSourceButton;
    bool m_selected = false;
    qint64 m_rowIndex = 0;
    bool m_drawsAlternateBackground = false;
};
