#include "KTImageDecisionButtons.h"

#include "KTAnimations.h"
#include "KTBinding.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTNamedImages.h"
#include "KTObjectContext.h"
#include "KTOnOffButton.h"

#include <QPropertyAnimation>

KTImageDecisionButtons::KTImageDecisionButtons(QWidget *view, std::function<KTImageStorage *()> catalogue)
    : QObject(view), m_catalogue(std::move(catalogue))
{
    const auto makeButton = [view](const QString &off, const QString &on) {
        auto *button = new KTOnOffButton(view);
        const qreal ratio = view->devicePixelRatioF();
        button->setImage(KTNamedImages::shared().image(off, ratio));
        button->updateImage();
        button->setAlternateImage(KTNamedImages::shared().image(on, ratio));
        button->updateAlternateImage();
        button->resize(KTNamedImages::shared().naturalSize(off).toSize());
        return button;
    };
    m_flagButton = makeButton(QStringLiteral("picked_btn_img"), QStringLiteral("picked_btn_img_on"));
    m_rejectButton = makeButton(QStringLiteral("reject_icon_small"), QStringLiteral("revert_btn_img"));
    m_flagButton->setToolTip(tr("Pick (Ctrl+P)"));
    m_rejectButton->setToolTip(tr("Reject or restore (Ctrl+R)"));
    connect(m_flagButton, &KTControl::clicked, this, &KTImageDecisionButtons::onFlagButton);
    connect(m_rejectButton, &KTControl::clicked, this, &KTImageDecisionButtons::onRejectButton);
    m_flagAnimation = new QPropertyAnimation(m_flagButton, "geometry", this);
    m_rejectAnimation = new QPropertyAnimation(m_rejectButton, "geometry", this);
}

void KTImageDecisionButtons::setRecord(KTImageMO *record)
{
    m_record = record;
    if (!record || !record->context() || !record->context()->isMainContext())
        return;
    kt_bindStateToObject(m_flagButton, KTBindingSource(record), QStringLiteral("picked"));
    kt_bindStateToObject(m_rejectButton, KTBindingSource(record), QStringLiteral("rejected"));
}

bool KTImageDecisionButtons::recordFileExists() const
{
    return m_record && m_record->originalFileExists().value_or(false);
}

void KTImageDecisionButtons::adjustFlagVisibility(bool pointerOverImage)
{
    const bool visible = m_switchedOn && recordFileExists() && !m_record->rejected().value_or(false) &&
                         (pointerOverImage || m_record->picked().value_or(false));
    m_flagButton->setVisible(visible);
    if (visible)
        m_flagButton->raise();
}

void KTImageDecisionButtons::adjustRejectVisibility(bool pointerOverImage)
{
    const bool visible =
        m_switchedOn && recordFileExists() && (pointerOverImage || m_record->rejected().value_or(false));
    m_rejectButton->setVisible(visible);
}

void KTImageDecisionButtons::setSwitchedOn(bool on, bool pointerOverImage)
{
    if (on == m_switchedOn)
        return;
    m_switchedOn = on;
    // Only the switch and the pointer count here; the next pointer movement applies the record's
    // rules again.
    const bool visible = m_followsPointer ? on && pointerOverImage : on;
    m_flagButton->setVisible(visible);
    m_rejectButton->setVisible(visible);
}

bool KTImageDecisionButtons::isEnabled() const
{
    return m_flagButton->isEnabled() && m_rejectButton->isEnabled();
}

void KTImageDecisionButtons::setEnabled(bool enabled)
{
    m_flagButton->setEnabled(enabled);
    m_rejectButton->setEnabled(enabled);
}

void KTImageDecisionButtons::place(const QRect &flagFrame, const QRect &rejectFrame, KTAnimated animated)
{
    const auto place = [animated](KTOnOffButton *button, QPropertyAnimation *animation, const QRect &target) {
        animation->stop();
        if (animated == KTAnimated::Yes && KTAnimations::isEnabled() && button->geometry() != target) {
            animation->setStartValue(button->geometry());
            animation->setEndValue(target);
            KTAnimations::start(animation, kAnimationDuration);
        } else {
            button->setGeometry(target);
        }
    };
    place(m_flagButton, m_flagAnimation, flagFrame);
    place(m_rejectButton, m_rejectAnimation, rejectFrame);
}

void KTImageDecisionButtons::onFlagButton()
{
    if (!m_record)
        return;
    // The button never turns itself (KTOnOffButton): a click asks for the state it does not show.
    m_record->setPicked(m_flagButton->state() != 1);
}

void KTImageDecisionButtons::onRejectButton()
{
    if (!m_record)
        return;
    if (m_rejectButton->state() != 1) {
        if (KTImageStorage *storage = m_catalogue())
            storage->moveImagesToTrash({m_record});
    } else {
        m_record->setRejected(false);
    }
}
