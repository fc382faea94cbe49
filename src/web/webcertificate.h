#pragma once

#include "websettings.h"

#include <QByteArray>
#include <QString>

namespace zel {

// The web panel's certificate and key: the operator's PEM files, or a
// self-signed pair made at the first start and kept, readable by the
// monitor's user only, in the data folder, so a phone that pinned its
// fingerprint keeps trusting it.
struct WebCertificate {
    QByteArray certificatePem;
    QByteArray keyPem;
    QString certificatePath;
    // "AB:CD:…", the SHA-256 of the certificate.
    QString fingerprint;
    bool made = false; // made by this start
    // Why there is none; the panel stays off.
    QString problem;
};

WebCertificate loadWebCertificate(const WebSettings& settings, const QString& dataFolder);

} // namespace zel
