#include "KTCompareImagesInfoBar.h"

#include "KTImageCompareView.h"
#include "KTImageView.h"
#include "KTSingeImageInfoBar.h"

#include <QHBoxLayout>

KTCompareImagesInfoBar::KTCompareImagesInfoBar(QWidget *parent) : QWidget(parent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    m_firstImageInfoBar = new KTSingeImageInfoBar(this);
    m_secondImageInfoBar = new KTSingeImageInfoBar(this);
    row->addWidget(m_firstImageInfoBar, 1);
    row->addWidget(m_secondImageInfoBar, 1);
}

void KTCompareImagesInfoBar::setCompareView(KTImageCompareView *view)
{
    if (view == m_compareView)
        return;
    for (const QMetaObject::Connection &connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    m_compareView = view;
    if (view) {
        for (KTImageView *side : {view->leftImageView(), view->rightImageView()})
            m_connections.append(
                connect(side, &KTImageView::imageMOChanged, this, &KTCompareImagesInfoBar::validateInfoBars));
    }
    validateInfoBars();
}

void KTCompareImagesInfoBar::validateInfoBars()
{
    m_firstImageInfoBar->setImageMO(m_compareView ? m_compareView->leftImageView()->imageMO() : nullptr);
    m_secondImageInfoBar->setImageMO(m_compareView ? m_compareView->rightImageView()->imageMO() : nullptr);
}
