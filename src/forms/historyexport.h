#pragma once

#include "history/historyreader.h"

#include <QString>

#include <optional>

namespace zel {

// The samples step that fits a shown range: seconds up to six hours,
// minutes up to eight days, hours beyond.
history::Step exportStep(qint64 spanS);

// The command line's samples CSV for [fromS, toS), one line each ending in a
// line feed, at the step that fits the range, or a coarser one where the
// finer has been thinned out.
struct SamplesCsv {
    QString text;
    history::Step step = history::Step::Second;
    qint64 rows = 0;
};
std::optional<SamplesCsv> samplesCsv(history::HistoryReader& reader, qint64 fromS, qint64 toS);

// Replaces path with text as a whole, or leaves it alone and says why.
bool writeTextFile(const QString& path, const QString& text, QString* error);

QString stepName(history::Step step);

} // namespace zel
