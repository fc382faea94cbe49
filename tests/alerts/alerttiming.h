#pragma once

// What the tests of alert delivery share: pauses short enough to wait out,
// and an alarm raised now.

#include "alarms/eventrecord.h"
#include "alerts/alertdispatcher.h"

#include <QDateTime>

inline zel::DeliveryTiming quickDelivery()
{
    zel::DeliveryTiming t;
    t.firstPauseMs = 50;
    t.longestPauseMs = 200;
    // Long enough that a loaded machine (the receivers share the test's
    // thread) is not taken for a fault; the silent receivers wait them out.
    t.mailTimeoutMs = 4000;
    t.webhookTimeoutMs = 2000;
    return t;
}

inline zel::EventRecord raisedNow(const QString& kind)
{
    return {0,
            QDateTime::currentDateTimeUtc(),
            kind,
            zel::eventstate::Raised,
            QStringLiteral("47.9"),
            QString(),
            QString(),
            QString()};
}
