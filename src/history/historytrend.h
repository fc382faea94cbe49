#pragma once

#include "alarms/alarmtitle.h"
#include "historyreader.h"

#include <QList>
#include <QMetaType>
#include <QString>

namespace zel {

// One trace of the history window: a stored field with its words and unit.
struct TraceInfo {
    history::Field field;
    QString title;
    QString unit;
};

// The traces, top to bottom.
const QList<TraceInfo>& historyTraces();

// What the window asks for: the range cut into one bucket per pixel column.
struct TrendRequest {
    qint64 fromS = 0;
    qint64 toS = 0;
    int columns = 1;
    quint64 generation = 0; // later requests make earlier ones stale
};

// The buckets of every trace (historyTraces() order) and the alarms in the
// range; error says why nothing could be read.
struct TrendData {
    TrendRequest request;
    QList<QList<history::TrendBucket>> traces;
    QList<history::AlarmSpan> alarms;
    QString error;
};

// Buckets to ask for over a span drawn pixels wide: one per pixel, but
// none under a minute beyond three hours, where grouping that many seconds
// would take longer than drawing may.
int trendColumns(qint64 spanS, int pixels);

// Seconds per bucket, as the reader cuts the range.
qint64 bucketSeconds(qint64 fromS, qint64 toS, int columns);

TrendData loadTrend(history::HistoryReader& reader, const TrendRequest& request);

// The bucket that holds time t (seconds), or -1; buckets sorted by start.
qsizetype bucketAt(const QList<history::TrendBucket>& buckets, qint64 t, qint64 width);

} // namespace zel

Q_DECLARE_METATYPE(zel::TrendRequest)
Q_DECLARE_METATYPE(zel::TrendData)
