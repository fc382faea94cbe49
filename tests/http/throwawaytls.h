#pragma once

#include "http/selfsignedcertificate.h"

#include <QByteArray>

// A self-signed certificate made on the spot, and a client that fetches one
// answer over TLS without checking the chain (the test compares the
// certificate itself).
zel::http::SelfSigned makeThrowawayCertificate();

struct TlsAnswer {
    QByteArray answer;
    QByteArray peerCertificateDer;
};
TlsAnswer tlsRequest(int port, const QByteArray& request, int timeoutMs = 10000);
