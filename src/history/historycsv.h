#pragma once

#include "alarms/eventrecord.h"
#include "historyfields.h"
#include "historyreader.h"
#include "historytime.h"

#include <QString>

namespace zel::history {

// CSV of the command line, one line each, no line end. Values read as the
// panel showed them; an empty cell where it showed dashes. For minutes and
// hours each measured field has _min, _mean and _max; on_air_fraction and
// locked_fraction give the share of the period's seconds (0 to 1), link the
// one most seconds came over.
QString samplesHeader(Step step);
QString secondRow(const SecondSample& s, TimeStyle style = {});
QString rollupRow(const Rollup& r, TimeStyle style = {});
// A second or period with nothing recorded: its time and empty cells.
QString blankRow(Step step, qint64 t, TimeStyle style = {});

QString eventsHeader();
QString eventRow(const EventRecord& e, TimeStyle style = {});

// The field quoted when it holds a comma, a quote or a line break.
QString csvField(const QString& text);

} // namespace zel::history
