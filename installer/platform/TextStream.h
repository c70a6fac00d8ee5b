#pragma once

#include <QString>

#include <memory>

namespace platform {

class AtomicFile;

// A text file being written, from FileSystem::CreateTextFile().
//
// Text is written in the locale's narrow encoding (UTF-8 here); every line
// ends with a single "\n". The file is written under a temporary name and put
// in place by Close(): until then an earlier file of that name is unchanged,
// and a stream destroyed without Close() leaves no trace at all.
class TextStream
{
public:
    TextStream(TextStream &&other) noexcept;
    TextStream &operator=(TextStream &&other) noexcept;
    ~TextStream();

    // Writes `text` and "\n". Raises PlatformError 54 after Close(), 61 when
    // the disk is full, 57 on a device error.
    void WriteLine(const QString &text);

    // Puts the complete file in place on disk (replacing an earlier one if
    // the stream was created with overwrite). A second call does nothing.
    void Close();

private:
    friend class FileSystem;
    TextStream(const QString &path, bool overwrite);

    QString m_path;
    bool m_overwrite = true;
    std::unique_ptr<AtomicFile> m_file;
};

} // namespace platform
