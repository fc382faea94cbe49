#include "serialsim.h"

#include "simlog.h"

#include <QFile>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace zel::sim {

namespace {

constexpr int kModelStepMs = 100;

bool fail(const char* what)
{
    std::fprintf(stderr, "zel-fm-sim: %s: %s\n", what, std::strerror(errno));
    return false;
}

} // namespace

SerialSim::SerialSim(SerialOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)), transmitter_(options_.seed),
      player_(transmitter_, options_.scenario, options_.scriptStepMs)
{
    transmitter_.setDeviceId(options_.deviceId);

    frameTimer_.setSingleShot(true);
    frameTimer_.setTimerType(Qt::PreciseTimer);
    connect(&frameTimer_, &QTimer::timeout, this, &SerialSim::sendFrame);
    commandTimer_.setSingleShot(true);
    connect(&commandTimer_, &QTimer::timeout, this, &SerialSim::expireCommand);
    modelTimer_.setInterval(kModelStepMs);
    connect(&modelTimer_, &QTimer::timeout, this, &SerialSim::stepModel);
}

SerialSim::~SerialSim()
{
    readNotifier_.reset();
    writeNotifier_.reset();
    removeLink();
    if (master_ >= 0)
        ::close(master_);
}

bool SerialSim::start()
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0)
        return fail("posix_openpt");
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        return fail("grantpt/unlockpt");
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    char name[256];
    if (::ptsname_r(master_, name, sizeof name) != 0)
        return fail("ptsname");
    slavePath_ = QString::fromLocal8Bit(name);

    // Raw mode (no echo, no CR/LF translation of binary data) is set once
    // here and stays with the pty after the slave is closed again. The slave
    // is not kept open: its open count tells whether a monitor is listening.
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0)
        return fail("open pty slave");
    termios tio{};
    bool raw = ::tcgetattr(slave, &tio) == 0;
    if (raw) {
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B19200);
        ::cfsetospeed(&tio, B19200);
        raw = ::tcsetattr(slave, TCSANOW, &tio) == 0;
    }
    ::close(slave);
    if (!raw)
        return fail("set raw mode");

    const QByteArray link = QFile::encodeName(options_.linkPath);
    struct stat st {};
    if (::lstat(link.constData(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            std::fprintf(stderr, "zel-fm-sim: %s exists and is not a symbolic link\n",
                         link.constData());
            return false;
        }
        if (::unlink(link.constData()) != 0)
            return fail("remove old link");
    }
    if (::symlink(name, link.constData()) != 0)
        return fail("symlink");
    linkCreated_ = true;

    readNotifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    connect(readNotifier_.get(), &QSocketNotifier::activated, this, &SerialSim::readCommands);
    writeNotifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Write);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_.get(), &QSocketNotifier::activated, this,
            &SerialSim::flushPendingOutput);
    readNotifier_->setEnabled(false); // until a monitor opens the port

    clock_.start();
    logLine(QStringLiteral("ready serial %1").arg(slavePath_));
    if (options_.scenario == Scenario::Script)
        logLine(QStringLiteral("event scenario %1").arg(scenarioName(player_.active())));
    modelTimer_.start();
    sendFrame();
    return true;
}

void SerialSim::sendFrame()
{
    if (options_.frameLimit >= 0 && framesSent_ >= options_.frameLimit) {
        logLine(QStringLiteral("event frame limit reached: %1 frames sent").arg(framesSent_));
        return;
    }
    const double nowMs = clock_.nsecsElapsed() / 1e6;
    // Like a real line, frames sent while no one has the port open are lost;
    // they are not sent at all, so they are not delivered stale later.
    if (player_.active() != Scenario::Silent && checkLineOpen()) {
        if (!unsent_.isEmpty()) {
            noteDropped(); // the line is still busy with the previous frame
        } else {
            if (options_.changingId)
                transmitter_.setDeviceId(quint16(transmitter_.deviceId() + 1));
            const QByteArray frame = encodeStatusFrame(transmitter_.sample());
            const ssize_t written =
                ::write(master_, frame.constData(), static_cast<size_t>(frame.size()));
            if (written == frame.size()) {
                ++framesSent_;
                dropping_ = false;
            } else if (written < 0) {
                noteDropped();
            } else {
                ++framesSent_;
                unsent_ = frame.sliced(written);
                writeNotifier_->setEnabled(true);
            }
        }
    }
    // Frames are due on a fixed grid, so fractional intervals average out;
    // after a long stall the grid restarts instead of sending a burst.
    nextFrameMs_ += options_.intervalMs;
    if (nextFrameMs_ < nowMs - options_.intervalMs)
        nextFrameMs_ = nowMs + options_.intervalMs;
    scheduleNextFrame();
}

void SerialSim::noteDropped()
{
    if (!dropping_)
        logLine(QStringLiteral("event frames dropped: the port is not being read"));
    dropping_ = true;
}

void SerialSim::scheduleNextFrame()
{
    const double nowMs = clock_.nsecsElapsed() / 1e6;
    frameTimer_.start(std::max(0, static_cast<int>(std::ceil(nextFrameMs_ - nowMs))));
}

void SerialSim::flushPendingOutput()
{
    const ssize_t written =
        ::write(master_, unsent_.constData(), static_cast<size_t>(unsent_.size()));
    if (written > 0)
        unsent_.remove(0, written);
    if (unsent_.isEmpty())
        writeNotifier_->setEnabled(false);
}

void SerialSim::readCommands()
{
    QByteArray chunk;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            chunk.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            checkLineOpen(); // EIO: the last opener closed the port
        break;
    }
    if (chunk.isEmpty())
        return;
    handle(decoder_.feed(chunk, clock_.elapsed()));
    if (const auto due = decoder_.deadline())
        commandTimer_.start(static_cast<int>(std::max<qint64>(0, *due - clock_.elapsed())));
}

void SerialSim::expireCommand()
{
    handle(decoder_.expire(clock_.elapsed()));
    if (const auto due = decoder_.deadline())
        commandTimer_.start(static_cast<int>(std::max<qint64>(1, *due - clock_.elapsed())));
}

void SerialSim::handle(const QList<CommandEvent>& events)
{
    for (const CommandEvent& event : events) {
        logLine(event.logLine());
        if (event.kind == CommandEvent::Kind::Set && options_.ignoreSet)
            logLine(QStringLiteral("event set ignored"));
        else if (event.kind == CommandEvent::Kind::Set)
            transmitter_.apply(event.set);
        else if (event.kind == CommandEvent::Kind::Address)
            transmitter_.setDeviceId(event.address);
    }
}

bool SerialSim::checkLineOpen()
{
    // The master reports a hang-up while no one has the slave open. Reading
    // is paused then, since a hung-up master is always readable (EIO).
    pollfd state{master_, POLLIN, 0};
    const bool open = ::poll(&state, 1, 0) >= 0 && !(state.revents & POLLHUP);
    if (open != lineOpen_) {
        lineOpen_ = open;
        readNotifier_->setEnabled(open);
        if (!open) {
            unsent_.clear();
            writeNotifier_->setEnabled(false);
        }
        logLine(open ? QStringLiteral("event port opened") : QStringLiteral("event port closed"));
    }
    return open;
}

void SerialSim::stepModel()
{
    checkLineOpen();
    for (const QString& line : player_.advance(clock_.elapsed()))
        logLine(line);
}

void SerialSim::removeLink()
{
    if (!linkCreated_)
        return;
    linkCreated_ = false;
    // Only remove the link if it is still ours; another run may have taken it.
    const QByteArray link = QFile::encodeName(options_.linkPath);
    char target[256];
    const ssize_t n = ::readlink(link.constData(), target, sizeof target - 1);
    if (n > 0 && QByteArray(target, n) == slavePath_.toLocal8Bit())
        ::unlink(link.constData());
}

} // namespace zel::sim
