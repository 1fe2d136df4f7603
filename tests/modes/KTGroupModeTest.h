#pragma once

#include "KTGroupModeController.h"
#include "KTGroupModesTestSession.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

/// The fixture of a group mode's tests: a real session of generated bursts (loaded by the test's
/// SetUp), the mode `Mode` shown in a window, and what the tests read of the mode by photo id
/// ("s02-b0-1").
template <class Mode> class KTGroupModeTest : public ::testing::Test
{
protected:
    using Ids = QStringList;

    /// Makes the mode over the loaded session and shows it.
    void showMode()
    {
        mode = std::make_unique<Mode>();
        window = std::make_unique<KTModeWindow>(session, *mode);
        window->showMode();
    }

    QList<Ids> groups() const
    {
        QList<Ids> result;
        for (qsizetype i = 0; i < mode->numberOfGroupsInList(); ++i)
            result.append(KTBurstModesSession::ids(mode->imagesForGroup(i)));
        return result;
    }
    /// The first image of each listed group.
    Ids heads() const
    {
        Ids result;
        for (const Ids &group : groups())
            result.append(group.value(0));
        return result;
    }
    Ids selectedGroup() const { return KTBurstModesSession::ids(mode->images()); }
    Ids selection() const
    {
        QList<KTImageMO *> selected;
        mode->enumerateSelectedImagesUsingBlock(
            [&](KTImageMO *image, bool, bool &) { selected.append(image); });
        return KTBurstModesSession::ids(selected);
    }
    QString active() const
    {
        KTImageMO *image = mode->activeImageMO();
        return image ? KTBurstModesSession::ids({image}).value(0) : QString();
    }
    KTImageMO *image(const QString &id) const { return session.image(id); }
    QList<KTImageMO *> imagesOf(const Ids &ids) const
    {
        QList<KTImageMO *> result;
        for (const QString &id : ids)
            result.append(image(id));
        return result;
    }
    /// Shows group `index` in `subMode`, on its first image.
    void show(qsizetype index, const QString &subMode)
    {
        mode->switchToUIMode(subMode);
        mode->switchToGroupAtIndex(index, KTGroupSwitchAnimation::None);
        mode->switchToUIMode(subMode);
    }
    void reject(const Ids &ids) { session.storage().moveImagesToTrash(imagesOf(ids)); }

    KTBurstModesSession session;
    std::unique_ptr<Mode> mode;
    std::unique_ptr<KTModeWindow> window;
};
