#pragma once

#include "KTGridServices.h"
#include "KTImageListViewDataSource.h"
#include "KTImageListViewDelegate.h"
#include "KTSessionFixtures.h"

#include <QColor>
#include <QList>
#include <QSize>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class KTEntitiesManager;
class KTFocusedRegionsManager;
class KTGatedQueue;
class KTImageMO;
class KTImageStorage;
class KTOperationQueue;
class QWidget;

/// A catalogue in a temporary folder with photos written on demand, and the grids' services
/// pointed at it for the session's life: its own entities and focused-regions managers on a queue
/// of their own, which a gated session holds shut until openThumbnails().
class KTGridTestSession
{
public:
    enum class Thumbnails
    {
        Immediate,
        Gated
    };

    explicit KTGridTestSession(Thumbnails thumbnails = Thumbnails::Immediate);
    ~KTGridTestSession();

    /// Writes a JPEG of `size` filled with `color` and inserts its record (picked and rejected
    /// unset); the record's changes are processed.
    KTImageMO *addImage(const QString &name, const QColor &color = Qt::gray, QSize size = QSize(90, 60));
    /// `count` images named "<prefix>0001"... in a cycle of colours.
    QList<KTImageMO *> addImages(int count, const QString &prefix = QStringLiteral("IMG_"));
    /// `count` records of photos that are not on disk, whose 100-point thumbnail is already in
    /// the entities cache (one picture shared by all): quick to make by the thousand.
    QList<KTImageMO *> addRecords(int count, const QString &prefix = QStringLiteral("REC_"));
    /// Puts the 100-point thumbnail of each record into the entities cache (turns the event loop;
    /// not for a gated session).
    void cacheThumbnails(const QList<KTImageMO *> &records);
    /// Lets the held thumbnail work run.
    void openThumbnails();
    /// Turns the event loop until the thumbnail queue is idle and its deliveries have run.
    void waitForThumbnailWork();

    KTImageStorage &storage() const { return *m_storage; }
    KTEntitiesManager &entities() const { return *m_entities; }
    KTFocusedRegionsManager &focusedRegions() const { return *m_focusedRegions; }
    QString folder() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    KTRecordingErrorSeams m_errors;
    std::unique_ptr<KTImageStorage> m_storage;
    std::unique_ptr<KTGatedQueue> m_gate;
    std::unique_ptr<KTOperationQueue> m_queue;
    std::unique_ptr<KTEntitiesManager> m_entities;
    std::unique_ptr<KTFocusedRegionsManager> m_focusedRegions;
    std::unique_ptr<KTGridServices::Scope> m_scope;
};

/// A data source and delegate over a list of records that records what it is told.
struct KTTestListSource : KTImageListViewDataSource, KTImageListViewDelegate
{
    qsizetype numberOfImages(KTImageListView *) override { return images.size(); }
    KTImageMO *imageMOAtIndex(qsizetype index, KTImageListView *) override
    {
        return index >= 0 && index < images.size() ? images.at(index) : nullptr;
    }
    bool canImageListPerformKeyDownWithKeyEquivalent(const QString &key) override
    {
        askedKeys.append(key);
        return !refusedKeys.contains(key);
    }
    void imageListViewSelectionDidChange(KTImageListView *) override { ++selectionChanges; }
    void imageListViewCellWasDoubleClickedAtIndex(KTImageListView *, qsizetype index) override
    {
        doubleClicks.append(index);
    }

    QList<KTImageMO *> images;
    QStringList refusedKeys;
    QStringList askedKeys;
    int selectionChanges = 0;
    QList<qsizetype> doubleClicks;
};

/// The colour at the centre of an image (invalid for a null image).
QColor centreColor(const QImage &image);
/// True when the two colours differ by at most `tolerance` in each channel.
bool isNear(const QColor &a, const QColor &b, int tolerance = 24);
