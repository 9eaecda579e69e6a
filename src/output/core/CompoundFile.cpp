#include "output/core/XlsWriter.h"

namespace {

constexpr int kSector = 512;
constexpr int kIdsPerSector = kSector / 4;
constexpr int kHeaderDifat = 109;
constexpr quint32 kFree = 0xFFFFFFFF, kEndOfChain = 0xFFFFFFFE, kFatSect = 0xFFFFFFFD, kDifSect = 0xFFFFFFFC,
                  kNoStream = 0xFFFFFFFF;
// Streams below this size would belong in the mini stream; the workbook is padded up to it.
constexpr int kMiniCutoff = 4096;

void put16(QByteArray& out, quint32 v) {
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}
void put32(QByteArray& out, quint32 v) {
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

QByteArray directoryEntry(const QString& name, quint8 type, quint32 child, quint32 start, quint32 size) {
    QByteArray e;
    for (const QChar c : name)
        put16(e, c.unicode());
    e.append(64 - e.size(), '\0');
    put16(e, name.isEmpty() ? 0 : quint32((name.size() + 1) * 2));
    e.append(char(type));
    e.append(char(type == 0 ? 0 : 1)); // black
    put32(e, kNoStream);               // left sibling
    put32(e, kNoStream);               // right sibling
    put32(e, child);
    e.append(16 + 4 + 8 + 8, '\0'); // class id, state bits, times
    put32(e, start);
    put32(e, size);
    put32(e, 0);
    return e;
}

} // namespace

CompoundFileFrame compoundFileFrame(const QString& streamName, qint64 streamSize) {
    CompoundFileFrame frame;
    if (streamSize < kMiniCutoff) {
        frame.padding = kMiniCutoff - streamSize;
        streamSize = kMiniCutoff;
    }
    const quint32 streamSectors = quint32((streamSize + kSector - 1) / kSector);
    const quint32 dirSectors = 1;
    quint32 fatSectors = 1, difatSectors = 0;
    for (;;) { // the allocation table also maps its own sectors
        const quint32 total = streamSectors + dirSectors + fatSectors + difatSectors;
        const quint32 fat = (total + kIdsPerSector - 1) / kIdsPerSector;
        const quint32 difat =
            fat > kHeaderDifat ? (fat - kHeaderDifat + kIdsPerSector - 2) / (kIdsPerSector - 1) : 0;
        if (fat == fatSectors && difat == difatSectors)
            break;
        fatSectors = fat;
        difatSectors = difat;
    }
    const quint32 dirStart = streamSectors;
    const quint32 fatStart = dirStart + dirSectors;
    const quint32 difatStart = fatStart + fatSectors;

    QByteArray& out = frame.head;
    out.append("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    out.append(16, '\0');
    put16(out, 0x003E);
    put16(out, 0x0003);
    put16(out, 0xFFFE);
    put16(out, 9); // 512-byte sectors
    put16(out, 6); // 64-byte mini sectors
    out.append(6, '\0');
    put32(out, 0); // directory sectors (always 0 in version 3)
    put32(out, fatSectors);
    put32(out, dirStart);
    put32(out, 0);
    put32(out, kMiniCutoff);
    put32(out, kEndOfChain); // no mini allocation table
    put32(out, 0);
    put32(out, difatSectors ? difatStart : kEndOfChain);
    put32(out, difatSectors);
    for (quint32 i = 0; i < kHeaderDifat; ++i)
        put32(out, i < fatSectors ? fatStart + i : kFree);

    // After the stream: the rest of its last sector, the directory, the allocation table.
    QByteArray& tail = frame.tail;
    tail.append((kSector - streamSize % kSector) % kSector, '\0');
    tail.append(directoryEntry(QStringLiteral("Root Entry"), 5, 1, kEndOfChain, 0));
    tail.append(directoryEntry(streamName, 2, kNoStream, 0, quint32(streamSize)));
    tail.append(directoryEntry(QString(), 0, kNoStream, 0, 0));
    tail.append(directoryEntry(QString(), 0, kNoStream, 0, 0));
    const quint32 fatEntries = fatSectors * kIdsPerSector;
    for (quint32 sec = 0; sec < fatEntries; ++sec) {
        quint32 v = kFree;
        if (sec < streamSectors)
            v = sec + 1 < streamSectors ? sec + 1 : kEndOfChain;
        else if (sec == dirStart)
            v = kEndOfChain;
        else if (sec >= fatStart && sec < difatStart)
            v = kFatSect;
        else if (sec >= difatStart && sec < difatStart + difatSectors)
            v = kDifSect;
        put32(tail, v);
    }
    // Further allocation-table sectors beyond the header's 109, 127 to a sector, chained.
    quint32 next = kHeaderDifat;
    for (quint32 d = 0; d < difatSectors; ++d) {
        for (int i = 0; i < kIdsPerSector - 1; ++i, ++next)
            put32(tail, next < fatSectors ? fatStart + next : kFree);
        put32(tail, d + 1 < difatSectors ? difatStart + d + 1 : kEndOfChain);
    }
    return frame;
}
