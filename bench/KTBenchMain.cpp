// Entry of every benchmark program: an isolated home for settings, data and caches, Qt's
// offscreen platform, one QApplication, the decoding limits and defaults the application sets at
// start-up, then Google Benchmark.

#include "KTBackgroundWork.h"
#include "KTFocusMaskDefaults.h"
#include "KTImageUtils.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

int main(int argc, char **argv)
{
    // Benchmarks never read or write the user's own settings, caches or catalogue.
    QTemporaryDir home;
    for (const char *variable : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        qputenv(variable, home.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    KTImageUtils::raiseImageAllocationLimit();
    KTFocusMaskDefaults::registerDefaults();

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    KTBackgroundWork::finish();
    return 0;
}
