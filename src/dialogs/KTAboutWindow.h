#pragma once

#include "KTOverlayWindow.h"
#include "KTPictureView.h"

#include <QLabel>
#include <QPointer>
#include <QStringList>

/// The about window: the application's icon and name, its version and build, and the libraries
/// it is built on with their licences. The main window's About command opens it with
/// KTAboutWindow::presentOver(mainWindow); Escape, Return or Close closes it.
///
/// Threading: main thread only; presentOver() runs a nested modal event loop.
class KTAboutWindow : public KTOverlayWindow
{
    Q_OBJECT
public:
    /// The window for the version and build of this program.
    explicit KTAboutWindow(QWidget *parent = nullptr);
    /// The window for another version and build (tests).
    KTAboutWindow(const QString &shortVersion, const QString &buildNumber, QWidget *parent = nullptr);
    ~KTAboutWindow() override;

    /// Shows a new about window centred over `parent`'s window; returns when it has been closed.
    static void presentOver(QWidget *parent);

    /// The version (QCoreApplication's when set, else the project's) and the build number.
    static QString shortVersionString();
    static QString buildNumberString();
    /// The libraries the program ships on, each with its licence, in no particular order.
    static QStringList credits();
    /// `names` sorted without regard to case, joined with ", ".
    static QString creditsText(QStringList names);

    QLabel *logoTextField() const { return m_logoTextField; }
    QLabel *versionLabel() const { return m_versionLabel; }
    QLabel *buildNumberLabel() const { return m_buildNumberLabel; }
    KTPictureView *iconImageView() const { return m_iconImageView; }
    QLabel *namesTextView() const { return m_namesTextView; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QPointer<QLabel> m_logoTextField;
    QPointer<QLabel> m_versionLabel;
    QPointer<QLabel> m_buildNumberLabel;
    QPointer<KTPictureView> m_iconImageView;
    QPointer<QLabel> m_namesTextView;
};
