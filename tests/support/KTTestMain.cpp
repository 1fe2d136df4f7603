// Entry of every test program: an isolated home for settings and data, Qt's offscreen
// platform, one QApplication, then GoogleTest.

#include "KTBackgroundWork.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::GTEST_FLAG(death_test_style) = "threadsafe";

    // Tests never read or write the user's own settings, caches or catalogue. A test that starts
    // its program again as a later launch of the application hands it its home in VS_TEST_HOME
    // (the folder above XDG_CONFIG_HOME).
    std::optional<QTemporaryDir> home;
    QString root = qEnvironmentVariable("VS_TEST_HOME");
    if (root.isEmpty()) {
        home.emplace(QDir::tempPath() + QStringLiteral("/vireoscope-test-XXXXXX"));
        root = home->path();
        // Death-test children and helper processes of this program share the home: they can end
        // without running destructors, and this process removes it.
        qputenv("VS_TEST_HOME", root.toLocal8Bit());
    }
    qputenv("XDG_CONFIG_HOME", (root + QStringLiteral("/config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (root + QStringLiteral("/data")).toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (root + QStringLiteral("/cache")).toLocal8Bit());
    const QString runtime = root + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vireoscope"));
    QApplication::setApplicationName(QStringLiteral("Vireoscope"));
    const int result = RUN_ALL_TESTS();
    // Work a test left running must not outlive the application object.
    KTBackgroundWork::finish();
    return result;
}
