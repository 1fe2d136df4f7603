#pragma once

#include <QString>
#include <QStringList>

#include <memory>

/// A question or message for the user, with fixed wording and fixed buttons.
struct KTAlert
{
    enum class Style { Warning, Informational, Critical };

    /// How buttons answer. Classic alerts (two or three buttons) answer 1 for the first (default)
    /// button, 0 for the second (alternate) and -1 for the third (other); alerts built by adding
    /// buttons answer 1000, 1001, 1002... in the order of the buttons.
    enum class ButtonCodes { Classic, Added };

    static constexpr int kDefaultReturn = 1;
    static constexpr int kAlternateReturn = 0;
    static constexpr int kOtherReturn = -1;
    static constexpr int kFirstButtonReturn = 1000;

    QString messageText;
    QString informativeText;
    QStringList buttons;
    ButtonCodes buttonCodes = ButtonCodes::Added;
    Style style = Style::Warning;
    /// Shows an "apply to all" check box under the text.
    bool showsSuppressionButton = false;
    QString suppressionButtonTitle;

    /// The code that the button at `index` answers.
    int returnCodeForButton(int index) const;

    /// An alert with these texts and buttons, answering by `codes`.
    static KTAlert withButtons(const QString &message, const QString &informative, const QStringList &buttons,
                               ButtonCodes codes = ButtonCodes::Added);
    /// Shows the alert through the shared presenter and answers the code of the button chosen.
    int run() const;
};

/// What the user answered.
struct KTAlertResponse
{
    int returnCode = 0;
    /// The state of the check box, when the alert had one.
    bool suppressionChecked = false;
};

/// Shows alerts. Replaceable, so that tests can script the user's answers.
///
/// Threading: main thread only; a background job asks through runOnMainSync.
class KTAlertPresenter
{
public:
    virtual ~KTAlertPresenter() = default;
    virtual KTAlertResponse runModal(const KTAlert &alert) = 0;

    /// The presenter in use: a modal message box unless one was installed. Its button titles
    /// are shown as written: an ampersand is no access-key mark.
    static KTAlertPresenter &shared();
    /// Installs `presenter` (null restores the message box); returns the previous one.
    static std::shared_ptr<KTAlertPresenter> install(std::shared_ptr<KTAlertPresenter> presenter);
};
