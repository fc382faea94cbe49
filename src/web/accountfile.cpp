#include "accountfile.h"

#include "config/filemodes.h"
#include "shell/filelocations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zel {

namespace {

constexpr qsizetype MaxHashLength = 200;

#ifdef Q_OS_UNIX
QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Root's file that its group may read and nobody else: the service's
// (root:zel-fm-monitor 0640).
bool isServiceShape(const struct stat& st)
{
    return st.st_uid == 0 && (st.st_mode & 077) == 040;
}

// Why the file is too open to hold password hashes; empty when it is not.
QString accessProblem(const QString& path, const struct stat& st)
{
    if ((st.st_mode & 077) == 0 || isServiceShape(st))
        return {};
    return QStringLiteral("%1 may be read by other users (mode %2); make it readable by its owner "
                          "only (chmod 600 %1)")
        .arg(path)
        .arg(st.st_mode & 0777, 4, 8, QLatin1Char('0'));
}
#endif

// Why a line is no account; empty when it is one.
QString parseLine(const QByteArray& text, Account* account)
{
    const QList<QByteArray> fields = text.split(':');
    if (fields.size() != 3)
        return QStringLiteral("not name:role:hash");
    account->name = QString::fromUtf8(fields.at(0));
    if (!isValidAccountName(account->name))
        return QStringLiteral("the name is not 1 to 32 of A-Z a-z 0-9 . _ -");
    const std::optional<Role> role = roleFromText(QString::fromUtf8(fields.at(1)));
    if (!role)
        return QStringLiteral("unknown role (viewer, operator or admin)");
    account->role = *role;
    account->hash = fields.at(2);
    if (!account->hash.startsWith("$argon2id$") || account->hash.size() > MaxHashLength)
        return QStringLiteral("the password hash is not an Argon2id hash");
    return {};
}

} // namespace

QString accountFilePath(const QString& settingsFilePath)
{
    return QFileInfo(settingsFilePath).dir().filePath(QStringLiteral("web-accounts"));
}

AccountFile::AccountFile(QString path) : m_path(std::move(path)) {}

bool AccountFile::load()
{
    m_lines.clear();
    m_problems.clear();
    m_error.clear();
    QFile file(m_path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("cannot read %1: %2").arg(m_path, file.errorString());
        return false;
    }
    // What was opened is what is judged, not a file swapped in since.
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::fstat(file.handle(), &st) != 0) {
        m_error = QStringLiteral("cannot read %1: %2").arg(m_path, systemError());
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        m_error = QStringLiteral("%1 is no plain file").arg(m_path);
        return false;
    }
    m_error = accessProblem(m_path, st);
    if (!m_error.isEmpty())
        return false;
#endif
    if (file.size() > MaxBytes) {
        m_error = QStringLiteral("%1 is larger than %2 bytes").arg(m_path).arg(MaxBytes);
        return false;
    }
    const QByteArray content = file.read(MaxBytes + 1);
    if (content.size() > MaxBytes) {
        m_error = QStringLiteral("%1 is larger than %2 bytes").arg(m_path).arg(MaxBytes);
        return false;
    }
    QList<QByteArray> texts = content.split('\n');
    if (!texts.isEmpty() && texts.constLast().isEmpty())
        texts.removeLast();
    const QString fileName = QFileInfo(m_path).fileName();
    for (qsizetype i = 0; i < texts.size(); ++i) {
        QByteArray text = texts.at(i);
        if (text.endsWith('\r'))
            text.chop(1);
        Line line{text, std::nullopt};
        const QByteArray trimmed = text.trimmed();
        if (!trimmed.isEmpty() && !trimmed.startsWith('#')) {
            Account account;
            QString problem = parseLine(trimmed, &account);
            if (problem.isEmpty() && indexOf(account.name) >= 0)
                problem = QStringLiteral("%1 is named twice; the first is used").arg(account.name);
            // The line itself is not repeated: it may hold a pasted password.
            if (!problem.isEmpty())
                m_problems
                    << QStringLiteral("%1 line %2: %3").arg(fileName).arg(i + 1).arg(problem);
            else
                line.account = account;
        }
        m_lines << line;
    }
    return true;
}

qsizetype AccountFile::indexOf(QStringView name) const
{
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (m_lines.at(i).account && m_lines.at(i).account->name == name)
            return i;
    }
    return -1;
}

QList<Account> AccountFile::accounts() const
{
    QList<Account> result;
    for (const Line& line : m_lines) {
        if (line.account)
            result << *line.account;
    }
    return result;
}

std::optional<Account> AccountFile::find(QStringView name) const
{
    const qsizetype i = indexOf(name);
    if (i < 0)
        return std::nullopt;
    return m_lines.at(i).account;
}

bool AccountFile::add(const Account& account)
{
    if (indexOf(account.name) >= 0)
        return false;
    if (m_lines.isEmpty())
        m_lines << Line{QByteArrayLiteral("# The web panel's accounts (name:role:hash), kept with "
                                          "zel-fm-monitor --add-user, --passwd, --remove-user."),
                        std::nullopt};
    m_lines << Line{{}, account};
    return true;
}

bool AccountFile::setHash(QStringView name, const QByteArray& hash)
{
    const qsizetype i = indexOf(name);
    if (i < 0)
        return false;
    m_lines[i].account->hash = hash;
    return true;
}

bool AccountFile::remove(QStringView name)
{
    const qsizetype i = indexOf(name);
    if (i < 0)
        return false;
    m_lines.removeAt(i);
    return true;
}

bool AccountFile::save(QString* error)
{
    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.path())) {
        *error = QStringLiteral("cannot make the folder %1").arg(info.path());
        return false;
    }
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot write %1: %2").arg(m_path, file.errorString());
        return false;
    }
#ifdef Q_OS_UNIX
    // The mode and owner go on the new file before a hash is in it.
    uid_t ownerId = uid_t(-1);
    gid_t groupId = gid_t(-1);
    mode_t mode = 0600;
    struct stat st {};
    if (::stat(QFile::encodeName(m_path).constData(), &st) == 0) {
        if (isServiceShape(st)) {
            ownerId = st.st_uid;
            groupId = st.st_gid;
            mode = st.st_mode & 0777;
        }
    } else if (::geteuid() == 0 && isServiceSettingsFolder(info.path())) {
        if (const struct group* entry = ::getgrnam(ServiceAccount)) {
            ownerId = 0;
            groupId = entry->gr_gid;
            mode = 0640;
        }
    }
    const int fd = file.handle();
    if ((ownerId != uid_t(-1) && ::fchown(fd, ownerId, groupId) != 0) || ::fchmod(fd, mode) != 0) {
        *error = QStringLiteral("cannot set the mode of %1: %2").arg(m_path, systemError());
        file.cancelWriting();
        return false;
    }
#endif
    QByteArray content;
    for (const Line& line : m_lines) {
        if (line.account)
            content += line.account->name.toUtf8() + ':' + roleText(line.account->role).toUtf8() +
                       ':' + line.account->hash;
        else
            content += line.text;
        content += '\n';
    }
    file.write(content);
    if (!file.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(m_path, file.errorString());
        return false;
    }
    return true;
}

} // namespace zel
