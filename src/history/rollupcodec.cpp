#include "rollupcodec.h"

namespace zel::history {
namespace {

void putVarint(QByteArray& out, quint64 v)
{
    while (v >= 0x80) {
        out.append(char((v & 0x7f) | 0x80));
        v >>= 7;
    }
    out.append(char(v));
}

class VarintReader {
public:
    explicit VarintReader(const QByteArray& bytes) : m_bytes(bytes) {}

    std::optional<quint64> next()
    {
        quint64 v = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (m_pos >= m_bytes.size())
                return std::nullopt;
            const auto byte = quint8(m_bytes[m_pos++]);
            v |= quint64(byte & 0x7f) << shift;
            if (!(byte & 0x80))
                return v;
        }
        return std::nullopt;
    }
    bool atEnd() const { return m_pos == m_bytes.size(); }

private:
    const QByteArray& m_bytes;
    qsizetype m_pos = 0;
};

quint64 zigzag(qint64 v)
{
    return (quint64(v) << 1) ^ quint64(v >> 63);
}

qint64 unzigzag(quint64 v)
{
    return qint64(v >> 1) ^ -qint64(v & 1);
}

bool hasNegative(const Rollup& r)
{
    for (const auto& f : r.field) {
        if (f && (f->min < 0 || f->mean < 0))
            return true;
    }
    return false;
}

} // namespace

QByteArray encodeRollup(const Rollup& r)
{
    const bool sign = hasNegative(r);
    QByteArray out;
    out.reserve(48);
    putVarint(out, quint64(r.seconds) * 2 + (sign ? 1 : 0));
    const bool usual =
        r.onAirSeconds == r.seconds && r.lockedSeconds == r.seconds && r.gatewaySeconds == 0;
    putVarint(out, usual ? 0 : 1);
    if (!usual) {
        putVarint(out, quint64(r.onAirSeconds));
        putVarint(out, quint64(r.lockedSeconds));
        putVarint(out, quint64(r.gatewaySeconds));
    }
    putVarint(out, r.deviceId ? quint64(*r.deviceId) + 1 : 0);
    for (const auto& f : r.field) {
        if (!f) {
            putVarint(out, 0);
            continue;
        }
        putVarint(out, (sign ? zigzag(f->mean) : quint64(f->mean)) + 1);
        putVarint(out, quint64(f->mean - f->min));
        putVarint(out, quint64(f->max - f->mean));
    }
    return out;
}

std::optional<Rollup> decodeRollup(const QByteArray& bytes)
{
    VarintReader in(bytes);
    Rollup r;
    const auto head = in.next();
    const auto state = in.next();
    if (!head || !state || *state > 1)
        return std::nullopt;
    const bool sign = *head & 1;
    r.seconds = int(*head >> 1);
    r.onAirSeconds = r.lockedSeconds = r.seconds;
    if (*state == 1) {
        const auto onAir = in.next();
        const auto locked = in.next();
        const auto gateway = in.next();
        if (!onAir || !locked || !gateway)
            return std::nullopt;
        r.onAirSeconds = int(*onAir);
        r.lockedSeconds = int(*locked);
        r.gatewaySeconds = int(*gateway);
    }
    const auto device = in.next();
    if (!device)
        return std::nullopt;
    if (*device)
        r.deviceId = int(*device - 1);
    for (auto& f : r.field) {
        const auto tag = in.next();
        if (!tag)
            return std::nullopt;
        if (*tag == 0)
            continue;
        const auto below = in.next();
        const auto above = in.next();
        if (!below || !above)
            return std::nullopt;
        const qint64 mean = sign ? unzigzag(*tag - 1) : qint64(*tag - 1);
        f = FieldStats{mean - qint64(*below), mean, mean + qint64(*above)};
    }
    if (!in.atEnd())
        return std::nullopt;
    return r;
}

} // namespace zel::history
