#pragma once

#include <QWidget>

class KTAbstractButton;
class KTDropView;
class KTSButton;
class KTSourcesTableView;
class QLabel;

/// The view of the sources window: the product's name and subtitle, the "Sources" heading over
/// the drop area that holds the sources table (with the no-sources hint inside it), the Add
/// Folder, Add Catalog, Recent Catalogs and Start buttons, Help and Close at the top right, and
/// the version and copyright at the bottom. It holds no state of its own: the window controller
/// fills and drives it.
///
/// It is a frameless window of its own; made with the main window as parent it stays above it (a
/// transient window for the window manager), and the main window gives it its frame. Keys: Return starts,
/// Escape closes, Ctrl+O adds folders, Ctrl+Shift+O adds a catalogue, Ctrl+R opens the recent catalogues, F1
/// asks for help (each only while its button is on); the table deletes the selected sources with Delete and
/// Backspace (with or without Ctrl).
///
/// Threading: main thread only.
class KTImageSourcesWindow : public QWidget
{
    Q_OBJECT
public:
    explicit KTImageSourcesWindow(QWidget *parent = nullptr);
    ~KTImageSourcesWindow() override;

    KTSourcesTableView *tableView() const { return m_tableView; }
    KTDropView *dropView() const { return m_dropView; }
    QLabel *versionTextField() const { return m_versionTextField; }
    QLabel *applicationDescriptionTextField() const { return m_applicationDescriptionTextField; }
    QLabel *copyrightTextField() const { return m_copyrightTextField; }
    QLabel *sourcesTextField() const { return m_sourcesTextField; }
    QLabel *noSourcesTextField() const { return m_noSourcesTextField; }
    KTAbstractButton *closeButton() const { return m_closeButton; }
    KTAbstractButton *helpButton() const { return m_helpButton; }
    KTSButton *startSessionButton() const { return m_startSessionButton; }
    KTSButton *addFolderButton() const { return m_addFolderButton; }
    KTSButton *addCatalogButton() const { return m_addCatalogButton; }
    KTSButton *openRecentCatalogButton() const { return m_openRecentCatalogButton; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    KTSourcesTableView *m_tableView;
    KTDropView *m_dropView;
    QLabel *m_versionTextField;
    QLabel *m_applicationDescriptionTextField;
    QLabel *m_copyrightTextField;
    QLabel *m_sourcesTextField;
    QLabel *m_noSourcesTextField;
    KTAbstractButton *m_closeButton;
    KTAbstractButton *m_helpButton;
    KTSButton *m_startSessionButton;
    KTSButton *m_addFolderButton;
    KTSButton *m_addCatalogButton;
    KTSButton *m_openRecentCatalogButton;
};
