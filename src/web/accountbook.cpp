#include "accountbook.h"

#include "accountfile.h"

#include <QFile>

#include <sys/stat.h>

#include <chrono>

namespace zel {

AccountBook::AccountBook(QString path, Changed changed)
    : m_path(std::move(path)), m_changed(std::move(changed))
{
}

void AccountBook::refresh()
{
    const qint64 now = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                           .count();
    if (m_read && now - m_checkedMs < 1000)
        return;
    m_checkedMs = now;
    struct stat st {};
    QByteArray stamp("none");
    if (::stat(QFile::encodeName(m_path).constData(), &st) == 0)
        stamp = QByteArray::number(qulonglong(st.st_ino)) + ':' +
                QByteArray::number(qlonglong(st.st_size)) + ':' +
                QByteArray::number(qlonglong(st.st_mtim.tv_sec)) + '.' +
                QByteArray::number(qlonglong(st.st_mtim.tv_nsec));
    if (m_read && stamp == m_stamp)
        return;
    m_read = true;
    m_stamp = stamp;
    AccountFile file(m_path);
    QList<Account> next;
    m_problems.clear();
    if (file.load()) {
        next = file.accounts();
        m_problems = file.problems();
    } else {
        // Unreadable or open to other users: nobody signs in until mended.
        m_problems << file.error();
    }
    for (const Account& old : std::as_const(m_accounts)) {
        const auto same = std::find_if(next.cbegin(), next.cend(), [&old](const Account& a) {
            return a.name == old.name && a.role == old.role && a.hash == old.hash;
        });
        if (same == next.cend() && m_changed)
            m_changed(old.name);
    }
    m_accounts = next;
}

std::optional<Account> AccountBook::find(const QString& name)
{
    QMutexLocker lock(&m_mutex);
    refresh();
    for (const Account& a : std::as_const(m_accounts)) {
        if (a.name == name)
            return a;
    }
    return std::nullopt;
}

qsizetype AccountBook::count()
{
    QMutexLocker lock(&m_mutex);
    refresh();
    return m_accounts.size();
}

QStringList AccountBook::problems()
{
    QMutexLocker lock(&m_mutex);
    refresh();
    return m_problems;
}

} // namespace zel
