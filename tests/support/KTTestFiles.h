#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <vector>

/// Writes `content` to `path`, replacing any file there; a failure fails the current test.
void writeFile(const QString &path, const QByteArray &content);

/// The whole content of `path`, or "<missing>" when it cannot be read.
QByteArray readFile(const QString &path);

/// A chain of `levels` folders named `name` under `parent`, deeper than the longest path the
/// system opens (a folder no user can look into, root included, when the chain is long enough);
/// made and removed through folder descriptors, which take any depth.
class KTDeepFolders
{
public:
    KTDeepFolders(const QString &parent, const QString &name, int levels);
    ~KTDeepFolders();
    KTDeepFolders(const KTDeepFolders &) = delete;
    KTDeepFolders &operator=(const KTDeepFolders &) = delete;
    /// Whether every level was made.
    bool made() const { return m_folders.size() == m_expected; }

private:
    QByteArray m_name;
    std::size_t m_expected;
    std::vector<int> m_folders; // the parent first
};
