#pragma once

#include "KTCallbackID.h"

#include <QImage>
#include <QObject>
#include <QSizeF>
#include <QString>

#include <functional>
#include <optional>

class KTFocusedRegionsManager;
class KTImageLayerStack;

/// The camera's focus pictures of the record a viewer shows: the focused-regions picture, shown
/// in place of the photo, and the focus-point lattice, laid over it. Each is asked for once per
/// record while it is switched on and the viewer is shown, at the size the image is fitted at,
/// and kept in its layer of the viewer's stack until the viewer shows another record.
///
/// Threading: main thread only; the pictures arrive on the main thread, never after this is gone.
class KTFocusPictures : public QObject
{
    Q_OBJECT
public:
    /// What the pictures need from their viewer.
    struct Host
    {
        KTImageLayerStack &layers;
        /// The image's size at the fit scale; empty while the image has none.
        std::function<QSizeF()> fittedSize;
        std::function<bool()> isShown;
        /// A request started (true) or ended (false): the viewer's spinner counts them.
        std::function<void(bool started)> requesting;
    };

    KTFocusPictures(KTFocusedRegionsManager &manager, Host host, QObject *parent = nullptr);
    /// Withdraws the pending requests.
    ~KTFocusPictures() override;

    /// The record shown (uuid and path; empty: none): the pictures of the previous one go and
    /// those switched on are asked for again.
    void setRecord(const QString &uuid, const QString &path);

    bool isRegionsVisible() const { return m_regionsVisible; }
    void setRegionsVisible(bool visible);
    bool isLatticeVisible() const { return m_latticeVisible; }
    void setLatticeVisible(bool visible);
    /// Asks for the pictures switched on that are neither here nor asked for.
    void reloadRegionsIfNeed();
    void reloadLatticeIfNeed();
    void cancelRegions();
    void cancelLattice();
    bool hasPendingRegionsRequest() const { return m_regionsRequest.has_value(); }
    bool hasPendingLatticeRequest() const { return m_latticeRequest.has_value(); }

private:
    enum class Picture
    {
        Regions,
        Lattice,
    };
    std::optional<KTCallbackID> &request(Picture picture);
    void reloadIfNeed(Picture picture);
    void reload(Picture picture);
    void cancel(Picture picture);
    void showRegionsLayer();
    void hideRegionsLayer();

    KTFocusedRegionsManager &m_manager;
    Host m_host;
    QString m_uuid;
    QString m_path;
    bool m_regionsVisible = false;
    bool m_latticeVisible = false;
    std::optional<KTCallbackID> m_regionsRequest;
    std::optional<KTCallbackID> m_latticeRequest;
    /// A request not answered yet (its token stays after the answer).
    bool m_awaiting[2] = {false, false};
};
