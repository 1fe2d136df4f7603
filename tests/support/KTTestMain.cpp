// Entry of every test program: an isolated home for settings and data, Qt's offscreen
// platform, one QApplication, then GoogleTest.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::GTEST_FLAG(death_test_style) = "threadsafe";

    // Tests never read or write the user's own settings, caches or catalogue.
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/vireoscope-test-XXXXXX"));
    const QByteArray root = home.path().toLocal8Bit();
    qputenv("XDG_CONFIG_HOME", root + "/config");
    qputenv("XDG_DATA_HOME", root + "/data");
    qputenv("XDG_CACHE_HOME", root + "/cache");
    const QString runtime = home.path() + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vireoscope"));
    QApplication::setApplicationName(QStringLiteral("Vireoscope"));
    return RUN_ALL_TESTS();
}
