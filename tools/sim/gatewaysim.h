#pragma once

#include "simcodec.h"
#include "simtransmitter.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTcpServer>
#include <QTimer>

#include <optional>
#include <random>

class QTcpSocket;

namespace zel::sim {

enum class Fault { None, Refuse, Silent, Late, Split, Garbage, Reset };

QString faultName(Fault fault);
std::optional<Fault> faultFromName(const QString& name);
QStringList faultNames();

struct GatewayOptions {
    quint16 port = 0;
    Fault fault = Fault::None;
    Scenario scenario = Scenario::Normal;
    qint64 scriptStepMs = 10000;
    quint32 seed = 0;
    quint16 deviceId = 8001;
    bool ignoreSet = false; // log set commands but do not apply them
};

// The remote gateway: answers polls with the fixed-column status line and
// applies remote set commands. It never closes a connection on its own; the
// monitor closes each one (the reset fault aside).
class GatewaySim : public QObject {
    Q_OBJECT
public:
    static constexpr int kLateReplyMs = 1500;
    static constexpr int kSplitGapMs = 100;
    static constexpr int kResetDelayMs = 100;
    static constexpr qsizetype kGarbageBytes = 1 << 20;

    explicit GatewaySim(GatewayOptions options, QObject* parent = nullptr);

    bool start();

private:
    void acceptConnections();
    void answer(QTcpSocket* socket);
    void stepModel();

    GatewayOptions options_;
    Transmitter transmitter_;
    ScenarioPlayer player_;
    QTcpServer server_;
    QTimer modelTimer_;
    QElapsedTimer clock_;
    std::mt19937 garbageRng_;
};

} // namespace zel::sim
