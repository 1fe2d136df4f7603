#pragma once

#include <QByteArray>
#include <QVariantMap>

/// Push notifications of the maker. There is no such service on this desktop: every call is
/// accepted and does nothing.
class KTPushNotification
{
public:
    static void start(const QVariantMap &launchNotification = {});
    static void sendStatsWithToken(const QByteArray &token);
    static void handleNotification(const QVariantMap &notification);
    static void deliveredNotification(const QVariantMap &notification);
};
