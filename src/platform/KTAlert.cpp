#include "KTAlert.h"

#include "KTDispatch.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>

#include <mutex>
#include <utility>

int KTAlert::returnCodeForButton(int index) const
{
    if (buttonCodes == ButtonCodes::Classic) {
        static constexpr int kClassic[] = {kDefaultReturn, kAlternateReturn, kOtherReturn};
        return index >= 0 && index < 3 ? kClassic[index] : kOtherReturn;
    }
    return kFirstButtonReturn + index;
}

KTAlert KTAlert::withButtons(const QString &message, const QString &informative, const QStringList &buttons,
                             ButtonCodes codes)
{
    KTAlert alert;
    alert.messageText = message;
    alert.informativeText = informative;
    alert.buttons = buttons;
    alert.buttonCodes = codes;
    return alert;
}

int KTAlert::run() const
{
    return KTAlertPresenter::shared().runModal(*this).returnCode;
}

namespace {

/// A button title as a text with mnemonics: our titles name no access key, so an ampersand in
/// one ("Trash & Proceed") is shown as it is written.
QString literalButtonTitle(const QString &title)
{
    QString escaped = title;
    return escaped.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

class KTMessageBoxPresenter : public KTAlertPresenter
{
public:
    KTAlertResponse runModal(const KTAlert &alert) override
    {
        Q_ASSERT(isMainThread());
        QMessageBox box(QApplication::activeWindow());
        switch (alert.style) {
        case KTAlert::Style::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case KTAlert::Style::Informational:
            box.setIcon(QMessageBox::Information);
            break;
        case KTAlert::Style::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        }
        box.setText(alert.messageText);
        box.setInformativeText(alert.informativeText);
        QList<QAbstractButton *> buttons;
        const QStringList titles = alert.buttons.isEmpty() ? QStringList{QObject::tr("OK")} : alert.buttons;
        for (const QString &title : titles)
            buttons.append(box.addButton(literalButtonTitle(title), QMessageBox::ActionRole));
        box.setDefaultButton(qobject_cast<QPushButton *>(buttons.first()));
        QCheckBox *check = nullptr;
        if (alert.showsSuppressionButton) {
            check = new QCheckBox(literalButtonTitle(alert.suppressionButtonTitle.isEmpty()
                                                         ? QObject::tr("Apply to all")
                                                         : alert.suppressionButtonTitle));
            box.setCheckBox(check);
        }
        box.exec();
        const int index = int(buttons.indexOf(box.clickedButton()));
        return {alert.returnCodeForButton(index < 0 ? 0 : index), check && check->isChecked()};
    }
};

std::mutex s_mutex;
std::shared_ptr<KTAlertPresenter> s_installed;

} // namespace

KTAlertPresenter &KTAlertPresenter::shared()
{
    static KTMessageBoxPresenter messageBox;
    std::lock_guard lock(s_mutex);
    return s_installed ? *s_installed : messageBox;
}

std::shared_ptr<KTAlertPresenter> KTAlertPresenter::install(std::shared_ptr<KTAlertPresenter> presenter)
{
    std::lock_guard lock(s_mutex);
    return std::exchange(s_installed, std::move(presenter));
}
