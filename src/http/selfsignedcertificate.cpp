#include "selfsignedcertificate.h"

#include <gnutls/crypto.h>
#include <gnutls/gnutls.h>
#include <gnutls/x509.h>

#include <arpa/inet.h>
#include <ctime>
#include <memory>
#include <netinet/in.h>

namespace zel::http {

namespace {

struct KeyFree {
    void operator()(gnutls_x509_privkey_t k) const { gnutls_x509_privkey_deinit(k); }
};
struct CrtFree {
    void operator()(gnutls_x509_crt_t c) const { gnutls_x509_crt_deinit(c); }
};
using Key = std::unique_ptr<std::remove_pointer_t<gnutls_x509_privkey_t>, KeyFree>;
using Crt = std::unique_ptr<std::remove_pointer_t<gnutls_x509_crt_t>, CrtFree>;

Key newKey()
{
    gnutls_x509_privkey_t k = nullptr;
    return Key(gnutls_x509_privkey_init(&k) == 0 ? k : nullptr);
}

Crt newCrt()
{
    gnutls_x509_crt_t c = nullptr;
    return Crt(gnutls_x509_crt_init(&c) == 0 ? c : nullptr);
}

QByteArray take(gnutls_datum_t& d)
{
    QByteArray out(reinterpret_cast<const char*>(d.data), qsizetype(d.size));
    gnutls_free(d.data);
    return out;
}

// An IP address entry for a numeric name, a DNS one for any other.
int addAltName(gnutls_x509_crt_t crt, const QString& name)
{
    const QByteArray text = name.toUtf8();
    in6_addr v6{};
    in_addr v4{};
    if (inet_pton(AF_INET, text.constData(), &v4) == 1)
        return gnutls_x509_crt_set_subject_alt_name(crt, GNUTLS_SAN_IPADDRESS, &v4, sizeof v4,
                                                    GNUTLS_FSAN_APPEND);
    if (inet_pton(AF_INET6, text.constData(), &v6) == 1)
        return gnutls_x509_crt_set_subject_alt_name(crt, GNUTLS_SAN_IPADDRESS, &v6, sizeof v6,
                                                    GNUTLS_FSAN_APPEND);
    return gnutls_x509_crt_set_subject_alt_name(crt, GNUTLS_SAN_DNSNAME, text.constData(),
                                                unsigned(text.size()), GNUTLS_FSAN_APPEND);
}

} // namespace

std::optional<SelfSigned> makeSelfSignedCertificate(const QString& commonName,
                                                    const QStringList& altNames, int days)
{
    const Key key = newKey();
    const Crt crt = newCrt();
    if (!key || !crt || days < 1)
        return std::nullopt;
    // Random, so a browser that kept an exception for an earlier certificate
    // never meets the same issuer and serial on a different one.
    unsigned char serial[16];
    if (gnutls_rnd(GNUTLS_RND_NONCE, serial, sizeof serial) != 0)
        return std::nullopt;
    // Positive and a full 16 bytes long in DER.
    serial[0] = (serial[0] & 0x7f) | 0x40;
    const QByteArray cn = commonName.toUtf8();
    const time_t now = time(nullptr);
    int rc = gnutls_x509_privkey_generate(key.get(), GNUTLS_PK_ECDSA,
                                          GNUTLS_CURVE_TO_BITS(GNUTLS_ECC_CURVE_SECP256R1), 0);
    rc = rc ? rc : gnutls_x509_crt_set_version(crt.get(), 3);
    rc = rc ? rc : gnutls_x509_crt_set_serial(crt.get(), serial, sizeof serial);
    rc = rc ? rc : gnutls_x509_crt_set_activation_time(crt.get(), now - 3600);
    rc = rc ? rc : gnutls_x509_crt_set_expiration_time(crt.get(), now + time_t(days) * 86400);
    rc = rc ? rc
            : gnutls_x509_crt_set_dn_by_oid(crt.get(), GNUTLS_OID_X520_COMMON_NAME, 0,
                                            cn.constData(), unsigned(cn.size()));
    for (const QString& name : altNames)
        rc = rc ? rc : addAltName(crt.get(), name);
    rc = rc ? rc : gnutls_x509_crt_set_basic_constraints(crt.get(), 0, -1);
    rc = rc ? rc : gnutls_x509_crt_set_key_usage(crt.get(), GNUTLS_KEY_DIGITAL_SIGNATURE);
    rc = rc ? rc : gnutls_x509_crt_set_key_purpose_oid(crt.get(), GNUTLS_KP_TLS_WWW_SERVER, 0);
    rc = rc ? rc : gnutls_x509_crt_set_key(crt.get(), key.get());
    rc = rc ? rc : gnutls_x509_crt_sign2(crt.get(), crt.get(), key.get(), GNUTLS_DIG_SHA256, 0);
    gnutls_datum_t certificate{};
    gnutls_datum_t privateKey{};
    rc = rc ? rc : gnutls_x509_crt_export2(crt.get(), GNUTLS_X509_FMT_PEM, &certificate);
    if (rc)
        return std::nullopt;
    SelfSigned out;
    out.certificatePem = take(certificate);
    if (gnutls_x509_privkey_export2(key.get(), GNUTLS_X509_FMT_PEM, &privateKey) != 0)
        return std::nullopt;
    out.keyPem = take(privateKey);
    return out;
}

QString sha256Fingerprint(const QByteArray& certificatePem)
{
    const Crt crt = newCrt();
    const gnutls_datum_t pem{
        reinterpret_cast<unsigned char*>(const_cast<char*>(certificatePem.constData())),
        unsigned(certificatePem.size())};
    unsigned char digest[32];
    size_t size = sizeof digest;
    if (!crt || gnutls_x509_crt_import(crt.get(), &pem, GNUTLS_X509_FMT_PEM) != 0 ||
        gnutls_x509_crt_get_fingerprint(crt.get(), GNUTLS_DIG_SHA256, digest, &size) != 0 ||
        size != sizeof digest)
        return {};
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(digest), sizeof digest).toHex(':').toUpper());
}

} // namespace zel::http
