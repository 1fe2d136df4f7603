#pragma once

#include <QByteArray>
#include <QString>

/// Writes `content` to `path`, replacing any file there; a failure fails the current test.
void writeFile(const QString &path, const QByteArray &content);

/// The whole content of `path`, or "<missing>" when it cannot be read.
QByteArray readFile(const QString &path);
