#include "ShellLinkWriter.h"

#include <QtEndian>

namespace platform {

namespace {

// LinkFlags
constexpr quint32 HasLinkInfo = 0x00000002;
constexpr quint32 HasIconLocation = 0x00000040;
constexpr quint32 IsUnicode = 0x00000080;
// LinkInfoFlags
constexpr quint32 VolumeIDAndLocalBasePath = 0x00000001;

constexpr quint32 ShellLinkHeaderSize = 0x4C;
constexpr quint32 LinkInfoHeaderSize = 0x24;
constexpr quint32 VolumeIDSize = 0x11; // four fields and an empty label
constexpr quint32 FileAttributeNormal = 0x00000080;
constexpr quint32 DriveFixed = 3;
constexpr quint32 SwShowNormal = 1;

// 00021401-0000-0000-C000-000000000046 in its stored byte order.
constexpr char LinkClsid[16] = {'\x01', '\x14', '\x02', '\x00', '\x00', '\x00', '\x00', '\x00',
    '\xC0', '\x00', '\x00', '\x00', '\x00', '\x00', '\x00', '\x46'};

void appendU16(QByteArray &out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void appendU32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void appendUtf16(QByteArray &out, const QString &text)
{
    for (const QChar c : text)
        appendU16(out, c.unicode());
}

void putU32(QByteArray &out, qsizetype at, quint32 value)
{
    qToLittleEndian(value, out.data() + at);
}

QByteArray header(quint32 flags)
{
    QByteArray out;
    appendU32(out, ShellLinkHeaderSize);
    out.append(LinkClsid, sizeof LinkClsid);
    appendU32(out, flags);
    appendU32(out, FileAttributeNormal);
    out.append(3 * 8, '\0'); // creation, access and write times
    appendU32(out, 0); // FileSize
    appendU32(out, 0); // IconIndex
    appendU32(out, SwShowNormal);
    out.append(2 + 2 + 4 + 4, '\0'); // HotKey, Reserved1..3
    return out;
}

QByteArray linkInfo(const QString &targetPath)
{
    QByteArray out(qsizetype(LinkInfoHeaderSize), '\0');

    const auto volumeIdOffset = quint32(out.size());
    appendU32(out, VolumeIDSize);
    appendU32(out, DriveFixed);
    appendU32(out, 0); // DriveSerialNumber
    appendU32(out, 0x10); // VolumeLabelOffset: the label follows at once
    out.append('\0');

    const auto localBasePathOffset = quint32(out.size());
    out.append(targetPath.toLocal8Bit());
    out.append('\0');
    const auto commonPathSuffixOffset = quint32(out.size());
    out.append('\0');

    if (out.size() % 2 != 0)
        out.append('\0'); // UTF-16 text on an even offset
    const auto localBasePathUnicodeOffset = quint32(out.size());
    appendUtf16(out, targetPath);
    appendU16(out, 0);
    const auto commonPathSuffixUnicodeOffset = quint32(out.size());
    appendU16(out, 0);

    putU32(out, 0x00, quint32(out.size())); // LinkInfoSize
    putU32(out, 0x04, LinkInfoHeaderSize);
    putU32(out, 0x08, VolumeIDAndLocalBasePath);
    putU32(out, 0x0C, volumeIdOffset);
    putU32(out, 0x10, localBasePathOffset);
    putU32(out, 0x14, 0); // CommonNetworkRelativeLinkOffset
    putU32(out, 0x18, commonPathSuffixOffset);
    putU32(out, 0x1C, localBasePathUnicodeOffset);
    putU32(out, 0x20, commonPathSuffixUnicodeOffset);
    return out;
}

} // namespace

QByteArray ShellLinkWriter::build(const QString &targetPath, const QString &iconLocation)
{
    Q_ASSERT(iconLocation.size() <= MaxStringLength);
    quint32 flags = IsUnicode;
    if (!targetPath.isEmpty())
        flags |= HasLinkInfo;
    if (!iconLocation.isEmpty())
        flags |= HasIconLocation;

    QByteArray out = header(flags);
    if (flags & HasLinkInfo)
        out.append(linkInfo(targetPath));
    if (flags & HasIconLocation) {
        appendU16(out, quint16(iconLocation.size()));
        appendUtf16(out, iconLocation);
    }
    appendU32(out, 0); // terminal block
    return out;
}

} // namespace platform
