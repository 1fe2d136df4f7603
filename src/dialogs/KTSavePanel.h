#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QWidget;

/// What a save panel asks.
struct KTSavePanelOptions
{
    QString title;
    /// The file name the panel proposes.
    QString suggestedName;
    /// The suffix added to a name typed without one ("plist").
    QString defaultSuffix;
    /// Filters such as "Settings (*.plist)"; every file is offered too.
    QStringList nameFilters;
};

/// Shows save panels, the counterpart of KTOpenPanelPresenter. Replaceable, so that tests answer
/// the panels.
///
/// Threading: main thread only.
class KTSavePanelPresenter
{
public:
    /// The chosen path, or an empty string when the user cancelled.
    using Completion = std::function<void(const QString &path)>;

    virtual ~KTSavePanelPresenter() = default;
    /// Shows a panel modal to `window` and returns at once; `completion` runs once, later, on the
    /// main thread.
    virtual void beginSheet(QWidget *window, const KTSavePanelOptions &options, Completion completion) = 0;

    /// The presenter in use: the toolkit's file dialog unless one was installed.
    static KTSavePanelPresenter &shared();
    /// Installs `presenter` (null restores the file dialog); returns the previous one.
    static std::shared_ptr<KTSavePanelPresenter> install(std::shared_ptr<KTSavePanelPresenter> presenter);
};
