#include "KTNotificationCenter.h"

#include <QObject>

#include <gtest/gtest.h>

#include <vector>

TEST(KTNotificationCenterTest, DeliversByNameAndSenderFilter)
{
    KTNotificationCenter center;
    QObject a;
    QObject b;
    std::vector<QString> heard;
    auto anyName = center.addObserver(QString(), nullptr, [&](const KTNotification &n) { heard.push_back("any:" + n.name); });
    auto fromA = center.addObserver("Ping", &a, [&](const KTNotification &n) { heard.push_back("a:" + n.name); });
    auto pong = center.addObserver("Pong", nullptr, [&](const KTNotification &n) {
        heard.push_back("pong:" + n.userInfo.value("k").toString());
    });

    center.post("Ping", &b);
    center.post("Ping", &a);
    center.post("Pong", nullptr, {{"k", "v"}});

    EXPECT_EQ(heard, (std::vector<QString>{"any:Ping", "any:Ping", "a:Ping", "any:Pong", "pong:v"}));
}

TEST(KTNotificationCenterTest, RemovedObserverIsNotCalledEvenWithinTheSameDelivery)
{
    KTNotificationCenter center;
    int secondCalls = 0;
    KTObserverToken second;
    auto first = center.addObserver("N", nullptr, [&](const KTNotification &) { second.reset(); });
    second = center.addObserver("N", nullptr, [&](const KTNotification &) { ++secondCalls; });

    center.post("N");
    EXPECT_EQ(secondCalls, 0);
    EXPECT_FALSE(second.isActive());
}

TEST(KTNotificationCenterTest, DestroyedTokenRemovesObserverAndMovedTokenKeepsIt)
{
    KTNotificationCenter center;
    int calls = 0;
    KTObserverToken kept;
    {
        auto token = center.addObserver("N", nullptr, [&](const KTNotification &) { ++calls; });
        kept = std::move(token);
    }
    center.post("N");
    EXPECT_EQ(calls, 1);
    kept = KTObserverToken();
    center.post("N");
    EXPECT_EQ(calls, 1);
}

TEST(KTNotificationCenterTest, TokenMayOutliveItsCenter)
{
    KTObserverToken token;
    {
        KTNotificationCenter center;
        token = center.addObserver("N", nullptr, [](const KTNotification &) {});
    }
    token.reset();
    SUCCEED();
}
