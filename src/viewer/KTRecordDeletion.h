#pragma once

#include "KTImageMO.h"
#include "KTNotificationCenter.h"
#include "KTRecordRef.h"

#include <functional>

class QObject;

/// Calls `release` when the catalogue reports ("ImagesChanged") deletes and the record `shown`
/// holds is among the gone. Every view that holds a record lets go of it then, so it shows
/// nothing rather than a record that no longer reads (its handle answers null from the delete on).
/// The observation lasts as long as the token and never calls back once `guard` is gone.
///
/// Threading: main thread (the catalogue posts there).
[[nodiscard]] KTObserverToken observeRecordDeletion(QObject *guard,
                                                    std::function<const KTRecordRef<KTImageMO> &()> shown,
                                                    std::function<void()> release);
