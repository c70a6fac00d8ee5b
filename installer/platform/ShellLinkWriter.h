#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Builds the bytes of a Windows Shell Link (.lnk) file that starts
// `targetPath` and shows the icon `iconLocation` (icon index 0). No file work:
// Shortcut::Save() writes the result.
//
// Layout (little-endian throughout):
//   ShellLinkHeader    76 bytes, CLSID 00021401-0000-0000-C000-000000000046,
//                      flags HasLinkInfo | HasIconLocation | IsUnicode,
//                      show command SW_SHOWNORMAL, times and size zero
//   LinkInfo           header of 0x24 bytes (with the Unicode offsets),
//                      VolumeIDAndLocalBasePath: a VolumeID of a fixed drive
//                      with an empty label, LocalBasePath in the locale's
//                      narrow encoding, an empty CommonPathSuffix, then
//                      LocalBasePathUnicode and CommonPathSuffixUnicode in
//                      UTF-16LE, so any path survives whatever the reader's
//                      code page
//   ICON_LOCATION      StringData: UTF-16 unit count, then UTF-16LE text
//   terminal block     four zero bytes
// An empty target leaves out the LinkInfo, an empty icon the ICON_LOCATION,
// each with its flag. Paths are written as given.
class ShellLinkWriter
{
public:
    // The longest text a counted string of the format can hold, in UTF-16
    // units. build() must not be given a longer icon location.
    static constexpr qsizetype MaxStringLength = 0xFFFF;

    static QByteArray build(const QString &targetPath, const QString &iconLocation);
};

} // namespace platform
