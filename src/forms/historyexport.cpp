#include "historyexport.h"

#include "history/historycsv.h"

#include <QSaveFile>

namespace zel {

using history::Step;

Step exportStep(qint64 spanS)
{
    if (spanS <= 6 * 3600)
        return Step::Second;
    if (spanS <= 8 * 86400)
        return Step::Minute;
    return Step::Hour;
}

std::optional<SamplesCsv> samplesCsv(history::HistoryReader& reader, qint64 fromS, qint64 toS)
{
    for (Step step : {Step::Second, Step::Minute, Step::Hour}) {
        if (step < exportStep(toS - fromS))
            continue;
        SamplesCsv csv;
        csv.step = step;
        csv.text = history::samplesHeader(step) + u'\n';
        const auto add = [&csv](const QString& row) {
            csv.text += row;
            csv.text += u'\n';
            ++csv.rows;
        };
        const bool ok = step == Step::Second
                            ? reader.forEachSecond(fromS, toS,
                                                   [&](const history::SecondSample& s) {
                                                       add(history::secondRow(s));
                                                   })
                            : reader.forEachRollup(step, fromS, toS, [&](const history::Rollup& r) {
                                  add(history::rollupRow(r));
                              });
        if (!ok)
            return std::nullopt;
        if (csv.rows > 0 || step == Step::Hour)
            return csv;
    }
    return std::nullopt;
}

bool writeTextFile(const QString& path, const QString& text, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

QString stepName(Step step)
{
    switch (step) {
    case Step::Second:
        return QStringLiteral("1 s");
    case Step::Minute:
        return QStringLiteral("1 min");
    case Step::Hour:
        break;
    }
    return QStringLiteral("1 h");
}

} // namespace zel
