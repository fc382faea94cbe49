// The web panel's accounts: password hashes, the accounts file, the sign-in
// lock-out and the sessions, on a clock the tests move.

#include "web/accountfile.h"
#include "web/loginguard.h"
#include "web/passwordhash.h"
#include "web/sessionstore.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace zel;

namespace {

const QByteArray SomeHash = "$argon2id$v=19$m=65536,t=2,p=1$c2FsdHNhbHQ$aGFzaGhhc2g";

bool writeFile(const QString& path, const QByteArray& content, mode_t mode)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return false;
    file.close();
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

mode_t modeOf(const QString& path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 0777;
}

} // namespace

class TestWebAuth : public QObject {
    Q_OBJECT
    qint64 m_now = 1000;
    MonotonicClock clock()
    {
        return [this] { return m_now; };
    }
    static constexpr qint64 Minute = 60 * 1000;

private Q_SLOTS:
    void init() { m_now = 1000; }

    void passwordHash()
    {
        const QByteArray hash = hashPassword("correct horse battery");
        QVERIFY(hash.startsWith("$argon2id$"));
        QVERIFY(!hash.contains("correct horse"));
        QVERIFY(hash != hashPassword("correct horse battery")); // salted
        QVERIFY(verifyPassword(hash, "correct horse battery"));
        QVERIFY(!verifyPassword(hash, "correct horse batterY"));
        QVERIFY(!verifyPassword(hash, ""));
        QVERIFY(!verifyPassword({}, "correct horse battery"));
        QVERIFY(!verifyPassword("$2y$10$notargon", "correct horse battery"));
        QVERIFY(!needsRehash(hash));
        QVERIFY(needsRehash("$argon2id$v=19$m=4096,t=1,p=1$c2FsdHNhbHQ$aGFzaGhhc2g"));
    }

    void accountFileLines_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<int>>("badLines");
        const QByteArray ann = "ann:admin:" + SomeHash + "\n";
        QTest::newRow("one") << ann << QStringList{"ann"} << QList<int>{};
        QTest::newRow("comments, blanks, CRLF, no last newline")
            << "# accounts\n\n" + ann + "  \r\nbob.k-2_:viewer:" + SomeHash +
                   "\r\nc:operator:" + SomeHash
            << QStringList{"ann", "bob.k-2_", "c"} << QList<int>{};
        QTest::newRow("malformed lines skipped")
            << "ann\n" + ann + "bad name:viewer:" + SomeHash + "\nbob:boss:" + SomeHash +
                   "\ncy:viewer:secret\n:viewer:" + SomeHash + "\ndee:viewer:" + SomeHash + ":x\n" +
                   QByteArray(33, 'e') + ":viewer:" + SomeHash + "\n" + ann
            << QStringList{"ann"} << QList<int>{1, 3, 4, 5, 6, 7, 8, 9};
        QTest::newRow("not UTF-8") << "\xff\xfe:viewer:" + SomeHash + "\n"
                                   << QStringList{} << QList<int>{1};
    }
    void accountFileLines()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, names);
        QFETCH(QList<int>, badLines);
        QTemporaryDir dir;
        const QString path = dir.filePath("web-accounts");
        QVERIFY(writeFile(path, content, 0600));
        AccountFile file(path);
        QVERIFY2(file.load(), qPrintable(file.error()));
        QStringList loaded;
        for (const Account& account : file.accounts())
            loaded << account.name;
        QCOMPARE(loaded, names);
        QCOMPARE(file.problems().size(), badLines.size());
        for (qsizetype i = 0; i < badLines.size(); ++i)
            QVERIFY2(file.problems().at(i).startsWith(
                         QStringLiteral("web-accounts line %1: ").arg(badLines.at(i))),
                     qPrintable(file.problems().at(i)));
        // What could not be read is written back as it was.
        QString error;
        QVERIFY(file.save(&error));
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray expected =
            content.replace("\r\n", "\n") + (content.endsWith('\n') ? "" : "\n");
        QCOMPARE(saved.readAll(), expected);
    }

    void accountFileRoundTrip()
    {
        QTemporaryDir dir;
        const QString path = accountFilePath(dir.filePath("ZEL/ZEL.ini"));
        QCOMPARE(path, dir.filePath("ZEL/web-accounts"));
        AccountFile file(path);
        QVERIFY(file.load()); // none yet
        QVERIFY(file.accounts().isEmpty());
        QVERIFY(file.add({"ann", Role::Admin, SomeHash}));
        QVERIFY(file.add({"bob", Role::Viewer, SomeHash}));
        QVERIFY(!file.add({"ann", Role::Viewer, SomeHash}));
        const mode_t umask = ::umask(0);
        QString error;
        const bool saved = file.save(&error);
        ::umask(umask);
        QVERIFY2(saved, qPrintable(error));
        QCOMPARE(modeOf(path), mode_t(0600));

        AccountFile again(path);
        QVERIFY(again.load());
        QCOMPARE(again.accounts().size(), 2);
        QCOMPARE(again.find(u"ann")->role, Role::Admin);
        QCOMPARE(again.find(u"ann")->hash, SomeHash);
        QVERIFY(!again.find(u"Ann"));
        QVERIFY(again.setHash(u"bob", "$argon2id$other"));
        QVERIFY(again.remove(u"ann"));
        QVERIFY(!again.remove(u"ann"));
        // A mode someone loosened is not kept.
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0660) == 0);
        QVERIFY(again.save(&error));
        QCOMPARE(modeOf(path), mode_t(0600));
        QVERIFY(again.load());
        QCOMPARE(again.accounts().size(), 1);
        QCOMPARE(again.find(u"bob")->hash, QByteArray("$argon2id$other"));

        // The service's file, root's with read for its group, stays so.
        if (::geteuid() != 0)
            return;
        QVERIFY(::chown(QFile::encodeName(path).constData(), 0, 1) == 0);
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0640) == 0);
        QVERIFY(again.load());
        QVERIFY(again.save(&error));
        QCOMPARE(modeOf(path), mode_t(0640));
        QCOMPARE(QFileInfo(path).groupId(), 1u);
    }

    void accountFileRefused_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("error");
        QTest::newRow("others read")
            << 0604 << qint64(10) << "may be read by other users (mode 0604)";
        QTest::newRow("group read, own file")
            << 0640 << qint64(10) << "may be read by other users (mode 0640)";
        QTest::newRow("group write") << 0620 << qint64(10) << "may be read by other users";
        QTest::newRow("too large") << 0600 << AccountFile::MaxBytes + 1 << "is larger than";
    }
    void accountFileRefused()
    {
        QFETCH(int, mode);
        QFETCH(qint64, size);
        QFETCH(QString, error);
        if (::geteuid() == 0 && mode == 0640)
            QSKIP("root's file with read for its group is the service's");
        QTemporaryDir dir;
        const QString path = dir.filePath("web-accounts");
        QVERIFY(writeFile(path, QByteArray(size, '#'), mode_t(mode)));
        AccountFile file(path);
        QVERIFY(!file.load());
        QVERIFY2(file.error().contains(error), qPrintable(file.error()));
        QVERIFY(file.accounts().isEmpty());
    }

    // Five failures within 15 minutes lock for 15 minutes, per name and per
    // address, whichever repeats.
    void lockOut_data()
    {
        QTest::addColumn<bool>("sameName");
        QTest::addColumn<bool>("sameAddress");
        QTest::newRow("one name, many addresses") << true << false;
        QTest::newRow("one address, many names") << false << true;
    }
    void lockOut()
    {
        QFETCH(bool, sameName);
        QFETCH(bool, sameAddress);
        LoginGuard guard(clock());
        const auto name = [&](int i) { return sameName ? QString("ann") : QString("n%1").arg(i); };
        const auto address = [&](int i) {
            return sameAddress ? QString("192.0.2.1") : QString("198.51.100.%1").arg(i);
        };
        for (int i = 0; i < 4; ++i) {
            QVERIFY(guard.check(name(i), address(i)).allowed);
            const LoginGuard::Outcome outcome = guard.failed(name(i), address(i));
            QVERIFY(!outcome.accountLocked && !outcome.addressLocked);
            m_now += 3 * Minute;
        }
        const LoginGuard::Outcome fifth = guard.failed(name(4), address(4));
        QCOMPARE(fifth.accountLocked, sameName);
        QCOMPARE(fifth.addressLocked, sameAddress);
        // Locked for everyone else sharing what repeated; not for the rest.
        LoginGuard::Verdict verdict = guard.check(name(9), address(9));
        QVERIFY(!verdict.allowed);
        QCOMPARE(verdict.secondsLeft, 900);
        QVERIFY(guard.check("bob", "203.0.113.7").allowed);
        // Failures while locked neither count nor prolong it; nor does a
        // success end it.
        QVERIFY(!guard.failed(name(9), address(9)).accountLocked);
        guard.succeeded(name(9), address(9));
        m_now += 15 * Minute - 500;
        verdict = guard.check(name(9), address(9));
        QVERIFY(!verdict.allowed);
        QCOMPARE(verdict.secondsLeft, 1);
        m_now += 500;
        QVERIFY(guard.check(name(9), address(9)).allowed);
        // The count starts again after the lock.
        QVERIFY(!guard.failed(name(9), address(9)).accountLocked);
        QVERIFY(guard.check(name(9), address(9)).allowed);
    }

    void lockOutWindowAndSuccess()
    {
        LoginGuard guard(clock());
        // Four failures, then one more after 15 minutes: no lock.
        for (int i = 0; i < 4; ++i)
            guard.failed("ann", "192.0.2.1");
        m_now += 15 * Minute;
        QVERIFY(!guard.failed("ann", "192.0.2.2").accountLocked);
        QVERIFY(guard.check("ann", "192.0.2.1").allowed);
        // A success clears the name's count but not the address's.
        for (int i = 0; i < 3; ++i)
            guard.failed("ann", "192.0.2.3");
        guard.succeeded("ann", "192.0.2.3");
        QVERIFY(!guard.failed("ann", "192.0.2.4").accountLocked);
        guard.failed("bob", "192.0.2.3");
        QVERIFY(guard.failed("cy", "192.0.2.3").addressLocked);
        QVERIFY(guard.check("ann", "192.0.2.4").allowed);
    }

    // The tables are capped: past it, what went quiet longest is forgotten
    // first, whatever it was.
    void lockOutTablesCapped()
    {
        LoginGuard guard(clock(), {5, 15 * Minute, 15 * Minute, 3});
        for (int i = 0; i < 5; ++i)
            guard.failed("ann", "192.0.2.1");
        QVERIFY(!guard.check("ann", "192.0.2.1").allowed);
        for (int i = 2; i < 5; ++i) {
            m_now += 1;
            guard.failed(QString("n%1").arg(i), QString("192.0.2.%1").arg(i));
        }
        QVERIFY(guard.check("ann", "192.0.2.1").allowed);
        QVERIFY(guard.check("n2", "192.0.2.2").allowed);
    }

    void sessions()
    {
        SessionStore store(clock());
        const SessionStore::Created ann = store.create("ann", Role::Operator, "192.0.2.1");
        const SessionStore::Created bob = store.create("bob", Role::Viewer, "192.0.2.2");
        store.create("ann", Role::Operator, "192.0.2.3");
        QCOMPARE(ann.token.size(), 43);
        QVERIFY(
            QByteArray::fromBase64Encoding(ann.token, QByteArray::Base64UrlEncoding |
                                                          QByteArray::AbortOnBase64DecodingErrors)
                .decodingStatus == QByteArray::Base64DecodingStatus::Ok);
        QVERIFY(ann.token != bob.token && ann.csrf != ann.token && ann.csrf != bob.csrf);

        std::optional<Session> found = store.find(ann.token);
        QVERIFY(found);
        QCOMPARE(found->name, QString("ann"));
        QCOMPARE(found->role, Role::Operator);
        QCOMPARE(found->address, QString("192.0.2.1"));
        QVERIFY(SessionStore::csrfMatches(*found, ann.csrf));
        QVERIFY(!SessionStore::csrfMatches(*found, bob.csrf));
        QVERIFY(!SessionStore::csrfMatches(*found, ann.csrf.left(42)));
        QVERIFY(!SessionStore::csrfMatches(*found, {}));
        QVERIFY(!store.find(ann.csrf));
        QVERIFY(!store.find(ann.token.left(42)));

        QCOMPARE(store.endAllOf("ann"), 2);
        QVERIFY(!store.find(ann.token));
        QVERIFY(store.find(bob.token));
        QVERIFY(store.end(bob.token));
        QVERIFY(!store.end(bob.token));
        QVERIFY(!store.find(bob.token));
        QCOMPARE(store.count(), 0);
    }

    void sessionExpiry_data()
    {
        QTest::addColumn<qint64>("step");
        QTest::addColumn<qint64>("lasts");
        // Used every 29 minutes: the 24th use (at 11 h 36) is the last, the
        // 25th falls past 12 h. Idle 30 minutes: ends at the first use after.
        QTest::newRow("absolute") << 29 * Minute << 24 * 29 * Minute;
        QTest::newRow("idle") << 30 * Minute << 0LL;
    }
    void sessionExpiry()
    {
        QFETCH(qint64, step);
        QFETCH(qint64, lasts);
        SessionStore store(clock());
        const qint64 start = m_now;
        const QByteArray token = store.create("ann", Role::Viewer, "192.0.2.1").token;
        do
            m_now += step;
        while (store.find(token));
        QCOMPARE(m_now - start, lasts + step);
        QCOMPARE(store.count(), 0);
    }

    void sessionsCapped()
    {
        SessionStore store(clock(), {30 * Minute, 12 * 60 * Minute, 2});
        const QByteArray first = store.create("a", Role::Viewer, "x").token;
        m_now += 1;
        const QByteArray second = store.create("b", Role::Viewer, "x").token;
        m_now += 1;
        QVERIFY(store.find(first)); // now the second has been idle longest
        store.create("c", Role::Viewer, "x");
        QCOMPARE(store.count(), 2);
        QVERIFY(store.find(first));
        QVERIFY(!store.find(second));
    }
};

QTEST_GUILESS_MAIN(TestWebAuth)
#include "tst_webauth.moc"
