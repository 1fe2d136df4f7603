#pragma once

#include "KTImageListView.h"

/// The zoomable browser of all images of a mode: a zoom value from 0 (the most columns of at
/// least the minimum side) to 1 (minNumberOfColumns) chooses the number of columns.
///
/// Threading: main thread only.
class KTImageBrowserView : public KTImageListView
{
    Q_OBJECT
public:
    explicit KTImageBrowserView(QWidget *parent = nullptr);

    double zoomValue() const { return m_zoomValue; }
    /// A change lays the cells out again (unless the browser is hidden).
    void setZoomValue(double zoom);
    qsizetype numberOfZoomSteps() const { return m_numberOfZoomSteps; }
    qsizetype minNumberOfColumns() const { return m_minNumberOfColumns; }
    void setMinNumberOfColumns(qsizetype columns) { m_minNumberOfColumns = columns; }
    qsizetype maxNumberOfColumns() const { return m_maxNumberOfColumns; }

    void adjustSize() override;
    double calculateProposedCellSize() override;
    unsigned cellTypeForIndex(qsizetype index) const override;

signals:
    void numberOfZoomStepsChanged(qsizetype steps);

private:
    double m_zoomValue = 0;
    qsizetype m_numberOfZoomSteps = 0;
    qsizetype m_minNumberOfColumns = 3;
    qsizetype m_maxNumberOfColumns = 0;
};
