#include "KTTaskRecorder.h"

#include "KTTasksNotifier.h"

#include <QStringList>

KTTaskRecorder::KTTaskRecorder(const QObject *sender)
    : m_token(KTNotificationCenter::defaultCenter().addObserver(
          QString(), sender, [this](const KTNotification &notification) {
              // The catalogue also posts its change notifications; only the task bus counts here.
              static const QStringList kTaskNotifications = {
                  kTaskDidStartNotification, kTaskDidFinishNotification, kTaskStepsDidExecuteNotification,
                  kTaskProgresDidUpdate, kNumberOfTaskStepsDidCalculateNotification};
              if (kTaskNotifications.contains(notification.name))
                  m_events.push_back({notification.name, notification.userInfo});
          }))
{}

int KTTaskRecorder::count(const QString &notification, const QString &taskName) const
{
    int found = 0;
    for (const Event &event : m_events) {
        if (event.notification == notification && KTTaskNameInfo::taskName(event.userInfo) == taskName)
            ++found;
    }
    return found;
}

QStringList KTTaskRecorder::trail() const
{
    QStringList names;
    for (const Event &event : m_events) {
        const QString task = KTTaskNameInfo::taskName(event.userInfo);
        names.append(task.isEmpty() ? event.notification : event.notification + QLatin1Char(':') + task);
    }
    return names;
}
