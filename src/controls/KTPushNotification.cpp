#include "KTPushNotification.h"

void KTPushNotification::start(const QVariantMap &) {}

void KTPushNotification::sendStatsWithToken(const QByteArray &) {}

void KTPushNotification::handleNotification(const QVariantMap &) {}

void KTPushNotification::deliveredNotification(const QVariantMap &) {}
