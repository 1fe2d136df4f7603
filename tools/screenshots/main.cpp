// The screens tool's program: builds the generated session, then writes one PNG per registered
// screen, "<name>@<scale>x.png", into the output folder.
//
//     vireo_screens [--scale 1|2] [--no-session] [--list] OUTDIR [NAME...]
//
// NAMEs limit the run to those screens. Settings, caches and the catalogue live in a temporary
// home, never the user's.

#include "KTScreenRegistry.h"
#include "KTScreenSession.h"

#include "KTAnalysisSessionHooks.h"
#include "KTAnimations.h"
#include "KTApplicationLook.h"
#include "KTBackgroundWork.h"
#include "KTDuplicatesSeeker.h"
#include "KTImageStorage.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: vireo_screens [--scale 1|2] [--no-session] [--list] OUTDIR [NAME...]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    QString scale = QStringLiteral("1");
    bool withSession = true;
    bool list = false;
    QStringList positional;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--scale") && i + 1 < argc)
            scale = QString::fromLocal8Bit(argv[++i]);
        else if (arg == QLatin1String("--no-session"))
            withSession = false;
        else if (arg == QLatin1String("--list"))
            list = true;
        else if (arg.startsWith(QLatin1String("--")))
            return usage();
        else
            positional.append(arg);
    }
    if (list) {
        for (const KTScreen &screen : KTScreenRegistry::screens())
            std::printf("%s\n", qPrintable(screen.name));
        return 0;
    }
    if (positional.isEmpty())
        return usage();

    // An isolated home, and the scale, must be in place before the application starts.
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/vireoscope-screens-XXXXXX"));
    const QByteArray root = home.path().toLocal8Bit();
    qputenv("XDG_CONFIG_HOME", root + "/config");
    qputenv("XDG_DATA_HOME", root + "/data");
    qputenv("XDG_CACHE_HOME", root + "/cache");
    const QString runtime = home.filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    qputenv("QT_SCALE_FACTOR", scale.toLocal8Bit());
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "1");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vireoscope"));
    QApplication::setApplicationName(QStringLiteral("Vireoscope"));
    KTApplicationLook::apply();
    KTAnimations::setEnabled(false);

    std::unique_ptr<KTScreenSession> session;
    if (withSession) {
        KTImageStorage &storage = *KTImageStorage::sharedStorage();
        KTAnalysisSessionHooks::install(storage);
        KTDuplicatesSeeker::installInto(storage);
        QString error;
        session = KTScreenSession::build(home.filePath(QStringLiteral("Photos")), &error);
        if (!session) {
            std::fprintf(stderr, "screens: the session could not be built: %s\n", qPrintable(error));
            return 1;
        }
        std::printf("session: %s\n", qPrintable(session->summary()));
    }

    const QDir out(positional.takeFirst());
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "screens: cannot create %s\n", qPrintable(out.path()));
        return 1;
    }
    KTScreenContext context(session.get());
    int failures = 0;
    int written = 0;
    for (const KTScreen &screen : KTScreenRegistry::screens()) {
        if (!positional.isEmpty() && !positional.contains(screen.name))
            continue;
        const QImage image = screen.render(context);
        const QString path = out.filePath(QStringLiteral("%1@%2x.png").arg(screen.name, scale));
        if (image.isNull() || !image.save(path)) {
            std::fprintf(stderr, "screens: %s failed\n", qPrintable(screen.name));
            ++failures;
            continue;
        }
        ++written;
        std::printf("%s (%dx%d)\n", qPrintable(path), image.width(), image.height());
    }
    std::printf("%d written, %d failed\n", written, failures);
    KTBackgroundWork::finish();
    return failures == 0 ? 0 : 1;
}
