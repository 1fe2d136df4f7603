#pragma once

#include "KTDrawView.h"

/// The frame around a picked thumbnail: an orange line 2 points wide inside its bounds and a thin
/// black line inside that, so it reads on any photo.
///
/// Threading: main thread only.
class KTImageCollectionViewImageFlagStatusView : public KTDrawView
{
    Q_OBJECT
public:
    explicit KTImageCollectionViewImageFlagStatusView(QWidget *parent = nullptr);

protected:
    void drawInRect(QPainter &painter, const QRectF &dirty) override;
};
