// The settings load from whatever the store holds, built twice:
// - fuzz_settings keeps the texts in a store in memory. The input, split at
//   NUL bytes, gives the texts (UTF-8) of the keys in the order below, then
//   the [Ports] entry of the port named; a text starting 0xFF means "no such
//   key".
// - fuzz_settings_ini goes through the store the program uses, on a file.
//   The first byte picks how: even, the rest is the INI file; odd, the rest
//   is one text, saved and loaded back. Its inputs are files, not key texts,
//   which is why it is a target of its own.
// What was loaded then goes where the main window sends it: the serial port
// number and its device, and the gateway host through the address lookup.

#include "fuzzcheck.h"

#include "config/linksettings.h"
#include "config/portdirectory.h"
#include "config/qtsettingsstore.h"
#include "config/settingskeys.h"
#include "net/hostaddress.h"
#include "net/modwinsock.h"
#include "shell/callchain.h"
#include "shell/operatordialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>

using namespace zel;

namespace {

class MemoryStore final : public SettingsStore {
public:
    QHash<QString, QString> values; // "section/key" -> text

    QString read(const QString& section, const QString& key,
                 const QString& defaultValue) const override
    {
        return values.value(section + u'/' + key, defaultValue);
    }
    void write(const QString& section, const QString& key, const QString& value) override
    {
        values.insert(section + u'/' + key, value);
    }
    QString problem() const override { return {}; }
};

// No network here: names are never found, addresses always are.
class OfflineResolver final : public HostResolver {
public:
    HostLookup lookupByName(const QString&) override
    {
        return HostLookup::failure(HostLookup::HostNotFound);
    }
    HostLookup lookupByAddress(const IPv4Octets& address) override
    {
        return HostLookup::success({QStringLiteral("host"), address});
    }
};

class QuietDialogs final : public OperatorDialogs {
public:
    void message(const QString&, const QString&, Icon) override {}
    QString inputBox(const QString&, const QString&, const QString&) override { return {}; }
    void notice(const QString&) override {}
};

void load(const SettingsStore& store)
{
    const LinkSettings link = readLinkSettings(store);
    const SetParameterSettings panel = readSetParameterSettings(store);
    (void)panel;

    // No port chosen is kept apart from a chosen port that is no number.
    FUZZ_CHECK(!link.commPortText.isEmpty() || link.vCommport == QStringLiteral("0"));
    if (const auto port = serialPortNumber(link.commPortText)) {
        FUZZ_CHECK(*port >= 1 && *port <= 65535);
        FUZZ_CHECK(!serialDeviceName(*port, store).isEmpty());
    }

    CallChain chain;
    OfflineResolver resolver;
    ModWinSock winSock(resolver, chain);
    QuietDialogs dialogs;
    HostAddressLookup lookup(winSock, chain, dialogs);
    FUZZ_CHECK(!lookup.get_ip(link.vIP).isEmpty());
    FUZZ_CHECK(!lookup.get_ip(link.vDDNSURL).isEmpty());
    // Every procedure has left the call chain, errors or not.
    FUZZ_CHECK(chain.size() == 0);
}

#ifdef ZEL_FUZZ_INI_FILE

// A fresh file name for every input: the settings class caches files by name.
QString nextIniPath()
{
    static const QTemporaryDir dir((QFileInfo(QStringLiteral("/dev/shm")).isDir()
                                        ? QStringLiteral("/dev/shm")
                                        : QDir::tempPath()) +
                                   QStringLiteral("/zel-fuzz-settings-XXXXXX"));
    static quint64 count = 0;
    return dir.filePath(QStringLiteral("%1.ini").arg(++count));
}

void removeIni(const QString& path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral(".lock"));
}

void loadFromIni(const QByteArray& bytes)
{
    const QString path = nextIniPath();
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly));
        FUZZ_CHECK(file.write(bytes) == bytes.size());
    }
    {
        const QtSettingsStore store(path);
        load(store);
    }
    removeIni(path);
}

// The panel's texts are saved by SET and must come back as typed.
void saveAndLoad(const QByteArray& bytes)
{
    const QString text = QString::fromUtf8(bytes);
    const QString path = nextIniPath();
    {
        QtSettingsStore store(path);
        store.write(keys::Section, keys::SETFREQ, text);
    }
    {
        const QtSettingsStore store(path);
        FUZZ_CHECK(store.read(keys::Section, keys::SETFREQ, QString()) == text);
        load(store);
    }
    removeIni(path);
}

#else

const QString* const settingKeys[] = {
    &keys::CommON,    &keys::CommPort,    &keys::TCPON,     &keys::IP,       &keys::PORT,
    &keys::DDNSON,    &keys::DDNS_URL,    &keys::DDNS_PORT, &keys::SETPOWER, &keys::SETFREQ,
    &keys::SETPOWERT, &keys::SETREFLECTT, &keys::SETTEMPT};

void loadFromMemory(const QByteArray& rest)
{
    MemoryStore store;
    const QList<QByteArray> texts = rest.split('\0');
    const qsizetype count = std::min<qsizetype>(texts.size(), std::size(settingKeys));
    for (qsizetype i = 0; i < count; ++i)
        if (!texts[i].startsWith('\xFF'))
            store.write(keys::Section, *settingKeys[i], QString::fromUtf8(texts[i]));
    if (texts.size() > count && !texts[count].startsWith('\xFF')) {
        const auto port = serialPortNumber(store.read(keys::Section, keys::CommPort, QString()));
        store.write(keys::PortsSection, QString::number(port.value_or(1)),
                    QString::fromUtf8(texts[count]));
    }
    load(store);
}

#endif

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
#ifdef ZEL_FUZZ_INI_FILE
    if (size == 0)
        return 0;
    const QByteArray rest(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    if (data[0] & 1)
        saveAndLoad(rest);
    else
        loadFromIni(rest);
#else
    loadFromMemory(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
#endif
    return 0;
}
