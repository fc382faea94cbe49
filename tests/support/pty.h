#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal pair in raw mode: the code under test opens the device
// path like any serial port; the test plays the transmitter on the other end.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool isValid() const { return m_master >= 0; }
    QString devicePath() const { return m_path; }
    // The transmitter's end, non-blocking, for a test that watches it itself.
    int masterFd() const { return m_master; }
    void write(const QByteArray& bytes);
    // Every byte that arrived from the device side so far.
    QByteArray readAvailable();
    // The device goes away, as when a USB adapter is pulled.
    void closeMaster();

private:
    int m_master = -1;
    QString m_path;
};
