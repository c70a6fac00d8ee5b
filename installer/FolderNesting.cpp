#include "FolderNesting.h"

#include <QFile>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// The existing part through the file system, the rest by its text. When the existing part cannot
// be resolved (a link loop, a folder that may not be searched), the whole path by its text: the
// installation's first step then fails on that path anyway.
fs::path resolved(const QString &text)
{
    const QByteArray bytes = QFile::encodeName(text);
    const fs::path path(std::string(bytes.constData(), size_t(bytes.size())));
    std::error_code error;
    fs::path result = fs::weakly_canonical(path, error);
    if (error || result.empty())
        result = fs::absolute(path, error).lexically_normal();
    // "a/b/" iterates as "a", "b", "": the trailing separator names the same folder.
    if (!result.empty() && result.filename().empty())
        result = result.parent_path();
    return result;
}

} // namespace

bool isSameOrInside(const QString &folder, const QString &container)
{
    const fs::path inner = resolved(folder);
    const fs::path outer = resolved(container);
    if (inner.empty() || outer.empty())
        return false;
    // Inside when every name of the container starts the folder's path, name for name.
    return std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end()).first
        == outer.end();
}
