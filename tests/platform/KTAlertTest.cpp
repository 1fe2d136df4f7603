#include "KTAlert.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

// The message box shows every title as written, an ampersand included (no underlined access key
// in its place), and the button clicked answers its own code.
TEST(KTAlertTest, TheMessageBoxShowsAmpersandsInTitlesAndAnswersTheButtonClicked)
{
    const auto previous = KTAlertPresenter::install(nullptr);
    KTAlert alert;
    alert.messageText = QStringLiteral("There are 2 images in the Rejects.");
    alert.buttons = {QStringLiteral("Trash & Proceed"), QStringLiteral("Don't Trash"),
                     QStringLiteral("Cancel")};
    alert.buttonCodes = KTAlert::ButtonCodes::Classic;
    alert.showsSuppressionButton = true;
    alert.suppressionButtonTitle = QStringLiteral("Flags & all");

    QStringList shown;
    QString checkText;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        QAbstractButton *proceed = nullptr;
        for (QAbstractButton *button : box->buttons()) {
            shown.append(button->text());
            if (button->text().startsWith(QStringLiteral("Trash")))
                proceed = button;
        }
        checkText = box->checkBox() ? box->checkBox()->text() : QString();
        if (proceed)
            proceed->click();
        else
            box->done(0);
    });
    const KTAlertResponse response = KTAlertPresenter::shared().runModal(alert);
    KTAlertPresenter::install(previous);

    shown.sort();
    // "&&" is how a button text says "a literal ampersand".
    EXPECT_EQ(shown, (QStringList{"Cancel", "Don't Trash", "Trash && Proceed"}));
    EXPECT_EQ(checkText, QStringLiteral("Flags && all"));
    EXPECT_EQ(response.returnCode, KTAlert::kDefaultReturn);
}
