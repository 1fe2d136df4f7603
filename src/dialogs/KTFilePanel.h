#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QWidget;

/// What a save or open panel asks.
struct KTFilePanelRequest
{
    enum class Kind
    {
        Save,
        Open
    };

    Kind kind = Kind::Open;
    QString title;
    /// The file name a save panel proposes.
    QString suggestedName;
    /// The suffix a save panel adds to a name typed without one ("plist").
    QString defaultSuffix;
    /// Filters such as "Settings (*.plist)"; every file is offered too.
    QStringList nameFilters;
};

/// Runs save and open panels as sheets on a window, without blocking: begin() returns at once and
/// the completion runs later, exactly once, with the chosen path, or an empty string when the user
/// cancelled. Replaceable, so that tests answer the panels.
///
/// Threading: main thread only.
class KTFilePanelPresenter
{
public:
    using Completion = std::function<void(const QString &path)>;

    virtual ~KTFilePanelPresenter() = default;
    /// Shows the panel of `request` on `window` (window-modal); one file, never a folder.
    virtual void begin(QWidget *window, const KTFilePanelRequest &request, Completion completion) = 0;

    /// The presenter in use: the desktop's file dialog unless one was installed.
    static KTFilePanelPresenter &shared();
    /// Installs `presenter` (null restores the file dialog); returns the previous one.
    static std::shared_ptr<KTFilePanelPresenter> install(std::shared_ptr<KTFilePanelPresenter> presenter);
};
