#pragma once

#include "KTControl.h"
#include "KTLevelIndicatorCell.h"

#include <QImage>

#include <cstdint>

/// The five-star rating control: stars drawn in code in the rated positions, the placeholder
/// picture (inactiveDotsImage) in the empty ones, positions 14 pixels apart. A click sets the
/// rating of the star under the pointer, and a click on the current rating clears it to 0;
/// either way the action (clicked()) is sent. Left and Right step the rating and the digits 0
/// to 5 set it while the control has focus. A disabled control ignores clicks and keys.
///
/// Other styles of the cell draw a plain level bar and take the clicked level as it is.
///
/// Threading: main thread only.
class KTLevelIndicator : public KTControl
{
    Q_OBJECT
    /// The bindable value (the rating, 0 to 5).
    Q_PROPERTY(int objectValue READ integerValue WRITE setIntegerValue NOTIFY integerValueChanged)
public:
    static constexpr int kPositions = 5;
    /// Width and height of one position.
    static constexpr double kPositionSize = 14.0;

    explicit KTLevelIndicator(QWidget *parent = nullptr);

    KTLevelIndicatorCell *cell() { return &m_cell; }
    const KTLevelIndicatorCell *cell() const { return &m_cell; }

    int integerValue() const { return m_value; }
    /// Clamped to 0 to 5; sends no action.
    void setIntegerValue(int value);

    QImage inactiveDotsImage() const { return m_inactiveDotsImage; }
    /// Stores only; the next paint uses it.
    void setInactiveDotsImage(const QImage &image) { m_inactiveDotsImage = image; }

    /// A rating kept beside the shown value; stored only.
    std::int64_t ratingValue() const { return m_ratingValue; }
    void setRatingValue(std::int64_t value) { m_ratingValue = value; }

    /// The rectangle of position `index` (0 to 4), in widget coordinates.
    QRectF positionRect(int index) const;

    QSize sizeHint() const override;

signals:
    void integerValueChanged(int value);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    /// The rating style's rule: a new rating, or 0 when it equals the current one; then the action.
    void rate(int value);

    KTLevelIndicatorCell m_cell;
    int m_value = 0;
    QImage m_inactiveDotsImage;
    std::int64_t m_ratingValue = 0;
};
