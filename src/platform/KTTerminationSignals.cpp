#include "KTTerminationSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array kSignals{SIGTERM, SIGINT, SIGHUP};

// The pipe's ends, read by the handler: plain ints, set before the handlers are installed.
int s_pipe[2] = {-1, -1};
std::array<struct sigaction, kSignals.size()> s_previous{};
bool s_installed = false;

extern "C" void writeSignalNumber(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    // A full pipe drops the byte: the application is already on its way out.
    [[maybe_unused]] const ssize_t written = ::write(s_pipe[1], &number, 1);
    errno = savedErrno;
}

} // namespace

KTTerminationSignals::KTTerminationSignals(QObject *parent) : QObject(parent)
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    Q_ASSERT_X(!s_installed, "KTTerminationSignals", "One instance at a time");
    if (s_installed || ::pipe2(s_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action = {};
    action.sa_handler = writeSignalNumber;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &action, &s_previous[i]);
    s_installed = true;
    m_listening = true;
    m_notifier = std::make_unique<QSocketNotifier>(s_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &KTTerminationSignals::readSignal);
}

KTTerminationSignals::~KTTerminationSignals()
{
    if (!m_listening)
        return;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &s_previous[i], nullptr);
    m_notifier.reset();
    ::close(s_pipe[0]);
    ::close(s_pipe[1]);
    s_pipe[0] = s_pipe[1] = -1;
    s_installed = false;
}

void KTTerminationSignals::readSignal()
{
    unsigned char number = 0;
    while (::read(s_pipe[0], &number, 1) == 1)
        emit terminationRequested(int(number));
}
