#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace zel::http {

struct SelfSigned {
    QByteArray certificatePem;
    QByteArray keyPem;
};

// A certificate for a server that has none given: an ECDSA P-256 key, a
// random serial, the names it answers to (each of altNames a DNS name or a
// numeric IPv4/IPv6 address), fit only for a TLS server and no CA. Valid from
// an hour ago (clocks differ) for `days`. Nothing when it cannot be made.
std::optional<SelfSigned> makeSelfSignedCertificate(const QString& commonName,
                                                    const QStringList& altNames, int days = 825);

// The certificate's SHA-256 fingerprint, "AB:CD:..." (32 pairs), for people
// to compare with what a browser shows; empty when the text is no
// certificate.
QString sha256Fingerprint(const QByteArray& certificatePem);

} // namespace zel::http
