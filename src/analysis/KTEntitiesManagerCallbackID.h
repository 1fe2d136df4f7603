#pragma once

#include <QString>

/// The token of one callback registered with the entities manager: the entity key of its
/// operation and the callback's identifier inside that operation. Views keep it to withdraw,
/// activate or deactivate their callback.
struct KTEntitiesManagerCallbackID
{
    QString operationKey;
    QString callbackID;

    friend bool operator==(const KTEntitiesManagerCallbackID &,
                           const KTEntitiesManagerCallbackID &) = default;
};
