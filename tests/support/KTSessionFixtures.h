#pragma once

#include "KTError.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class KTObjectContext;

/// Fills a main context with a session of `imageCount` images: folders, groups of similar images
/// and time groups, with values that vary in nil-ness and dates with milliseconds. The values are
/// a function of the index (uuids aside), so two calls describe alike apart from the uuids.
void fillCatalog(KTObjectContext &context, int imageCount);

/// Every live record of the context as one line of text (entity, id, each stored value with its
/// type, links as ids), in id order: equal lists mean equal catalogues.
QStringList describeCatalog(KTObjectContext &context);

/// An error presenter that records instead of showing, and a terminator that records instead of
/// quitting; each is installed while the object lives.
class KTRecordingErrorSeams
{
public:
    KTRecordingErrorSeams();
    ~KTRecordingErrorSeams();
    KTRecordingErrorSeams(const KTRecordingErrorSeams &) = delete;
    KTRecordingErrorSeams &operator=(const KTRecordingErrorSeams &) = delete;

    const std::vector<KTError> &presented() const;
    int terminations() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
    std::shared_ptr<KTErrorPresenter> m_previousPresenter;
    std::shared_ptr<KTApplicationTerminator> m_previousTerminator;
};
