#include "KTAboutWindow.h"

#include "KTColor.h"
#include "KTDialogPictures.h"
#include "KTFont.h"
#include "KTSButton.h"
#include "ServiceUtils.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>

#ifndef VS_VERSION
#define VS_VERSION "0"
#endif
#ifndef VS_BUILD_NUMBER
#define VS_BUILD_NUMBER "0"
#endif

namespace {

constexpr int kWidth = 420;

QLabel *label(const QFont &font, const QColor &colour, QWidget *parent)
{
    auto *result = new QLabel(parent);
    result->setFont(font);
    QPalette palette = result->palette();
    palette.setColor(QPalette::WindowText, colour);
    result->setPalette(palette);
    return result;
}

} // namespace

KTAboutWindow::KTAboutWindow(QWidget *parent)
    : KTAboutWindow(shortVersionString(), buildNumberString(), parent)
{}

KTAboutWindow::KTAboutWindow(const QString &shortVersion, const QString &buildNumber, QWidget *parent)
    : KTOverlayWindow(parent)
{
    KTDialogPictures::registerPictures();
    setFixedWidth(kWidth);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(32, 28, 32, 16);
    column->setSpacing(0);

    m_iconImageView = new KTPictureView(this);
    m_iconImageView->setFixedSize(KTDialogPictures::kApplicationIconSize.toSize());
    m_iconImageView->setImageName(KTDialogPictures::kApplicationIcon);
    column->addWidget(m_iconImageView, 0, Qt::AlignHCenter);
    column->addSpacing(12);

    QFont logoFont = ktTitleFont();
    logoFont.setPixelSize(28);
    logoFont.setWeight(QFont::Light);
    m_logoTextField = label(logoFont, KTPalette::kText, this);
    m_logoTextField->setText(ServiceUtils::getApplicationName());
    column->addWidget(m_logoTextField, 0, Qt::AlignHCenter);
    column->addSpacing(4);

    // The build follows the version directly on its line.
    auto *versionRow = new QHBoxLayout;
    versionRow->setSpacing(4);
    m_versionLabel = label(ktBodyFont(), KTPalette::kSecondaryText, this);
    m_versionLabel->setText(tr("Version %1").arg(shortVersion));
    m_versionLabel->setFixedSize(m_versionLabel->sizeHint());
    m_buildNumberLabel = label(ktBodyFont(), KTPalette::kSecondaryText, this);
    m_buildNumberLabel->setText(tr("(Build %1)").arg(buildNumber));
    m_buildNumberLabel->setFixedSize(m_buildNumberLabel->sizeHint());
    versionRow->addStretch(1);
    versionRow->addWidget(m_versionLabel);
    versionRow->addWidget(m_buildNumberLabel);
    versionRow->addStretch(1);
    column->addLayout(versionRow);
    column->addSpacing(20);

    QLabel *builtOn = label(ktSmallFont(), KTPalette::kSecondaryText, this);
    builtOn->setText(tr("Built on"));
    column->addWidget(builtOn, 0, Qt::AlignHCenter);
    column->addSpacing(6);
    m_namesTextView = label(ktBodyFont(), QColor(194, 194, 194), this);
    m_namesTextView->setWordWrap(true);
    m_namesTextView->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_namesTextView->setText(creditsText(credits()));
    m_namesTextView->setFixedWidth(kWidth - 64);
    column->addWidget(m_namesTextView, 0, Qt::AlignHCenter);
    column->addSpacing(24);

    auto *close = new KTSButton(tr("Close"), this);
    close->setFixedSize(88, 24);
    close->setFocusPolicy(Qt::StrongFocus);
    connect(close, &KTControl::clicked, this, &KTOverlayWindow::closeOverlay);
    column->addWidget(close, 0, Qt::AlignRight);
    close->setFocus();

    adjustSize();
    setFixedSize(sizeHint());
}

KTAboutWindow::~KTAboutWindow() = default;

void KTAboutWindow::presentOver(QWidget *parent)
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    KTOverlayWindow::present<KTAboutWindow>(parent);
}

QString KTAboutWindow::shortVersionString()
{
    const QString version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? QStringLiteral(VS_VERSION) : version;
}

QString KTAboutWindow::buildNumberString()
{
    return QStringLiteral(VS_BUILD_NUMBER);
}

QStringList KTAboutWindow::credits()
{
    return {
        tr("Qt (GNU LGPL 3)"),
        tr("LibRaw (GNU LGPL 2.1 or CDDL 1.0)"),
        tr("Exiv2 (GNU GPL 2 or later)"),
        tr("SQLite (public domain)"),
    };
}

QString KTAboutWindow::creditsText(QStringList names)
{
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    return names.join(QStringLiteral(", "));
}

void KTAboutWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        closeOverlay();
        return;
    }
    KTOverlayWindow::keyPressEvent(event);
}
