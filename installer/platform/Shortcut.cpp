#include "Shortcut.h"

#include "AtomicFile.h"
#include "PlatformError.h"
#include "ShellLinkWriter.h"

namespace platform {

void Shortcut::Save() const
{
    const QString operation = QStringLiteral("Save");
    // The format ends its strings at a NUL, so such a path would be cut short.
    if (m_targetPath.contains(QChar(0)) || m_iconLocation.contains(QChar(0)))
        throw PlatformError(PlatformError::BadFileName, operation, m_fullName,
            QStringLiteral("a path holds a NUL character"));
    if (m_iconLocation.size() > ShellLinkWriter::MaxStringLength)
        throw PlatformError(PlatformError::InvalidArgument, operation, m_fullName,
            QStringLiteral("icon location too long"));

    AtomicFile file(operation, m_fullName);
    file.write(ShellLinkWriter::build(m_targetPath, m_iconLocation));
    file.commit(AtomicFile::Replace::Existing);
}

} // namespace platform
