#pragma once

class QImage;
class QString;

// Writes picture as a baseline JPEG (4:2:0, accurate DCT) at the given quality
// (0 to 100, passed to the encoder unchanged). The file at path is replaced only
// by a complete new one: on any failure it is left as it was, no temporary file
// stays behind, and false is the only report.
bool saveJpeg(const QImage &picture, const QString &path, int quality);
