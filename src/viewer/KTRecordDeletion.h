#pragma once

#include "KTNotificationCenter.h"

#include <functional>

class KTImageMO;
class QObject;

/// Calls `release` when the catalogue reports ("ImagesChanged") that the record `shown` answers
/// was deleted. Every view that holds a record lets go of it then: deleted records stay readable
/// only while the notification is delivered, and are freed once their session is cleared.
/// The observation lasts as long as the token and never calls back once `guard` is gone.
///
/// Threading: main thread (the catalogue posts there).
[[nodiscard]] KTObserverToken observeRecordDeletion(QObject *guard, std::function<KTImageMO *()> shown,
                                                    std::function<void()> release);
