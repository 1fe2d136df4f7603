#pragma once

#include "KTNotificationCenter.h"

#include <QList>

#include <memory>
#include <vector>

class KTImageCollectionViewCell;
class QWidget;

/// The shared pool of thumbnail cells. Grids take cells from it and give them back; idle cells
/// wait here with their root views hidden (still inside the grid that used them last, until a
/// grid attaches them again). Cells are made 100 at a time and live as long as the application:
/// the pool frees them when the application object goes away.
///
/// A cell never outlives its record: when the catalogue reports records deleted, every cell
/// showing one of them lets it go at once (the grid shows nothing there until its owner reloads).
///
/// Threading: main thread only.
class KTImageCollectionViewCellsManager
{
public:
    static constexpr int kAllocationStep = 100;

    static KTImageCollectionViewCellsManager &sharedManager();

    KTImageCollectionViewCellsManager(const KTImageCollectionViewCellsManager &) = delete;
    KTImageCollectionViewCellsManager &operator=(const KTImageCollectionViewCellsManager &) = delete;

    /// An idle cell; when none is left, 100 new ones are made first.
    KTImageCollectionViewCell *cell();
    /// Takes a cell back (null is ignored) and hides its root view. The grid has already taken
    /// its record away.
    void hideCell(KTImageCollectionViewCell *cell);

    /// The idle cells.
    const QList<KTImageCollectionViewCell *> &cells() const { return m_idle; }
    unsigned numberOfAllocatedCells() const { return unsigned(m_all.size()); }
    /// Cells taken and not given back.
    unsigned numberOfCellsInUse() const { return numberOfAllocatedCells() - unsigned(m_idle.size()); }

    /// Takes every root view out of `view` (a grid going away) so that none is destroyed with it;
    /// cells still in use there come back to the pool without a record.
    void releaseCellsOfView(QWidget *view);

private:
    KTImageCollectionViewCellsManager();
    void imagesDidChange(const KTNotification &notification);
    ~KTImageCollectionViewCellsManager();
    static void destroySharedManager();

    std::vector<std::unique_ptr<KTImageCollectionViewCell>> m_all;
    QList<KTImageCollectionViewCell *> m_idle;
    KTObserverToken m_imagesChanged;
};
