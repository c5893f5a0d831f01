#include "calibration/JpegStructure.h"

namespace lensdock::jpeg {

namespace {

constexpr unsigned char Soi = 0xD8, Eoi = 0xD9, Sos = 0xDA, App1 = 0xE1;

bool isRestart(unsigned char marker) {
    return (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01;
}

// Walks the segments from just after SOI. For each header segment, `visit(marker, payloadAt, size)`
// may return true to stop there. Returns the offset just past EOI, or -1 (or -2 when stopped).
template <typename Visit> qsizetype walk(const QByteArray& data, qsizetype start, Visit visit) {
    const auto* d = reinterpret_cast<const unsigned char*>(data.constData());
    const qsizetype n = data.size();
    if (start < 0 || start + 2 > n || d[start] != 0xFF || d[start + 1] != Soi)
        return -1;
    qsizetype i = start + 2;
    for (;;) {
        if (i >= n || d[i] != 0xFF)
            return -1;
        while (i < n && d[i] == 0xFF) // fill bytes
            ++i;
        if (i >= n)
            return -1;
        const unsigned char marker = d[i++];
        if (marker == Eoi)
            return i;
        if (isRestart(marker))
            continue;
        if (i + 2 > n)
            return -1;
        const qsizetype length = (qsizetype(d[i]) << 8) | d[i + 1];
        if (length < 2 || i + length > n)
            return -1;
        if (visit(marker, i + 2, length - 2))
            return -2;
        i += length;
        if (marker != Sos)
            continue;
        // Entropy-coded data runs to the next marker that is neither a stuffed zero nor a restart.
        while (i + 1 < n && !(d[i] == 0xFF && d[i + 1] != 0 && !isRestart(d[i + 1])))
            ++i;
        if (i + 1 >= n)
            return -1;
    }
}

} // namespace

qsizetype endOf(const QByteArray& data, qsizetype start) {
    return walk(data, start, [](unsigned char, qsizetype, qsizetype) { return false; });
}

QByteArray exifPayload(const QByteArray& jpeg) {
    static constexpr char header[] = {'E', 'x', 'i', 'f', 0, 0};
    QByteArray payload;
    walk(jpeg, 0, [&](unsigned char marker, qsizetype at, qsizetype size) {
        if (marker == Sos)
            return true;
        if (marker != App1 || size < 6 || jpeg.mid(at, 6) != QByteArray(header, 6))
            return false;
        payload = jpeg.mid(at, size);
        return true;
    });
    return payload;
}

QByteArray withApp1(const QByteArray& jpeg, const QByteArray& payload) {
    const qsizetype length = payload.size() + 2;
    if (length > 0xFFFF || jpeg.size() < 2)
        return {};
    QByteArray out = jpeg.left(2);
    out.append(char(0xFF)).append(char(App1));
    out.append(char(length >> 8)).append(char(length & 0xFF));
    out.append(payload);
    out.append(jpeg.mid(2));
    return out;
}

QByteArray largestEmbedded(const QByteArray& data) {
    // A bounded number of candidates: a damaged file full of false starts must not take long.
    constexpr int maxCandidates = 64;
    static constexpr char soi[] = {char(0xFF), char(Soi), char(0xFF)};
    qsizetype bestAt = -1, bestSize = 0;
    qsizetype from = 0;
    for (int tries = 0; tries < maxCandidates; ++tries) {
        const qsizetype at = data.indexOf(QByteArray::fromRawData(soi, 3), from);
        if (at < 0)
            break;
        const qsizetype end = endOf(data, at);
        if (end > 0 && end - at > bestSize) {
            bestAt = at;
            bestSize = end - at;
        }
        from = end > 0 ? end : at + 1;
    }
    return bestAt < 0 ? QByteArray() : data.mid(bestAt, bestSize);
}

} // namespace lensdock::jpeg
