#pragma once

#include <QColor>
#include <QWidget>

/// A view that fills its bounds with one colour (none while the colour is invalid).
///
/// Threading: main thread only.
class KTAbstractBackgroundView : public QWidget
{
    Q_OBJECT
public:
    explicit KTAbstractBackgroundView(QWidget *parent = nullptr);

    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_backgroundColor;
};
