// No two items of one menu or one window share an access key: a shared key
// only moves the focus or the highlight between them, and the item the
// operator meant never runs.

#include "alarms/shelf.h"
#include "config/portdirectory.h"
#include "config/qtsettingsstore.h"
#include "forms/accountlogindialog.h"
#include "forms/alarmacknowledger.h"
#include "forms/eventswindow.h"
#include "forms/frmlogin.h"
#include "forms/frmselcomm.h"
#include "forms/historywindow.h"
#include "forms/shelvedialog.h"
#include "forms/stationrecorddialog.h"
#include "support/monitorrig.h"
#include "telemetry/qtserialport.h"
#include "web/operatorlock.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QTest>

#include <functional>

using namespace zel;

namespace {

class NoAcknowledger final : public AlarmAcknowledger {
public:
    void acknowledge(qint64) override {}
};

// The letter after a lone '&' ("&&" is a literal ampersand); null for none.
QChar accessKey(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&')
            continue;
        if (text[i + 1] != u'&')
            return text[i + 1].toUpper();
        ++i;
    }
    return {};
}

// Every clash among the texts, as "'A': "Set &Address" and "&Alerts"".
QStringList clashes(const QStringList& texts)
{
    QMap<QChar, QString> owner;
    QStringList found;
    for (const QString& text : texts) {
        const QChar key = accessKey(text);
        if (key.isNull())
            continue;
        if (owner.contains(key))
            found << QStringLiteral("'%1': \"%2\" and \"%3\"").arg(key, owner[key], text);
        else
            owner.insert(key, text);
    }
    return found;
}

// The texts that take an access key in one window, menus apart: buttons
// (check and radio boxes too), group boxes and labels with a buddy, and tab
// titles. Every tab's page counts: a key stays the window's own on any tab.
QStringList windowTexts(QWidget* window)
{
    QSet<QWidget*> shown;
    const auto collect = [&] {
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (w->window() == window && w->isVisibleTo(window))
                shown.insert(w);
        }
    };
    collect();
    QStringList texts;
    for (QTabWidget* tabs : window->findChildren<QTabWidget*>()) {
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            collect();
            texts << tabs->tabText(i);
        }
    }
    for (QWidget* w : std::as_const(shown)) {
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            texts << button->text();
        else if (auto* group = qobject_cast<QGroupBox*>(w))
            texts << group->title();
        else if (auto* label = qobject_cast<QLabel*>(w); label && label->buddy())
            texts << label->text();
    }
    return texts;
}

QStringList menuTexts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* item : menu->actions()) {
        if (item->isVisible() && !item->isSeparator())
            texts << item->text();
    }
    return texts;
}

} // namespace

class TestAccessKeys : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        m_rig = std::make_unique<MonitorRig>(QByteArray(""));
        m_rig->form->Form_Load();
        m_rig->form->attachStationRecord(m_rig->dir.filePath(QStringLiteral("history.db")),
                                         m_acknowledger);
        m_shelf = std::make_unique<Shelf>(m_rig->form->core().clock(), 12, QStringLiteral("a"));
        m_rig->form->setShelf(m_shelf.get());
        m_store = std::make_unique<QtSettingsStore>(m_rig->iniPath());
        m_port = std::make_unique<QtSerialPort>([](int) { return QString(); });
        m_lock = std::make_unique<OperatorLock>(*m_store, QString());
    }
    void cleanupTestCase()
    {
        m_port.reset();
        m_lock.reset();
        m_store.reset();
        m_rig.reset();
        m_shelf.reset();
    }

    void noTwoItemsShareAKey_data()
    {
        QTest::addColumn<QString>("window");
        for (const char* name : {"Form1", "frmLogin", "frmSelComm", "StationRecord", "Events",
                                 "History", "Shelve", "AccountLogin"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void noTwoItemsShareAKey()
    {
        QFETCH(QString, window);
        std::unique_ptr<QWidget> own;
        QWidget* shown = nullptr;
        Form1& form = *m_rig->form;
        if (window == u"Form1") {
            shown = &form;
        } else if (window == u"Events") {
            shown = form.eventsWindow();
        } else if (window == u"History") {
            shown = form.historyWindow();
        } else if (window == u"frmLogin") {
            own = std::make_unique<frmLogin>(*m_rig->dialogs);
        } else if (window == u"frmSelComm") {
            own = std::make_unique<FrmSelComm>(*m_port, *m_store, QStringLiteral("0"),
                                               *m_rig->dialogs);
        } else if (window == u"AccountLogin") {
            own = std::make_unique<AccountLoginDialog>(*m_lock, QStringLiteral("SET"));
        } else if (window == u"Shelve") {
            own = std::make_unique<ShelveDialog>(QStringLiteral("silence"), 12);
        } else {
            own = std::make_unique<StationRecordDialog>(*m_store, nullptr, QString(), m_clock);
        }
        if (own)
            shown = own.get();
        QVERIFY(shown);
        QStringList found = clashes(windowTexts(shown));
        for (const QMenu* menu : shown->findChildren<QMenu*>())
            found += clashes(menuTexts(menu));
        QVERIFY2(found.isEmpty(), qPrintable(found.join(QStringLiteral("; "))));
    }

private:
    NoAcknowledger m_acknowledger;
    SystemClock m_clock;
    std::unique_ptr<Shelf> m_shelf;
    std::unique_ptr<MonitorRig> m_rig;
    std::unique_ptr<QtSettingsStore> m_store;
    std::unique_ptr<QtSerialPort> m_port;
    std::unique_ptr<OperatorLock> m_lock;
};

QTEST_MAIN(TestAccessKeys)
#include "tst_accesskeys.moc"
