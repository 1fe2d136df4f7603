#pragma once

#include <QCoreApplication>
#include <QString>
#include <QUrl>

/// The help page shipped with the program (the keys, the modes, where things live), opened in the
/// desktop's browser. An installed program finds it beside itself, in share/vireoscope/help.html
/// of its prefix; a program run from its build tree finds the build tree's copy.
///
/// Threading: main thread only.
class KTHelpPage
{
    Q_DECLARE_TR_FUNCTIONS(KTHelpPage)

public:
    /// The page's path relative to the folder of the program's prefix.
    static inline const QString kInstalledPath = QStringLiteral("share/vireoscope/help.html");

    /// The page for a program in `programFolder`: the installed one beside it, else the build
    /// tree's; empty when neither is there.
    static QString pathForProgramFolder(const QString &programFolder);
    /// The page of this program (pathForProgramFolder of its folder), as a file URL; empty when
    /// the page is not there.
    static QUrl url();
    /// Opens the page in the desktop's browser. Without a page, or when the desktop opens nothing,
    /// an alert says so; returns whether the page was opened.
    static bool open();
};
