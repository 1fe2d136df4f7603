#pragma once

#include <QString>

#include <memory>

class KTFocusedRegionsStorageOperation;

/// The token of one pending focused-regions request: the handler's identifier in its
/// operation, the image's uuid and the operation.
struct KTCallbackID
{
    QString callbackID;
    QString imageID;
    std::shared_ptr<KTFocusedRegionsStorageOperation> operation;
};
