#include "KTTestFiles.h"

#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(content), content.size());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

KTDeepFolders::KTDeepFolders(const QString &parent, const QString &name, int levels)
    : m_name(QFile::encodeName(name)), m_expected(std::size_t(levels) + 1)
{
    int fd = ::open(QFile::encodeName(parent).constData(), O_RDONLY | O_DIRECTORY);
    while (fd >= 0) {
        m_folders.push_back(fd);
        if (m_folders.size() == m_expected || ::mkdirat(fd, m_name.constData(), 0755) != 0)
            break;
        fd = ::openat(fd, m_name.constData(), O_RDONLY | O_DIRECTORY);
    }
}

KTDeepFolders::~KTDeepFolders()
{
    for (std::size_t i = m_folders.size(); i-- > 0;) {
        if (i + 1 < m_folders.size())
            ::unlinkat(m_folders[i], m_name.constData(), AT_REMOVEDIR);
        ::close(m_folders[i]);
    }
}
