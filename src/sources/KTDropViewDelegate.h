#pragma once

#include <QString>

class QMimeData;

/// What a KTDropView leaves to its delegate: whether a drag's data can be taken, and taking it.
/// The data is that of the drag in progress (the "pasteboard"); it lives only for the call.
class KTDropViewDelegate
{
public:
    virtual ~KTDropViewDelegate() = default;
    virtual bool canReadDataFromPasteboard(const QMimeData *pasteboard) = 0;
    virtual void readDataFromPasteboard(const QMimeData *pasteboard) = 0;
    /// Why the data cannot be taken, in a sentence the view shows while the drag is over it;
    /// empty when it can be taken or there is nothing to say.
    virtual QString refusalOfPasteboard(const QMimeData *pasteboard)
    {
        Q_UNUSED(pasteboard);
        return {};
    }
};
