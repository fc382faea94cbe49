#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <functional>

// A gateway on 127.0.0.1: answers each poll with the reply pieces given (none:
// it stays silent), one piece every pieceGapMs, and notes what each connection
// brought and when the client hung up (measured from the poll's arrival).
class TestGateway : public QObject {
public:
    QList<QByteArray> replyPieces;
    int pieceGapMs = 30;
    QByteArray received;            // everything, all connections together
    QList<QByteArray> byConnection; // the same, one entry per connection
    std::function<void()> onConnection;
    int open = 0;
    int mostOpenAtOnce = 0;
    qint64 hangUpAfterPollMs = -1;
    int answered = 0;

    TestGateway()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection()) {
                const qsizetype index = byConnection.size();
                byConnection.append(QByteArray());
                mostOpenAtOnce = std::max(mostOpenAtOnce, ++open);
                s->setParent(this);
                connect(s, &QTcpSocket::readyRead, this, [this, s, index] { onData(s, index); });
                connect(s, &QTcpSocket::disconnected, this, [this, s] {
                    --open;
                    if (m_sincePoll.isValid())
                        hangUpAfterPollMs = m_sincePoll.elapsed();
                    s->deleteLater();
                });
                if (onConnection)
                    onConnection();
            }
        });
    }
    QString port() const { return QString::number(m_server.serverPort()); }
    int connections() const { return int(byConnection.size()); }

private:
    void onData(QTcpSocket* s, qsizetype index)
    {
        const QByteArray bytes = s->readAll();
        received += bytes;
        byConnection[index] += bytes;
        if (received.size() < 16 * (answered + 1))
            return;
        ++answered;
        m_sincePoll.start();
        int delay = 0;
        for (const QByteArray& piece : replyPieces) {
            QTimer::singleShot(delay, s, [s, piece] { s->write(piece); });
            delay += pieceGapMs;
        }
    }

    QTcpServer m_server;
    QElapsedTimer m_sincePoll;
};

// A port with nobody listening: connects to it are refused.
inline QString closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return QString::number(probe.serverPort());
}
