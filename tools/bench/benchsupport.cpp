#include "benchsupport.h"

#include "config/portdirectory.h"
#include "config/qtsettingsstore.h"
#include "forms/qtoperatordialogs.h"
#include "forms/qttrayicon.h"
#include "simcodec.h"
#include "simtransmitter.h"
#include "telemetry/qtserialport.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace zel::bench {

std::int64_t monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

std::unique_ptr<Form1> makeMonitor()
{
    Form1Parts parts;
    parts.settings = std::make_unique<QtSettingsStore>();
    const SettingsStore* store = parts.settings.get();
    parts.serial =
        std::make_unique<QtSerialPort>([store](int n) { return serialDeviceName(n, *store); });
    parts.tray = std::make_unique<QtTrayIcon>();
    auto dialogs = std::make_unique<QtOperatorDialogs>();
    auto* dialogsRaw = dialogs.get();
    parts.dialogs = std::move(dialogs);
    parts.clock = std::make_unique<SystemClock>();
    parts.files = std::make_unique<StandardFileLocations>();
    auto form = std::make_unique<Form1>(std::move(parts));
    dialogsRaw->setParentWindow(form.get());
    return form;
}

void requireScratchProfile(const QByteArray& ini)
{
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    if (config.isEmpty() || qgetenv("XDG_DATA_HOME").isEmpty()) {
        std::fprintf(stderr, "set XDG_CONFIG_HOME and XDG_DATA_HOME to a scratch folder\n");
        std::exit(2);
    }
    const QString folder = QString::fromLocal8Bit(config) + QStringLiteral("/ZEL");
    QDir().mkpath(folder);
    QFile file(folder + QStringLiteral("/ZEL.ini"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(ini) != ini.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        std::exit(2);
    }
}

Pty::Pty()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        std::perror("pty");
        std::exit(2);
    }
    m_path = QString::fromLocal8Bit(ptsname(m_master));
    termios t{};
    tcgetattr(m_master, &t);
    cfmakeraw(&t);
    tcsetattr(m_master, TCSANOW, &t);
}

Pty::~Pty()
{
    ::close(m_master);
}

bool Pty::deviceOpen() const
{
    pollfd state{m_master, POLLIN, 0};
    return ::poll(&state, 1, 0) >= 0 && !(state.revents & POLLHUP);
}

std::vector<QByteArray> statusFrames(int count, int firstId)
{
    sim::Transmitter model(7);
    model.settle();
    std::vector<QByteArray> frames;
    frames.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        // IDs stay below 0x8000, the largest the frame can carry.
        model.setDeviceId(quint16((firstId + i) % 0x8000));
        model.step(1.0 / 80);
        frames.push_back(sim::encodeStatusFrame(model.sample()));
    }
    return frames;
}

std::vector<QByteArray> statusReplies(int count)
{
    sim::Transmitter model(11);
    model.settle();
    std::vector<QByteArray> replies;
    replies.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        model.step(0.5);
        replies.push_back(sim::encodeStatusReply(model.sample()));
    }
    return replies;
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(10);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

double percentile(std::vector<double>& samples, double p)
{
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const auto rank = std::size_t(std::ceil(p / 100 * double(samples.size())));
    return samples[std::clamp<std::size_t>(rank, 1, samples.size()) - 1];
}

} // namespace zel::bench
