#pragma once

#include "KTSButton.h"
#include "KTTopBarLessWindow.h"

#include <QLabel>
#include <QPointer>

/// The user-defaults key counting the closes of the main window.
inline const QString kRateWindowShareCountKey = QStringLiteral("VireoscopeRateWindowShareCount");
/// The user-defaults key of the address of the product's page in the software store; while it is
/// empty (the default) the prompt is never offered.
inline const QString kKTRateStorePageKey = QStringLiteral("KTRateStorePage");

/// Asks the user, once, to review the application in the software store: offered at the third
/// close of the main window.
///
/// Threading: main thread only; runWindow() runs a nested modal event loop.
class KTRateWindow : public KTTopBarLessWindow
{
    Q_OBJECT
public:
    explicit KTRateWindow(QWidget *parent = nullptr);
    ~KTRateWindow() override;

    /// Counts one close of the main window (stored and written at once); at exactly the third,
    /// runs the window and, when the user chose to review, opens the store page. Later closes
    /// count on without showing anything.
    static void runWindowIfNeeded(QWidget *parent = nullptr);
    /// Runs a new rate window modally; true when the user chose to review.
    static bool runWindow(QWidget *parent = nullptr);

    /// Ends the modal session with 1 (review) / 0 (cancel).
    void review();
    void cancel();

    QLabel *thanksForUsingTextField() const { return m_thanksForUsingTextField; }
    KTSButton *reviewButton() const { return m_reviewButton; }
    KTSButton *cancelButton() const { return m_cancelButton; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QPointer<QLabel> m_thanksForUsingTextField;
    QPointer<KTSButton> m_reviewButton;
    QPointer<KTSButton> m_cancelButton;
};
