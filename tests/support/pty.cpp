#include "pty.h"

#include <cerrno>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        closeMaster();
        return;
    }
    m_path = QString::fromLocal8Bit(ptsname(m_master));
    termios t{};
    tcgetattr(m_master, &t);
    cfmakeraw(&t);
    tcsetattr(m_master, TCSANOW, &t);
}

PtyPair::~PtyPair()
{
    closeMaster();
}

void PtyPair::write(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (m_master >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return;
        if (n > 0)
            done += n;
    }
}

QByteArray PtyPair::readAvailable()
{
    QByteArray out;
    char buf[256];
    ssize_t n = 0;
    while (m_master >= 0 && (n = ::read(m_master, buf, sizeof buf)) > 0)
        out.append(buf, qsizetype(n));
    return out;
}

void PtyPair::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}
