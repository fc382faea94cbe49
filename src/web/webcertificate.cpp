#include "webcertificate.h"

#include "config/filemodes.h"
#include "http/selfsignedcertificate.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QSaveFile>
#include <QSysInfo>

namespace zel {

namespace {

// A PEM file of a certificate chain or a key is a few kilobytes.
constexpr qint64 MaxPemBytes = 256 * 1024;

std::optional<QByteArray> readPem(const QString& path, QString& problem)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        problem = QStringLiteral("%1 cannot be read (%2)").arg(path, f.errorString());
        return std::nullopt;
    }
    if (f.size() > MaxPemBytes) {
        problem = QStringLiteral("%1 is too large for a PEM file").arg(path);
        return std::nullopt;
    }
    return f.read(MaxPemBytes);
}

bool writeOwnerOnly(const QString& path, const QByteArray& data, QString& problem)
{
    QString why;
    QFile::remove(path);
    if (!createFileWithMode(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner, &why)) {
        problem = why;
        return false;
    }
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(data) != data.size() ||
        !f.flush()) {
        problem = QStringLiteral("%1 cannot be written (%2)").arg(path, f.errorString());
        return false;
    }
    return true;
}

QStringList namesOf(const WebSettings& settings)
{
    QStringList names{QStringLiteral("localhost"), QStringLiteral("127.0.0.1"),
                      QStringLiteral("::1")};
    const QString host = QSysInfo::machineHostName();
    if (!host.isEmpty())
        names << host << host + QStringLiteral(".local");
    const QHostAddress listen(settings.listen.host);
    if (!listen.isNull() && listen != QHostAddress::AnyIPv4 && listen != QHostAddress::AnyIPv6 &&
        !names.contains(settings.listen.host))
        names << settings.listen.host;
    return names;
}

} // namespace

WebCertificate loadWebCertificate(const WebSettings& settings, const QString& dataFolder)
{
    WebCertificate c;
    if (!settings.certificatePath.isEmpty()) {
        const auto cert = readPem(settings.certificatePath, c.problem);
        const auto key = cert ? readPem(settings.keyPath, c.problem) : std::nullopt;
        if (!key)
            return c;
        c.certificatePem = *cert;
        c.keyPem = *key;
        c.certificatePath = settings.certificatePath;
    } else {
        const QString certPath = QDir(dataFolder).filePath(QStringLiteral("web-certificate.pem"));
        const QString keyPath = QDir(dataFolder).filePath(QStringLiteral("web-key.pem"));
        c.certificatePath = certPath;
        QString ignored;
        const auto cert = readPem(certPath, ignored);
        const auto key = cert ? readPem(keyPath, ignored) : std::nullopt;
        if (key && !http::sha256Fingerprint(*cert).isEmpty()) {
            c.certificatePem = *cert;
            c.keyPem = *key;
        } else {
            const auto made = http::makeSelfSignedCertificate(QSysInfo::machineHostName().isEmpty()
                                                                  ? QStringLiteral("zel-fm-monitor")
                                                                  : QSysInfo::machineHostName(),
                                                              namesOf(settings), 825);
            if (!made) {
                c.problem = QStringLiteral("no self-signed certificate could be made");
                return c;
            }
            QDir().mkpath(dataFolder);
            if (!writeOwnerOnly(keyPath, made->keyPem, c.problem) ||
                !writeOwnerOnly(certPath, made->certificatePem, c.problem))
                return c;
            c.certificatePem = made->certificatePem;
            c.keyPem = made->keyPem;
            c.made = true;
        }
    }
    c.fingerprint = http::sha256Fingerprint(c.certificatePem);
    if (c.fingerprint.isEmpty())
        c.problem = QStringLiteral("%1 holds no PEM certificate").arg(c.certificatePath);
    return c;
}

} // namespace zel
