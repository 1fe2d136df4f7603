#pragma once

#include "KTPictureView.h"
#include "KTSButton.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QWidget>

#include <functional>

/// The panel the rejects mode shows instead of trashing files when the session's images come
/// from an external catalogue: the program never deletes a catalogue's images itself, so the
/// panel tells, for the kind of catalogue in use, how to delete the rejects in the catalogue's
/// own application.
///
/// Threading: main thread only.
class KTMoveToTrashTipsViewController : public QWidget
{
    Q_OBJECT
public:
    /// The session's external catalogue type (0 none, 1 and 2 Lightroom, 3 iPhoto, 4 Aperture).
    using CatalogTypeHandler = std::function<int()>;

    explicit KTMoveToTrashTipsViewController(CatalogTypeHandler externalCatalogType,
                                             QWidget *parent = nullptr);
    ~KTMoveToTrashTipsViewController() override;

    /// Fills the panel, then shows it in a popover centred over `anchor`.
    void showFromView(QWidget *anchor);

    /// Fills the picture and the four texts for the catalogue type in use; a type without
    /// a catalogue (0) leaves the panel as it is.
    void adjustUI();
    void reload() { adjustUI(); }
    /// Dismisses the popover (the close button).
    void close();
    /// Puts the panel's centre on its parent's centre.
    void centerInSuperview();

    /// The picture's name and the texts as shown; for tests and the screens tool.
    QString tipImageName() const { return m_tipImageName; }
    QString topHeaderText() const;
    QString topDetailedText() const;
    QString bottomHeaderText() const;
    QString bottomDetailedText() const;
    KTSButton *closeButton() const { return m_closeButton; }

private:
    void setTexts(QString topHeader, QString topDetail, QString bottomHeader, QString bottomDetail);

    CatalogTypeHandler m_externalCatalogType;
    QString m_tipImageName;
    QPointer<KTPictureView> m_picture;
    QPointer<QLabel> m_topHeaderTextField;
    QPointer<QLabel> m_topDetailedTextField;
    QPointer<QLabel> m_bottomHeaderTextField;
    QPointer<QLabel> m_bottomDetailedTextField;
    QPointer<KTSButton> m_closeButton;
};
