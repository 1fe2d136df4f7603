#include "KTFocusPictures.h"

#include "KTFocusedRegionsManager.h"
#include "KTFocusedRegionsStorage.h"
#include "KTImageLayerStack.h"

#include <QPointer>

#include <cmath>
#include <utility>

namespace {

using Layer = KTImageLayerStack::Layer;

const Layer kPhotoLayers[] = {Layer::Image, Layer::Preview, Layer::LowResPreview};

} // namespace

KTFocusPictures::KTFocusPictures(KTFocusedRegionsManager &manager, Host host, QObject *parent)
    : QObject(parent), m_manager(manager), m_host(std::move(host))
{}

KTFocusPictures::~KTFocusPictures()
{
    m_manager.cancelObtaining(m_regionsRequest);
    m_manager.cancelObtaining(m_latticeRequest);
}

void KTFocusPictures::setRecord(const QString &uuid, const QString &path)
{
    cancelRegions();
    cancelLattice();
    m_uuid = uuid;
    m_path = path;
    m_host.layers.setContents(Layer::InstantZoom, {});
    m_host.layers.setContents(Layer::FocusPointLattice, {});
    // A picture of the previous record's regions no longer covers the photo.
    for (Layer picture : kPhotoLayers)
        m_host.layers.setHidden(picture, false);
    reloadRegionsIfNeed();
    reloadLatticeIfNeed();
}

void KTFocusPictures::setRegionsVisible(bool visible)
{
    if (visible == m_regionsVisible)
        return;
    m_regionsVisible = visible;
    if (visible) {
        showRegionsLayer();
        reloadRegionsIfNeed();
    } else {
        hideRegionsLayer();
        cancelRegions();
    }
}

void KTFocusPictures::setLatticeVisible(bool visible)
{
    if (visible == m_latticeVisible)
        return;
    m_latticeVisible = visible;
    m_host.layers.setHidden(Layer::FocusPointLattice, !visible);
    if (visible)
        reloadLatticeIfNeed();
    else
        cancelLattice();
}

void KTFocusPictures::showRegionsLayer()
{
    m_host.layers.setHidden(Layer::InstantZoom, false);
    if (m_host.layers.layer(Layer::InstantZoom).contents.isNull())
        return;
    for (Layer picture : kPhotoLayers)
        m_host.layers.setHidden(picture, true);
}

void KTFocusPictures::hideRegionsLayer()
{
    m_host.layers.setHidden(Layer::InstantZoom, true);
    for (Layer picture : kPhotoLayers)
        m_host.layers.setHidden(picture, false);
}

void KTFocusPictures::reloadRegionsIfNeed()
{
    reloadIfNeed(Picture::Regions);
}

void KTFocusPictures::reloadLatticeIfNeed()
{
    reloadIfNeed(Picture::Lattice);
}

void KTFocusPictures::cancelRegions()
{
    cancel(Picture::Regions);
}

void KTFocusPictures::cancelLattice()
{
    cancel(Picture::Lattice);
}

std::optional<KTCallbackID> &KTFocusPictures::request(Picture picture)
{
    return picture == Picture::Regions ? m_regionsRequest : m_latticeRequest;
}

void KTFocusPictures::reloadIfNeed(Picture picture)
{
    // The lattice's request would need no record, but without one there is nothing to ask for.
    const bool on = picture == Picture::Regions ? m_regionsVisible : m_latticeVisible;
    const Layer target = picture == Picture::Regions ? Layer::InstantZoom : Layer::FocusPointLattice;
    if (!m_host.isShown() || !on || !m_host.layers.layer(target).contents.isNull() || request(picture) ||
        m_uuid.isEmpty())
        return;
    reload(picture);
}

void KTFocusPictures::reload(Picture picture)
{
    // An image of no size (a missing or unreadable file) has no fitted size to ask for.
    if (m_host.fittedSize().isEmpty())
        return;
    const Layer target = picture == Picture::Regions ? Layer::InstantZoom : Layer::FocusPointLattice;
    cancel(picture);
    m_host.requesting(true);
    m_awaiting[int(picture)] = true;
    m_host.layers.setContents(target, {});
    std::optional<KTCallbackID> &pending = request(picture);
    const QPointer<KTFocusPictures> guard(this);
    // The token stays after the answer, so no second request is made for the same record.
    pending = m_manager.obtainFocusedRegionStorage(
        [guard, picture, target](const std::shared_ptr<KTFocusedRegionsStorage> &storage, bool) {
            if (!guard)
                return;
            const QSizeF fitted = guard->m_host.fittedSize();
            const QSizeF size(std::round(fitted.width()), std::round(fitted.height()));
            QImage contents;
            if (storage)
                contents = picture == Picture::Regions ? storage->apropriateFocusedRegionOfSize(size)
                                                       : storage->apropriateFocusPointLatticeOfSize(size);
            guard->m_host.layers.setContents(target, contents);
            // The regions replace the photo; the lattice lies over it.
            if (picture == Picture::Regions && !contents.isNull() &&
                !guard->m_host.layers.layer(target).hidden)
                guard->showRegionsLayer();
            if (std::exchange(guard->m_awaiting[int(picture)], false))
                guard->m_host.requesting(false);
        },
        m_uuid, m_path);
}

void KTFocusPictures::cancel(Picture picture)
{
    std::optional<KTCallbackID> &pending = request(picture);
    m_manager.cancelObtaining(pending);
    pending.reset();
    if (std::exchange(m_awaiting[int(picture)], false))
        m_host.requesting(false);
}
