#include "throwawaytls.h"

#include <gnutls/gnutls.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

zel::http::SelfSigned makeThrowawayCertificate()
{
    return zel::http::makeSelfSignedCertificate(
               QStringLiteral("127.0.0.1"),
               {QStringLiteral("127.0.0.1"), QStringLiteral("localhost")}, 1)
        .value_or(zel::http::SelfSigned{});
}

TlsAnswer tlsRequest(int port, const QByteArray& request, int timeoutMs)
{
    TlsAnswer out;
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(quint16(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return out;
    }
    gnutls_certificate_credentials_t credentials = nullptr;
    gnutls_session_t session = nullptr;
    gnutls_certificate_allocate_credentials(&credentials);
    gnutls_init(&session, GNUTLS_CLIENT);
    gnutls_set_default_priority(session);
    gnutls_credentials_set(session, GNUTLS_CRD_CERTIFICATE, credentials);
    gnutls_transport_set_int(session, fd);
    gnutls_handshake_set_timeout(session, unsigned(timeoutMs));
    int rc;
    do
        rc = gnutls_handshake(session);
    while (rc < 0 && !gnutls_error_is_fatal(rc));
    if (rc == 0) {
        unsigned count = 0;
        if (const gnutls_datum_t* peers = gnutls_certificate_get_peers(session, &count); count)
            out.peerCertificateDer =
                QByteArray(reinterpret_cast<const char*>(peers[0].data), int(peers[0].size));
        gnutls_record_send(session, request.constData(), size_t(request.size()));
        char buf[4096];
        ssize_t n;
        while ((n = gnutls_record_recv(session, buf, sizeof buf)) > 0 || n == GNUTLS_E_INTERRUPTED)
            if (n > 0)
                out.answer.append(buf, int(n));
    }
    gnutls_deinit(session);
    gnutls_certificate_free_credentials(credentials);
    ::close(fd);
    return out;
}
