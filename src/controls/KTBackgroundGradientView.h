#pragma once

#include <QWidget>

/// A view that darkens its four edges: each edge is shaded from black at 25 % to nothing at 0.7
/// of the way across.
///
/// Threading: main thread only.
class KTBackgroundGradientView : public QWidget
{
    Q_OBJECT
public:
    explicit KTBackgroundGradientView(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
