#pragma once

#include <QPointer>
#include <QWidget>

class KTImageCompareView;
class KTSingeImageInfoBar;

/// Two single-image bars side by side, following the left and the right image of a comparison
/// view: whenever either side shows another record, both bars are given their side's record.
///
/// Threading: main thread only.
class KTCompareImagesInfoBar : public QWidget
{
    Q_OBJECT
public:
    explicit KTCompareImagesInfoBar(QWidget *parent = nullptr);

    KTSingeImageInfoBar *firstImageInfoBar() const { return m_firstImageInfoBar; }
    KTSingeImageInfoBar *secondImageInfoBar() const { return m_secondImageInfoBar; }
    KTImageCompareView *compareView() const { return m_compareView; }
    /// Follows `view` (and lets the previous one go); the bars take its records at once.
    void setCompareView(KTImageCompareView *view);
    /// The left side's record to the first bar, the right side's to the second.
    void validateInfoBars();

private:
    KTSingeImageInfoBar *m_firstImageInfoBar = nullptr;
    KTSingeImageInfoBar *m_secondImageInfoBar = nullptr;
    QPointer<KTImageCompareView> m_compareView;
    QList<QMetaObject::Connection> m_connections;
};
