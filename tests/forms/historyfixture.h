#pragma once

#include "history/historystore.h"
#include "history/historytestdata.h"
#include "support/fakes.h"

#include <QTemporaryDir>
#include <QTest>

// A history database in a temporary folder for the window tests, written
// through the store as the monitor writes it.
struct HistoryFixture {
    static constexpr qint64 T0 = 1767225600; // 2026-01-01T00:00:00Z
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("history.db"));
    zel::history::HistoryStore store{path};
    FixedClock clock;

    HistoryFixture()
    {
        clock.at = QDateTime::fromSecsSinceEpoch(T0 + 600, Qt::UTC);
        QVERIFY2(!store.open(), "open");
    }

    // The events as stored, with their ids.
    QList<zel::EventRecord> write(const QList<zel::history::SecondSample>& seconds,
                                  QList<zel::EventRecord> events = {})
    {
        const zel::history::StoreError e =
            store.write(seconds, events, clock.now().toSecsSinceEpoch());
        if (e)
            qFatal("cannot write the test database: %s", qPrintable(e.message));
        return events;
    }

    static zel::EventRecord event(qint64 s, const QString& kind, const QString& state)
    {
        zel::EventRecord e;
        e.time = QDateTime::fromSecsSinceEpoch(s, Qt::UTC);
        e.event = kind;
        e.state = state;
        return e;
    }
};
