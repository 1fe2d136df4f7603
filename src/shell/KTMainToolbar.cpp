#include "KTMainToolbar.h"

#include "KTAbstractButton.h"
#include "KTAbstractProgressIndicator.h"
#include "KTButtonRendering.h"
#include "KTColor.h"
#include "KTFont.h"
#include "KTModeButton.h"

#include <QHBoxLayout>

namespace {

constexpr int kButtonHeight = 28;
constexpr int kModeButtonHeight = 30;

/// A round toolbar button with a pictogram and an optional title.
KTAbstractButton *roundButton(const QString &pictogram, const QString &title, const QString &toolTip,
                              QWidget *parent)
{
    auto *button = new KTAbstractButton(title, parent);
    button->setNormalStateThreeImageName(QStringLiteral("round_btn"));
    button->setPushedStateThreeImageName(QStringLiteral("round_btn_on"));
    button->setPictogramName(pictogram);
    if (title.isEmpty())
        button->setPictogramPosition(KTAbstractButton::PictogramCentered);
    button->setBehavior(KTAbstractButton::Momentary);
    button->setToolTip(toolTip);
    const QSize hint = button->sizeHint();
    button->setFixedSize(title.isEmpty() ? kButtonHeight + 6 : hint.width() + 12, kButtonHeight);
    return button;
}

KTModeButton *modeButton(const QString &title, const QString &toolTip, QWidget *parent)
{
    auto *button = new KTModeButton(parent);
    button->setUsesThreePartImage(true);
    button->setButtonType(KTButton::Toggle);
    button->setTitle(title);
    button->setAlternateTitle(title);
    // Centred titles, the on state in the accent colour.
    button->setTitleLayout(3);
    button->setAlternateTitleLayout(3);
    button->setTitleColor(KTPalette::kText);
    button->setAlternateTitleColor(KTPalette::kAccent);
    button->setFont(ktBodyFont());
    button->setToolTip(toolTip);
    // The badge sits at the right edge and the title in the middle: room on both sides for the
    // widest badge ("999+"), so that neither covers the other.
    const QFontMetricsF metrics(ktBodyFont());
    const double badge = badgeSize(QStringLiteral("999+")).width() + 6;
    button->resize(int(std::ceil(metrics.horizontalAdvance(title) + 2 * badge)), kModeButtonHeight);
    button->setFixedSize(button->size());
    button->initialize();
    return button;
}

} // namespace

KTMainToolbar::KTMainToolbar(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(12, 0, 12, 0);
    outer->setSpacing(0);

    m_newSessionButton = roundButton(QStringLiteral("new_session"), tr("New Session"),
                                     tr("Choose the folders or the catalogue of a new session"), this);
    outer->addWidget(m_newSessionButton);
    outer->addSpacing(22);
    // Everything but New Session, so the sources window can turn the session's controls off and
    // leave the way back to itself on.
    m_sessionControls = new QWidget(this);
    outer->addWidget(m_sessionControls, 1);
    QWidget *area = m_sessionControls;
    auto *row = new QHBoxLayout(area);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    m_undoButton = roundButton(QStringLiteral("undo"), {}, tr("Undo"), area);
    m_redoButton = roundButton(QStringLiteral("redo"), {}, tr("Redo"), area);
    row->addWidget(m_undoButton);
    row->addWidget(m_redoButton);
    row->addStretch(1);

    m_duplicatesModeButton = modeButton(tr("Similar"), tr("Similar groups (S)"), area);
    m_allImagesModeButton = modeButton(tr("Timeline"), tr("Every image by shooting time (T)"), area);
    m_resultModeButton = modeButton(tr("Remaining"), tr("Images neither picked nor rejected"), area);
    m_favoritesModeButton = modeButton(tr("Picks"), tr("Picked images (P)"), area);
    m_trashModeButton = modeButton(tr("Rejects"), tr("Rejected images (J)"), area);
    m_resultModeButton->hide();
    for (KTModeButton *button :
         {m_duplicatesModeButton.data(), m_allImagesModeButton.data(), m_resultModeButton.data(),
          m_favoritesModeButton.data(), m_trashModeButton.data()})
        row->addWidget(button);
    row->addStretch(1);

    m_spinner = new KTAbstractProgressIndicator(area);
    m_spinner->setIndeterminate(true);
    m_spinner->setDisplayedWhenStopped(false);
    m_spinner->setColor(KTPalette::kText);
    m_spinner->setFixedSize(18, 18);
    row->addWidget(m_spinner);

    m_showPixelsButton = roundButton({}, tr("Clipping"), tr("Show clipped exposure"), area);
    m_showFocusMaskButton = roundButton({}, tr("Focus"), tr("Show the focus mask"), area);
    m_syncExternalImagesButton =
        roundButton({}, tr("Sync"), tr("Write picks and rejects to the catalogue"), area);
    m_focusRegionsButton = roundButton({}, tr("Regions"), tr("Show the focused regions"), area);
    m_focusPointLatticeButton = roundButton({}, tr("AF Points"), tr("Show the autofocus points"), area);
    for (KTAbstractButton *button :
         {m_showPixelsButton.data(), m_showFocusMaskButton.data(), m_syncExternalImagesButton.data(),
          m_focusRegionsButton.data(), m_focusPointLatticeButton.data()}) {
        button->hide();
        row->addWidget(button);
    }

    m_showExifButton =
        roundButton(QStringLiteral("exif_panel"), {}, tr("Show the EXIF panel (Ctrl+I)"), area);
    m_showExifButton->setPushedPictogramName(QStringLiteral("exif_panel_on"));
    // A click turns it over; the mode on screen reads the new state.
    m_showExifButton->setBehavior(KTAbstractButton::Toggle);
    row->addWidget(m_showExifButton);
}

KTMainToolbar::~KTMainToolbar() = default;
