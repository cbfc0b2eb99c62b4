#pragma once

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// Debian's ser2net in the foreground with a configuration of its own, on 127.0.0.1, in front
// of devices (velmar-sim's pseudo-terminals): an RFC 2217 accepter as labgrid's exporter makes
// it, or a raw tcp accepter. Each port gets a free TCP port of its own, kept across restarts.
class Ser2net {
public:
    struct Port {
        QString device;
        bool rfc2217 = true;
        bool charDelay = true;   // ser2net's default; false adds "chardelay: false"
        int maxConnections = 10; // labgrid's; 0 leaves ser2net's own (one)
        quint16 tcpPort = 0;
    };

    explicit Ser2net(QList<Port> ports) : m_ports(std::move(ports))
    {
        for (Port& p : m_ports)
            p.tcpPort = freePort();
    }
    ~Ser2net() { kill(); }

    // The program, empty when it is not installed (tests then skip and say so).
    static QString program()
    {
        return QStandardPaths::findExecutable("ser2net", {"/usr/sbin", "/usr/local/sbin", "/usr/bin"});
    }
    static constexpr const char* Missing = "ser2net is not installed (apt-get install ser2net; ./test.sh does)";

    // Starts it and waits until every accepter listens.
    bool start(int ms = 10000)
    {
        QFile config(m_dir.filePath("ser2net.yaml"));
        if (!config.open(QIODevice::WriteOnly))
            return false;
        for (int i = 0; i < m_ports.size(); ++i) {
            const Port& p = m_ports[i];
            config.write(QString("connection: &board%1\n  accepter: %2tcp,127.0.0.1,%3\n"
                                 "  connector: serialdev(nouucplock=true),%4,57600n81,local\n  options:\n"
                                 "    kickolduser: false\n")
                             .arg(i)
                             .arg(p.rfc2217 ? "telnet(rfc2217,mode=server)," : "")
                             .arg(p.tcpPort)
                             .arg(p.device)
                             .toUtf8());
            if (p.maxConnections > 0)
                config.write(QString("    max-connections: %1\n").arg(p.maxConnections).toUtf8());
            if (!p.charDelay)
                config.write("    chardelay: false\n");
        }
        config.close();
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(program(), {"-n", "-c", config.fileName(), "-P", m_dir.filePath("ser2net.pid")});
        if (!m_process.waitForStarted(ms))
            return false;
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
            if (std::all_of(m_ports.begin(), m_ports.end(), [](const Port& p) { return listening(p.tcpPort); }))
                return true;
            QThread::msleep(10);
        }
        return false;
    }
    // Ends it at once (SIGKILL), as a crash or a pulled plug at the far host would.
    void kill()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    [[nodiscard]] quint16 tcpPort(int i = 0) const { return m_ports[i].tcpPort; }
    [[nodiscard]] QString name(int i = 0) const
    {
        return QString("%1://127.0.0.1:%2").arg(m_ports[i].rfc2217 ? "rfc2217" : "socket").arg(m_ports[i].tcpPort);
    }

    // A TCP port that nothing listens on now.
    static quint16 freePort()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
                        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0;
        ::close(fd);
        return ok ? ntohs(a.sin_port) : 0;
    }
    // Whether something listens on 127.0.0.1:port, from the kernel's table (no connection is
    // made, which ser2net would count).
    static bool listening(quint16 port)
    {
        QFile tcp("/proc/net/tcp");
        if (!tcp.open(QIODevice::ReadOnly))
            return false;
        const QByteArray local = QString("0100007F:%1").arg(port, 4, 16, QChar('0')).toUpper().toLatin1();
        for (const QByteArray& line : tcp.readAll().split('\n')) {
            const QList<QByteArray> f = line.simplified().split(' ');
            if (f.size() > 3 && f[1] == local && f[3] == "0A")
                return true;
        }
        return false;
    }

private:
    QList<Port> m_ports;
    QTemporaryDir m_dir;
    QProcess m_process;
};
