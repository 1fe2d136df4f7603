#pragma once

#include "KTPredicate.h"
#include "KTSortDescriptor.h"

#include <QList>
#include <QString>

/// What to fetch: the records of one entity that match the predicate, in the order of the sort
/// descriptors (object id order without them, and as the last tie-break).
struct KTFetchRequest
{
    QString entityName;
    KTPredicate predicate;
    QList<KTSortDescriptor> sortDescriptors;
};
