#pragma once

/// Implemented by the senders of cancelable tasks; the progress sheet calls it on Cancel.
class KTCancelTaskProtocol
{
public:
    virtual ~KTCancelTaskProtocol() = default;
    virtual void cancelCurrentTask() = 0;
};
