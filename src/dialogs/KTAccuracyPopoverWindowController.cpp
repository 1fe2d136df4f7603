#include "KTAccuracyPopoverWindowController.h"

#include "KTAbstractButton.h"
#include "KTDialogControls.h"
#include "KTSegmentedTimeRangeView.h"

#include <QApplication>
#include <QLabel>
#include <QHBoxLayout>
#include <QThread>
#include <QVBoxLayout>

namespace {
constexpr int kLevelButtonWidth = 68;
} // namespace

KTAccuracyPopoverWindowController::KTAccuracyPopoverWindowController(QWidget *parent)
    : KTPopoverWindowController(parent)
{
    m_buttonsContainer = new KTSegmentedTimeRangeView(this);
    m_buttonsContainer->setButtonTitles({tr("Lowest"), tr("Low"), tr("Normal"), tr("High"), tr("Highest")},
                                        this, [this](KTAbstractButton *button) { onSelectAccuracy(button); });
    m_levelButtons = m_buttonsContainer->buttons();
    for (qsizetype i = 0; i < m_levelButtons.size(); ++i) {
        KTAbstractButton *button = m_levelButtons[i];
        button->setTag(int(i) + 1);
        // The owner sets the level back after a choice; a click alone changes no look.
        button->setBehavior(KTAbstractButton::Momentary);
        button->setFocusPolicy(Qt::StrongFocus);
    }
    m_buttonsContainer->setFixedSize(kLevelButtonWidth * int(kLevelCount), 22);
    m_expertSettingsButton = ktPushButton(tr("Expert Settings…"), this);
    connect(m_expertSettingsButton, &KTControl::clicked, this,
            &KTAccuracyPopoverWindowController::onShowSearchSettings);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(12, 10, 12, 12);
    column->setSpacing(10);
    column->addWidget(ktSectionCaption(tr("Similarity accuracy"), this));
    column->addWidget(m_buttonsContainer);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_expertSettingsButton);
    column->addLayout(buttons);
    setFixedSize(sizeHint());
    setAccuracyLevel(3);
}

KTAccuracyPopoverWindowController::~KTAccuracyPopoverWindowController() = default;

KTAbstractButton *KTAccuracyPopoverWindowController::buttonForLevel(unsigned level) const
{
    if (level < 1 || level > unsigned(m_levelButtons.size()))
        return nullptr;
    return m_levelButtons[int(level) - 1];
}

void KTAccuracyPopoverWindowController::setAccuracyLevel(unsigned level)
{
    KTAbstractButton *button = buttonForLevel(level);
    const QString name = button ? button->title() : QString();
    if (button)
        button->setPushed(true);
    if (level == m_accuracyLevel && name == m_accuracyLevelName)
        return;
    m_accuracyLevel = level;
    m_accuracyLevelName = name;
    emit accuracyLevelChanged();
}

void KTAccuracyPopoverWindowController::showRelativeToView(QWidget *anchor, Completion completion)
{
    KTAbstractButton *selected = buttonForLevel(m_accuracyLevel);
    Q_ASSERT_X(selected, "KTAccuracyPopoverWindowController",
               "Cannot get selected button in accuracy window controller");
    if (!selected)
        return;
    selected->setPushed(true);
    KTPopoverWindowController::showRelativeToView(anchor, std::move(completion));
    selected->setFocus();
}

void KTAccuracyPopoverWindowController::onSelectAccuracy(KTAbstractButton *sender)
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    m_prevAccuracyLevel = m_accuracyLevel;
    watchProgressSheet();
    if (auto *delegate = m_delegate.get())
        delegate->accuracyWindowControllerDidSelectAccuracyLevel(unsigned(sender->tag()));
    closePopover();
}

void KTAccuracyPopoverWindowController::onShowSearchSettings()
{
    if (auto *delegate = m_delegate.get())
        delegate->accuracyWindowControllerWantsToShowExpertSettings();
    closePopover();
}

void KTAccuracyPopoverWindowController::progressDidCancel()
{
    setAccuracyLevel(m_prevAccuracyLevel);
    if (auto *delegate = m_delegate.get())
        delegate->accuracyWindowControllerDidCancelWithPreviousAccuracyLevel(m_prevAccuracyLevel);
}
