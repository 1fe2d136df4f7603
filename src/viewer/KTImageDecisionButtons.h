#pragma once

#include "KTZoomProtocol.h"
#include "KTRecordRef.h"

#include <QObject>
#include <QRect>

#include <functional>

class KTImageMO;
class KTImageStorage;
class KTOnOffButton;
class QPropertyAnimation;
class QWidget;

/// The hover pick and reject buttons in the corners of a viewer's image. The pick button shows
/// while the pointer is over the image or the record is picked, never on a rejected record; the
/// reject button while the pointer is over the image or the record is rejected; both only while
/// their switch is on and the record's file exists. Each follows its record's "picked" or
/// "rejected" and, clicked, asks for the state it does not show: a pick is set on the record, a
/// reject goes through the catalogue (so it is one step to undo), an undone reject restores.
///
/// Threading: main thread only.
class KTImageDecisionButtons : public QObject
{
    Q_OBJECT
public:
    /// The frame animation of the buttons, in seconds.
    static constexpr double kAnimationDuration = 0.30000000000000004;

    /// Buttons made as children of `view`; `catalogue` answers the catalogue that rejects.
    KTImageDecisionButtons(QWidget *view, std::function<KTImageStorage *()> catalogue);

    KTOnOffButton *flagButton() const { return m_flagButton; }
    KTOnOffButton *rejectButton() const { return m_rejectButton; }

    /// The record the buttons follow and act on (null: none).
    void setRecord(KTImageMO *record);

    /// The switch of both buttons.
    bool isSwitchedOn() const { return m_switchedOn; }
    void setSwitchedOn(bool on, bool pointerOverImage);
    /// Whether a change of the switch shows the buttons only with the pointer over the image
    /// (true, the default) or both at once (the review modes).
    bool switchFollowsPointer() const { return m_followsPointer; }
    void setSwitchFollowsPointer(bool follows) { m_followsPointer = follows; }
    bool isEnabled() const;
    void setEnabled(bool enabled);

    /// Applies the visibility rules for the pointer over the image, or not.
    void adjustFlagVisibility(bool pointerOverImage);
    void adjustRejectVisibility(bool pointerOverImage);
    /// Places both buttons at their frames (widget coordinates), animated or at once.
    void place(const QRect &flagFrame, const QRect &rejectFrame, KTAnimated animated);

    void onFlagButton();
    void onRejectButton();

private:
    bool recordFileExists() const;

    std::function<KTImageStorage *()> m_catalogue;
    KTRecordRef<KTImageMO> m_record;
    KTOnOffButton *m_flagButton = nullptr;
    KTOnOffButton *m_rejectButton = nullptr;
    QPropertyAnimation *m_flagAnimation = nullptr;
    QPropertyAnimation *m_rejectAnimation = nullptr;
    bool m_switchedOn = true;
    bool m_followsPointer = true;
};
