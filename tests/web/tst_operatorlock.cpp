// The window's own lock over the accounts: when it is wanted, who may open
// it, the lock-out after failures and locking again when idle.

#include "support/fakes.h"
#include "web/accountfile.h"
#include "web/operatorlock.h"
#include "web/passwordhash.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace zel;
using Admission = OperatorLock::Admission;

namespace {

const QByteArray Password = "correct horse battery";

} // namespace

class TestOperatorLock : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QByteArray m_hash; // of Password: one for the whole suite
    MemorySettings m_settings;
    qint64 m_now = 1000;

    QString path() const { return m_dir.filePath(QStringLiteral("web-accounts")); }
    // name:role pairs, every one with m_hash.
    bool writeAccounts(const QList<std::pair<QString, Role>>& accounts)
    {
        QFile::remove(path());
        AccountFile file(path());
        for (const auto& [name, role] : accounts)
            file.add({name, role, m_hash});
        return file.save(nullptr);
    }
    std::unique_ptr<OperatorLock> makeLock(int idleMs = OperatorLock::DefaultIdleMs)
    {
        return std::make_unique<OperatorLock>(m_settings, path(), idleMs, [this] { return m_now; });
    }
    void requireLogin(const QString& value)
    {
        m_settings.values.insert(QStringLiteral("Control/RequireLogin"), value);
    }
    // Signs in and waits for the verdict: the refusal, or empty.
    static QString signIn(OperatorLock& lock, const QString& name, const QByteArray& password)
    {
        QSignalSpy in(&lock, &OperatorLock::signedIn);
        QSignalSpy refused(&lock, &OperatorLock::refused);
        lock.signIn(name, password, QStringLiteral("SET"));
        if (!QTest::qWaitFor([&] { return in.size() + refused.size() > 0; }, 20000))
            return QStringLiteral("no verdict");
        return refused.isEmpty() ? QString() : refused.first().first().toString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_hash = hashPassword(Password);
        QVERIFY(!m_hash.isEmpty());
    }
    void init()
    {
        m_now = 1000;
        m_settings.values.clear();
    }

    void admission_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<bool>("accounts");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("notice");
        const int open = int(Admission::Open), locked = int(Admission::Locked);
        QTest::newRow("absent") << QString() << true << 0600 << open << false;
        QTest::newRow("false") << "False" << true << 0600 << open << false;
        QTest::newRow("true, no accounts") << "true" << false << 0600 << open << false;
        QTest::newRow("true, an account") << " TRUE " << true << 0600 << locked << false;
        // Read by others: refused, and the lock stays shut rather than open.
        QTest::newRow("true, file others read") << "true" << true << 0644 << locked << false;
        QTest::newRow("bad value") << "yes" << true << 0600 << open << true;
    }
    void admission()
    {
        QFETCH(QString, setting);
        QFETCH(bool, accounts);
        QFETCH(int, mode);
        QFETCH(int, expected);
        QFETCH(bool, notice);
        if (!setting.isNull())
            requireLogin(setting);
        QVERIFY(writeAccounts(accounts ? QList<std::pair<QString, Role>>{{"op", Role::Operator}}
                                       : QList<std::pair<QString, Role>>{}));
        QCOMPARE(::chmod(QFile::encodeName(path()).constData(), mode_t(mode)), 0);
        auto lock = makeLock();
        QSignalSpy told(lock.get(), &OperatorLock::settingsProblem);
        QCOMPARE(int(lock->admit()), expected);
        QCOMPARE(int(lock->admit()), expected);
        QCOMPARE(told.size(), notice ? 1 : 0); // once, not at every act
        if (notice)
            QVERIFY(told.first().first().toString().startsWith("Settings: [Control] RequireLogin"));
    }

    void signIn_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("logged");
        QTest::newRow("operator") << "op" << Password << QString() << "info unlocked SET";
        QTest::newRow("admin") << "ad" << Password << QString() << "info unlocked SET";
        QTest::newRow("viewer") << "vi" << Password << "vi is a viewer"
                                << "failed refused for SET: a viewer account";
        QTest::newRow("wrong password")
            << "op" << QByteArray("correct horse batterY") << "Wrong account or password."
            << "failed refused for SET: wrong account or password";
        QTest::newRow("no such account") << "nobody" << Password << "Wrong account or password."
                                         << "failed refused for SET: wrong account or password";
        QTest::newRow("no password") << "op" << QByteArray() << "Type the account's" << QString();
    }
    void signIn()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, password);
        QFETCH(QString, refusal);
        QFETCH(QString, logged);
        requireLogin(QStringLiteral("true"));
        QVERIFY(writeAccounts({{"op", Role::Operator}, {"ad", Role::Admin}, {"vi", Role::Viewer}}));
        auto lock = makeLock();
        QSignalSpy access(lock.get(), &OperatorLock::access);
        QSignalSpy verdicts(lock.get(), &OperatorLock::refused);
        QSignalSpy in(lock.get(), &OperatorLock::signedIn);
        lock->signIn(name, password, QStringLiteral("SET"));
        // A second attempt while the first is checked is ignored.
        QCOMPARE(lock->checking(), !logged.isEmpty());
        if (lock->checking())
            lock->signIn(QStringLiteral("ad"), Password, QStringLiteral("SET"));
        QTRY_COMPARE_WITH_TIMEOUT(verdicts.size() + in.size(), 1, 20000);
        QTest::qWait(50);
        QCOMPARE(verdicts.size() + in.size(), 1);
        QVERIFY(!lock->checking());
        if (refusal.isEmpty()) {
            QCOMPARE(lock->account(), name);
            QCOMPARE(lock->actingUser(), name + "@window");
            QCOMPARE(lock->admit(), Admission::SignedIn);
        } else {
            QVERIFY2(verdicts.first().first().toString().startsWith(refusal),
                     qPrintable(verdicts.first().first().toString()));
            QVERIFY(lock->account().isEmpty());
            QCOMPARE(lock->admit(), Admission::Locked);
        }
        QStringList rows;
        for (const QList<QVariant>& row : access) {
            QCOMPARE(row[2].toString(), name);
            rows << row[0].toString() + u' ' + row[1].toString() + u' ' + row[3].toString();
        }
        QCOMPARE(rows, logged.isEmpty() ? QStringList() : QStringList{"window_login " + logged});
    }

    // Five failures for a name lock it (and the window's sign-in) for 15
    // minutes, the right password included; then it opens again.
    void fiveFailuresLockOut()
    {
        requireLogin(QStringLiteral("true"));
        QVERIFY(writeAccounts({{"op", Role::Operator}}));
        auto lock = makeLock();
        QSignalSpy access(lock.get(), &OperatorLock::access);
        for (int i = 1; i <= 4; ++i)
            QCOMPARE(signIn(*lock, "op", "guess"), QStringLiteral("Wrong account or password."));
        QCOMPARE(signIn(*lock, "op", "guess"),
                 QStringLiteral("Too many failed sign-ins: try again in 15 minutes."));
        QStringList lockouts;
        for (const QList<QVariant>& row : access) {
            if (row[0].toString() == u"window_lockout")
                lockouts << row[3].toString();
        }
        QCOMPARE(lockouts,
                 QStringList({"5 failed sign-ins within 15 minutes: the account locked out for 15 "
                              "minutes",
                              "5 failed sign-ins within 15 minutes: the window's sign-in locked "
                              "out for 15 minutes"}));
        m_now += 14 * 60 * 1000;
        QCOMPARE(signIn(*lock, "op", Password),
                 QStringLiteral("Too many failed sign-ins: try again in 1 minute."));
        m_now += 60 * 1000;
        QCOMPARE(signIn(*lock, "op", Password), QString());
    }

    void locksAgain_data()
    {
        QTest::addColumn<QString>("why");
        QTest::newRow("idle") << "idle";
        QTest::newRow("account removed") << "removed";
        QTest::newRow("made a viewer") << "viewer";
        QTest::newRow("RequireLogin off") << "off";
    }
    void locksAgain()
    {
        QFETCH(QString, why);
        requireLogin(QStringLiteral("true"));
        QVERIFY(writeAccounts({{"op", Role::Operator}, {"ad", Role::Admin}}));
        auto lock = makeLock(why == u"idle" ? 300 : OperatorLock::DefaultIdleMs);
        QCOMPARE(signIn(*lock, "op", Password), QString());
        if (why == u"idle") {
            QTRY_VERIFY_WITH_TIMEOUT(lock->account().isEmpty(), 10000);
        } else if (why == u"removed") {
            QVERIFY(writeAccounts({{"ad", Role::Admin}}));
        } else if (why == u"viewer") {
            QVERIFY(writeAccounts({{"op", Role::Viewer}, {"ad", Role::Admin}}));
        } else {
            requireLogin(QStringLiteral("false"));
            QCOMPARE(lock->admit(), Admission::Open);
            requireLogin(QStringLiteral("true"));
        }
        QCOMPARE(lock->admit(), Admission::Locked);
        QVERIFY(lock->actingUser().isEmpty());
    }
};

QTEST_MAIN(TestOperatorLock)
#include "tst_operatorlock.moc"
