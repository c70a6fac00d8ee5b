#include "TextStream.h"

#include "AtomicFile.h"
#include "PlatformError.h"

namespace platform {

TextStream::TextStream(const QString &path, bool overwrite)
    : m_path(path)
    , m_overwrite(overwrite)
    , m_file(std::make_unique<AtomicFile>(QStringLiteral("CreateTextFile"), path))
{ }

TextStream::TextStream(TextStream &&other) noexcept = default;
TextStream &TextStream::operator=(TextStream &&other) noexcept = default;
TextStream::~TextStream() = default;

void TextStream::WriteLine(const QString &text)
{
    if (!m_file)
        throw PlatformError(PlatformError::BadFileMode, QStringLiteral("WriteLine"), m_path,
            QStringLiteral("the stream is closed"));
    m_file->setOperation(QStringLiteral("WriteLine"));
    QByteArray line = text.toLocal8Bit();
    line.append('\n');
    m_file->write(line);
}

void TextStream::Close()
{
    if (!m_file)
        return;
    // The stream is closed whatever the outcome: a failed commit has already
    // removed its temporary file.
    const std::unique_ptr<AtomicFile> file = std::move(m_file);
    file->setOperation(QStringLiteral("Close"));
    file->commit(m_overwrite ? AtomicFile::Replace::Existing : AtomicFile::Replace::Never);
}

} // namespace platform
