#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QWidget;

/// What an open panel offers the user.
struct KTOpenPanelOptions
{
    /// The panel's title and the title of its accept button (empty: the toolkit's own).
    QString title;
    QString prompt;
    /// The folder the panel shows first.
    QString directory;
    bool canChooseFiles = true;
    bool canChooseDirectories = false;
    bool allowsMultipleSelection = false;
    /// Folders with one of these extensions (without the dot, any case) are chosen like files
    /// rather than entered: libraries that are folders on disk.
    QStringList packageExtensions;
    /// The file-type choices of the panel, as "Name (*.a *.b)", the first one chosen; empty: all
    /// files.
    QStringList nameFilters;
    /// Decides which items the panel lists (an item it hides cannot be chosen). Empty: all.
    /// Called on the main thread while the panel runs.
    std::function<bool(const QString &path)> shouldEnablePath;
};

/// One panel on screen, from KTOpenPanelPresenter::beginSheet().
class KTOpenPanel
{
public:
    virtual ~KTOpenPanel() = default;
    /// Closes the panel without an answer: its completion never runs. Nothing once it has
    /// answered. Destroying the handle does not close the panel.
    virtual void cancel() = 0;
};

/// Shows open panels. Replaceable, so that tests can script the user's choice, as
/// KTAlertPresenter does for alerts.
///
/// Threading: main thread only.
class KTOpenPanelPresenter
{
public:
    /// The chosen paths, or an empty list when the user cancelled.
    using Completion = std::function<void(const QStringList &paths)>;

    virtual ~KTOpenPanelPresenter() = default;

    /// Shows a panel modal to `window` (a sheet where the desktop has them) and returns at once.
    /// `completion` runs once, on the main thread and never inside this call, when the user
    /// answers; not at all when the panel is cancelled through the handle.
    virtual std::shared_ptr<KTOpenPanel> beginSheet(QWidget *window, const KTOpenPanelOptions &options,
                                                    Completion completion) = 0;

    /// The presenter in use: the toolkit's own (non-native) file dialog unless one was installed.
    static KTOpenPanelPresenter &shared();
    /// Installs `presenter` (null restores the file dialog); returns the previous one.
    static std::shared_ptr<KTOpenPanelPresenter> install(std::shared_ptr<KTOpenPanelPresenter> presenter);
};
