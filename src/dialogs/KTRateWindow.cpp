#include "KTRateWindow.h"

#include "KTColor.h"
#include "KTCommon.h"
#include "KTDialogPictures.h"
#include "KTFont.h"
#include "KTModalWindowController.h"
#include "KTPictureView.h"
#include "KTSButton.h"
#include "KTUserDefaults.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QThread>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr qint64 kOfferedAtClose = 3;

QLabel *text(const QString &string, const QFont &font, const QColor &colour, QWidget *parent)
{
    auto *label = new QLabel(string, parent);
    label->setFont(font);
    label->setWordWrap(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

} // namespace

KTRateWindow::KTRateWindow(QWidget *parent) : KTTopBarLessWindow(parent)
{
    KTDialogPictures::registerPictures();
    setWindowTitle(tr("Rate Vireoscope"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(20, 20, 20, 16);
    row->setSpacing(16);
    auto *icon = new KTPictureView(this);
    icon->setFixedSize(64, 64);
    icon->setImageName(KTDialogPictures::kApplicationIcon);
    row->addWidget(icon, 0, Qt::AlignTop);

    auto *column = new QVBoxLayout;
    column->setSpacing(8);
    column->addWidget(text(tr("Enjoying Vireoscope?"), ktTitleFont(), KTPalette::kText, this));
    m_thanksForUsingTextField = text(
        tr("Thank you for using Vireoscope! If it makes your culling faster, please take a minute to rate "
           "it. A review helps other photographers find it."),
        ktBodyFont(), KTPalette::kSecondaryText, this);
    m_thanksForUsingTextField->setText(
        KTCommon::stringWithCorrectAppNameFromString(m_thanksForUsingTextField->text()));
    m_thanksForUsingTextField->setFixedWidth(300);
    column->addWidget(m_thanksForUsingTextField);
    column->addSpacing(8);

    m_cancelButton = new KTSButton(tr("No, Thanks"), this);
    m_reviewButton = new KTSButton(tr("Rate Vireoscope"), this);
    for (KTSButton *button : {m_cancelButton.data(), m_reviewButton.data()}) {
        button->setFocusPolicy(Qt::StrongFocus);
        button->setFixedSize(std::max(112, button->sizeHint().width()), 24);
    }
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addStretch(1);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_reviewButton);
    column->addLayout(buttons);
    row->addLayout(column);
    connect(m_reviewButton, &KTControl::clicked, this, &KTRateWindow::review);
    connect(m_cancelButton, &KTControl::clicked, this, &KTRateWindow::cancel);
    m_reviewButton->setFocus();
    adjustSize();
    setFixedSize(sizeHint());
}

KTRateWindow::~KTRateWindow() = default;

void KTRateWindow::runWindowIfNeeded(QWidget *parent)
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    KTUserDefaults &defaults = KTUserDefaults::standardUserDefaults();
    const qint64 count = defaults.integerForKey(kRateWindowShareCountKey) + 1;
    defaults.setInteger(count, kRateWindowShareCountKey);
    defaults.synchronize();
    if (count != kOfferedAtClose)
        return;
    const QUrl storePage(defaults.stringForKey(kKTRateStorePageKey).trimmed());
    if (!storePage.isValid() || storePage.isEmpty())
        return;
    if (runWindow(parent))
        QDesktopServices::openUrl(storePage);
}

bool KTRateWindow::runWindow(QWidget *parent)
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    KTModalWindowController controller(new KTRateWindow(parent));
    return controller.runModal() == 1;
}

void KTRateWindow::review()
{
    done(1);
}

void KTRateWindow::cancel()
{
    done(0);
}

void KTRateWindow::keyPressEvent(QKeyEvent *event)
{
    // Return answers the focused button; the review button has the focus at first.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (focusWidget() == m_cancelButton)
            cancel();
        else
            review();
        return;
    }
    KTTopBarLessWindow::keyPressEvent(event);
}
