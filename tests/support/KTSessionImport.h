#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class KTImageStorage;

/// Runs `start`, then turns the event loop until the task `name` has finished once (its end
/// posted on the task bus) or `seconds` have passed. True when it finished. Main thread only.
bool waitForTask(const QString &name, int seconds, const std::function<void()> &start);

/// Imports `folders` into `storage` as a session's start does: adds them as sources, then loads
/// their images with the similarity search (accuracy level 3) and the time grouping (a time range
/// of an hour, a timeline interval of a minute). `storage` must have its similarity search
/// installed. False, with `error` set, when a step did not finish within `seconds`. Main thread
/// only; turns the event loop meanwhile.
bool importFolders(KTImageStorage &storage, const QStringList &folders, int seconds,
                   QString *error = nullptr);
