#include "tracesettings.h"

#include "common/lenientnumber.h"
#include "common/wholenumber.h"
#include "settingskeys.h"

namespace zel {

qint64 traceFileMaxBytes(const SettingsStore& store)
{
    const QString text = store.read(keys::TraceSection, keys::MaxKiB, QString());
    if (text.trimmed().isEmpty())
        return DefaultTraceMaxKiB * 1024;
    return roundToWhole(parseLeadingNumber(text), 1, 4194304).value_or(DefaultTraceMaxKiB) * 1024;
}

} // namespace zel
