#pragma once

#include "KTHistogram.h"

#include <QImage>
#include <QWidget>

/// The red, green and blue histograms of one image as three overlapping bar charts filling the
/// view (see KTHistogram::chart), drawn at the device pixel ratio. The EXIF panel gives it the
/// 300-pixel preview of the active image and clears it between images.
///
/// Threading: main thread only.
class KTHistogramView : public QWidget
{
    Q_OBJECT
public:
    explicit KTHistogramView(QWidget *parent = nullptr);

    QImage image() const { return m_image; }
    /// Counts `image` (null clears the view) and redraws.
    void setImage(const QImage &image);
    const KTHistogram &histogram() const { return m_histogram; }
    /// The chart as last drawn (null before a drawing or without an image).
    QImage chartImage() const { return m_chart; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QImage m_image;
    KTHistogram m_histogram;
    QImage m_chart;
};
