#include "KTBenchMemory.h"

#include <QByteArray>
#include <QFile>

namespace {

/// The value of a "Vm...:" line of /proc/self/status, in megabytes; 0 when it cannot be read.
double statusMegabytes(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

} // namespace

double peakResidentMegabytes()
{
    return statusMegabytes("VmHWM:");
}

double residentMegabytes()
{
    return statusMegabytes("VmRSS:");
}
