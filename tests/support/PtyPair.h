#pragma once

#include <QByteArray>
#include <QString>

#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

// A pseudo-terminal for port tests: the test plays the board on the master side, the code
// under test opens `slavePath`.
class PtyPair {
public:
    PtyPair()
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        grantpt(m_master);
        unlockpt(m_master);
        slavePath = QString::fromLocal8Bit(ptsname(m_master));
        // Keep a handle on the slave until the port has opened it, so the master sees no hang-up.
        m_keep = ::open(ptsname(m_master), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios tio{};
        tcgetattr(m_keep, &tio);
        cfmakeraw(&tio);
        tcsetattr(m_keep, TCSANOW, &tio);
    }
    ~PtyPair()
    {
        closeMaster();
        if (m_keep >= 0)
            ::close(m_keep);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    void send(const QByteArray& bytes) { (void)!::write(m_master, bytes.constData(), size_t(bytes.size())); }
    QByteArray receive()
    {
        QByteArray all;
        char buf[4096];
        ssize_t n;
        while ((n = ::read(m_master, buf, sizeof buf)) > 0)
            all.append(buf, n);
        return all;
    }
    // Pulls the cable: the slave device goes away.
    void unplug()
    {
        if (m_keep >= 0)
            ::close(m_keep);
        m_keep = -1;
        closeMaster();
    }

    QString slavePath;

private:
    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }
    int m_master = -1;
    int m_keep = -1;
};
