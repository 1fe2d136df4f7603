#include "KTPreferencesWindowController.h"

#include "KTAbstractButton.h"
#include "KTColor.h"
#include "KTDialogControls.h"
#include "KTExternalImagesManager.h"
#include "KTFont.h"
#include "KTImageStorage.h"
#include "KTSegmentedTimeRangeView.h"
#include "KTUserDefaults.h"

#include <QCheckBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QVBoxLayout>

KTPreferencesWindowController::KTPreferencesWindowController(KTImageStorage *storage,
                                                             KTUserDefaults &defaults, QObject *parent)
    : KTModalWindowController(nullptr, parent), m_storage(storage), m_defaults(defaults)
{
    buildInterface();
    commonInit();
}

KTPreferencesWindowController::KTPreferencesWindowController(QObject *parent)
    : KTPreferencesWindowController(nullptr, KTUserDefaults::standardUserDefaults(), parent)
{}

KTPreferencesWindowController::~KTPreferencesWindowController() = default;

void KTPreferencesWindowController::buildInterface()
{
    QDialog *panel = window();
    panel->setWindowTitle(tr("Preferences"));
    m_picksButton = ktCheckBox(tr("Write picks to the catalogue as flags"), panel);
    m_rejectsButton = ktCheckBox(tr("Write rejects to the catalogue"), panel);
    connect(m_picksButton, &QCheckBox::clicked, this,
            &KTPreferencesWindowController::changeLightroomSyncPicksOption);
    connect(m_rejectsButton, &QCheckBox::clicked, this,
            &KTPreferencesWindowController::changeLightroomSyncRejectsOption);
    m_segments = new KTSegmentedTimeRangeView(panel);
    m_segments->setButtonTitles({tr("Separate files"), tr("One image")}, this,
                                [this](KTAbstractButton *button) { selectSegment(button->tag()); });
    for (KTAbstractButton *button : m_segments->buttons()) {
        // The selection, not a click, decides which segment shows pushed.
        button->setBehavior(KTAbstractButton::Momentary);
        button->setFocusPolicy(Qt::StrongFocus);
    }
    m_segments->setFixedSize(240, 22);
    m_doneButton = ktPushButton(tr("Done"), panel);
    connect(m_doneButton, &KTControl::clicked, panel, &QDialog::accept);

    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(24, 20, 24, 18);
    column->setSpacing(8);
    column->addWidget(ktDialogLabel(tr("Preferences"), ktTitleFont(), KTPalette::kText, panel));
    column->addSpacing(6);
    column->addWidget(ktSectionCaption(tr("Lightroom catalogues"), panel));
    column->addWidget(m_picksButton);
    column->addWidget(m_rejectsButton);
    column->addSpacing(10);
    column->addWidget(ktSectionCaption(tr("RAW and JPEG of the same shot"), panel));
    column->addWidget(m_segments);
    auto *note = ktDialogLabel(tr("Applies to images loaded from now on."), ktSmallFont(),
                               KTPalette::kSecondaryText, panel);
    column->addWidget(note);
    column->addSpacing(12);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_doneButton);
    column->addLayout(buttons);
    panel->setFixedSize(panel->sizeHint().expandedTo(QSize(360, 0)));
}

void KTPreferencesWindowController::commonInit()
{
    showSegment(m_defaults.boolForKey(KTImageStorage::kShowRAWandJPEGAsOneFileOptionKey)
                    ? kOneImageSegment
                    : kSeparateFilesSegment);
    m_picksButton->setChecked(m_defaults.boolForKey(kLightroomSyncOptionPicksKey));
    m_rejectsButton->setChecked(m_defaults.boolForKey(kLightroomSyncOptionRejectsKey));
}

void KTPreferencesWindowController::saveOptions()
{
    m_defaults.setBool(m_picksButton->isChecked(), kLightroomSyncOptionPicksKey);
    m_defaults.setBool(m_rejectsButton->isChecked(), kLightroomSyncOptionRejectsKey);
    m_defaults.setBool(m_selectedSegment == kOneImageSegment,
                       KTImageStorage::kShowRAWandJPEGAsOneFileOptionKey);
    m_defaults.synchronize();
}

void KTPreferencesWindowController::changeShowRAWandJPEGOption()
{
    saveOptions();
    KTImageStorage *storage = m_storage ? m_storage.data() : KTImageStorage::sharedStorage();
    storage->setShowsRawAndJPEGAsOneFile(m_selectedSegment == kOneImageSegment);
}

void KTPreferencesWindowController::changeLightroomSyncPicksOption()
{
    saveOptions();
}

void KTPreferencesWindowController::changeLightroomSyncRejectsOption()
{
    saveOptions();
}

void KTPreferencesWindowController::selectSegment(int segment)
{
    showSegment(segment);
    changeShowRAWandJPEGOption();
}

void KTPreferencesWindowController::showSegment(int segment)
{
    m_selectedSegment = segment == kOneImageSegment ? kOneImageSegment : kSeparateFilesSegment;
    for (KTAbstractButton *button : m_segments->buttons())
        button->setPushed(button->tag() == m_selectedSegment);
}
