#include "gatewaysim.h"

#include "simlog.h"

#include <QPointer>
#include <QTcpSocket>

#include <array>
#include <sys/socket.h>

namespace zel::sim {

namespace {

struct NamedFault {
    Fault fault;
    const char* name;
};

constexpr std::array kFaults{
    NamedFault{Fault::None, "none"},     NamedFault{Fault::Refuse, "refuse"},
    NamedFault{Fault::Silent, "silent"}, NamedFault{Fault::Late, "late"},
    NamedFault{Fault::Split, "split"},   NamedFault{Fault::Garbage, "garbage"},
    NamedFault{Fault::Reset, "reset"},
};

constexpr int kModelStepMs = 100;

} // namespace

QString faultName(Fault fault)
{
    for (const auto& entry : kFaults) {
        if (entry.fault == fault)
            return QString::fromLatin1(entry.name);
    }
    return {};
}

std::optional<Fault> faultFromName(const QString& name)
{
    for (const auto& entry : kFaults) {
        if (name == QLatin1String(entry.name))
            return entry.fault;
    }
    return std::nullopt;
}

QStringList faultNames()
{
    QStringList names;
    for (const auto& entry : kFaults)
        names << QString::fromLatin1(entry.name);
    return names;
}

GatewaySim::GatewaySim(GatewayOptions options, QObject* parent)
    : QObject(parent), options_(options), transmitter_(options.seed),
      player_(transmitter_, options.scenario, options.scriptStepMs), garbageRng_(options.seed + 1)
{
    transmitter_.setDeviceId(options_.deviceId);
    modelTimer_.setInterval(kModelStepMs);
    connect(&modelTimer_, &QTimer::timeout, this, &GatewaySim::stepModel);
    connect(&server_, &QTcpServer::newConnection, this, &GatewaySim::acceptConnections);
}

bool GatewaySim::start()
{
    if (!server_.listen(QHostAddress::LocalHost, options_.port)) {
        std::fprintf(stderr, "zel-fm-sim: cannot listen on 127.0.0.1:%u: %s\n",
                     static_cast<unsigned>(options_.port), qPrintable(server_.errorString()));
        return false;
    }
    const quint16 port = server_.serverPort();
    // With no listener left on the port, connects to it are refused.
    if (options_.fault == Fault::Refuse)
        server_.close();
    clock_.start();
    logLine(QStringLiteral("ready gateway 127.0.0.1 %1").arg(port));
    if (options_.scenario == Scenario::Script)
        logLine(QStringLiteral("event scenario %1").arg(scenarioName(player_.active())));
    modelTimer_.start();
    return true;
}

void GatewaySim::acceptConnections()
{
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        logLine(QStringLiteral("event connection opened"));
        auto decoder = std::make_shared<GatewayCommandDecoder>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, decoder] {
            for (const CommandEvent& event : decoder->feed(socket->readAll())) {
                logLine(event.logLine());
                if (event.kind == CommandEvent::Kind::Poll)
                    answer(socket);
                else if (event.kind == CommandEvent::Kind::Set && options_.ignoreSet)
                    logLine(QStringLiteral("event set ignored"));
                else if (event.kind == CommandEvent::Kind::Set)
                    transmitter_.apply(event.set);
            }
        });
        connect(socket, &QTcpSocket::disconnected, this, [socket] {
            logLine(QStringLiteral("event connection closed"));
            socket->deleteLater();
        });
    }
}

void GatewaySim::answer(QTcpSocket* socket)
{
    if (options_.fault == Fault::Silent || player_.active() == Scenario::Silent)
        return;
    const QByteArray reply = encodeStatusReply(transmitter_.sample());
    QPointer<QTcpSocket> guarded(socket);
    switch (options_.fault) {
    case Fault::None:
    case Fault::Refuse:
    case Fault::Silent:
        socket->write(reply);
        break;
    case Fault::Late:
        QTimer::singleShot(kLateReplyMs, this, [guarded, reply] {
            if (guarded && guarded->state() == QAbstractSocket::ConnectedState)
                guarded->write(reply);
            else
                logLine(QStringLiteral("event late reply dropped: connection already closed"));
        });
        break;
    case Fault::Split:
        socket->write(reply.first(reply.size() / 2));
        socket->flush();
        QTimer::singleShot(kSplitGapMs, this, [guarded, reply] {
            if (guarded && guarded->state() == QAbstractSocket::ConnectedState)
                guarded->write(reply.sliced(reply.size() / 2));
        });
        break;
    case Fault::Garbage: {
        QByteArray garbage(kGarbageBytes, Qt::Uninitialized);
        std::uniform_int_distribution<int> byte(0, 255);
        for (char& c : garbage)
            c = static_cast<char>(byte(garbageRng_));
        socket->write(garbage);
        break;
    }
    case Fault::Reset:
        socket->write(reply.first(reply.size() / 2));
        socket->flush();
        // Give the half reply time to arrive, then abort with RST: linger 0
        // makes close() drop the connection instead of the FIN handshake.
        QTimer::singleShot(kResetDelayMs, this, [guarded] {
            if (!guarded)
                return;
            const linger hard{1, 0};
            ::setsockopt(static_cast<int>(guarded->socketDescriptor()), SOL_SOCKET, SO_LINGER,
                         &hard, sizeof hard);
            logLine(QStringLiteral("event connection reset"));
            guarded->abort();
            guarded->deleteLater();
        });
        break;
    }
}

void GatewaySim::stepModel()
{
    for (const QString& line : player_.advance(clock_.elapsed()))
        logLine(line);
}

} // namespace zel::sim
