#include "KTTimeRangePopoverWindowController.h"

#include "KTAbstractButton.h"
#include "KTColor.h"
#include "KTDialogControls.h"
#include "KTFont.h"
#include "KTNamedImages.h"
#include "KTSegmentedTimeRangeView.h"

#include <QApplication>
#include <QLabel>
#include <QThread>
#include <QVBoxLayout>

#include <cmath>

namespace {

const QString kInfinityIcon = QStringLiteral("infinity");
const QString kInfinityIconPushed = QStringLiteral("infinity_on");
constexpr int kRangeButtonWidth = 60;

} // namespace

QList<double> KTTimeRangePopoverWindowController::defaultTimeRanges()
{
    return {2, 10, 60, 600, 1200, 0};
}

QStringList KTTimeRangePopoverWindowController::defaultTimeRangesStrings()
{
    return {tr("2 sec"), tr("10 sec"), tr("1 min"), tr("10 min"), tr("20 min"), QString()};
}

KTTimeRangePopoverWindowController::KTTimeRangePopoverWindowController(QWidget *parent)
    : KTTimeRangePopoverWindowController(defaultTimeRanges(), defaultTimeRangesStrings(), parent)
{}

KTTimeRangePopoverWindowController::KTTimeRangePopoverWindowController(const QList<double> &timeRanges,
                                                                       const QStringList &strings,
                                                                       QWidget *parent)
    : KTPopoverWindowController(parent)
{
    const qsizetype count = std::min(timeRanges.size(), strings.size());
    m_timeRanges = timeRanges.mid(0, count);
    m_timeRangesStrings = strings.mid(0, count);
    m_buttonsContainer = new KTSegmentedTimeRangeView(this);
    m_descriptionLabel = ktDialogLabel(QString(), ktSmallFont(), KTPalette::kSecondaryText, this);
    m_descriptionLabel->setWordWrap(true);
    m_descriptionLabel->hide();

    // The first selection comes before the buttons exist, so none shows pushed yet.
    setTimeRange(0.0);
    m_buttonsContainer->setButtonTitles(m_timeRangesStrings, this,
                                        [this](KTAbstractButton *button) { onChangeTimeRange(button); });
    if (!m_timeRangesStrings.isEmpty() && m_timeRangesStrings.last().isEmpty())
        m_buttonsContainer->setIconWithName(kInfinityIcon, int(m_timeRangesStrings.size()) - 1);
    for (KTAbstractButton *button : m_buttonsContainer->buttons()) {
        // The selection, not a click, decides which button shows pushed.
        button->setBehavior(KTAbstractButton::Momentary);
        button->setFocusPolicy(Qt::StrongFocus);
    }
    const int rowWidth = kRangeButtonWidth * int(std::max<qsizetype>(count, 1));
    m_buttonsContainer->setFixedSize(rowWidth, 22);
    m_descriptionLabel->setFixedWidth(rowWidth);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(12, 10, 12, 12);
    column->setSpacing(8);
    column->addWidget(ktSectionCaption(tr("Time range"), this));
    column->addWidget(m_buttonsContainer);
    column->addWidget(m_descriptionLabel);
    column->setSizeConstraint(QLayout::SetFixedSize);
}

KTTimeRangePopoverWindowController::~KTTimeRangePopoverWindowController() = default;

double KTTimeRangePopoverWindowController::timeRange() const
{
    if (m_timeRangeIndex < 0 || m_timeRangeIndex >= m_timeRanges.size())
        return 0.0;
    return m_timeRanges[m_timeRangeIndex];
}

QString KTTimeRangePopoverWindowController::timeRangeString() const
{
    if (m_timeRangeIndex < 0 || m_timeRangeIndex >= m_timeRangesStrings.size())
        return {};
    return m_timeRangesStrings[m_timeRangeIndex];
}

void KTTimeRangePopoverWindowController::setTimeRange(double seconds)
{
    int nearest = 0;
    double nearestDistance = 0.0;
    for (int i = 0; i < m_timeRanges.size(); ++i) {
        const double distance = std::abs(m_timeRanges[i] - seconds);
        // Strictly nearer only: a tie goes to the first.
        if (i == 0 || distance < nearestDistance) {
            nearest = i;
            nearestDistance = distance;
        }
    }
    m_timeRangeIndex = nearest;
    pushSelectedButton();
    if (auto *delegate = m_delegate.get())
        delegate->timeRangeDidChange(this);
}

void KTTimeRangePopoverWindowController::pushSelectedButton()
{
    for (KTAbstractButton *button :
         m_buttonsContainer ? m_buttonsContainer->buttons() : QList<KTAbstractButton *>())
        button->setPushed(button->tag() == m_timeRangeIndex);
}

QImage KTTimeRangePopoverWindowController::timeRangeIcon() const
{
    return timeRange() <= 0.0 ? KTNamedImages::shared().image(kInfinityIcon, devicePixelRatioF()) : QImage();
}

QImage KTTimeRangePopoverWindowController::pushedTimeRangeIcon() const
{
    return timeRange() <= 0.0 ? KTNamedImages::shared().image(kInfinityIconPushed, devicePixelRatioF())
                              : QImage();
}

QString KTTimeRangePopoverWindowController::descriptionString() const
{
    return m_descriptionLabel->text();
}

void KTTimeRangePopoverWindowController::setDescriptionString(const QString &description)
{
    m_descriptionLabel->setText(description);
    m_descriptionLabel->setVisible(!description.isEmpty());
}

void KTTimeRangePopoverWindowController::onChangeTimeRange(KTAbstractButton *sender)
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    m_prevTimeRange = timeRange();
    watchProgressSheet();
    m_timeRangeIndex = sender->tag();
    pushSelectedButton();
    if (auto *delegate = m_delegate.get()) {
        delegate->timeRangeDidChange(this);
        // The first call may have let the delegate go.
        if (auto *still = m_delegate.get())
            still->timeRangePopoverDidDone(this);
    }
    closePopover();
}

void KTTimeRangePopoverWindowController::progressDidCancel()
{
    setTimeRange(m_prevTimeRange);
}
