#pragma once

#include "Folder.h"
#include "PlatformError.h"
#include "TextStream.h"

#include <QString>

namespace platform {

// The installer's file-system operations.
//
// Paths are Unicode text, handed to the system in the locale's encoding
// (UTF-8) and otherwise as given: nothing is normalised, and a doubled
// separator inside a path names the same entry as a single one.
// Every operation that fails raises PlatformError (see PlatformError.h); none
// reports a failure through its result. The object holds no state: create one
// where it is needed.
class FileSystem
{
public:
    // True when `path` names an existing entry that is not a folder (a link is
    // followed). Never raises: an entry that cannot be reached counts as
    // missing.
    bool FileExists(const QString &path) const;

    // True when `path` names an existing folder (a link is followed). Never
    // raises.
    bool FolderExists(const QString &path) const;

    // Creates one folder; its parent must exist.
    // Raises 76 when the parent is missing, 58 when the entry exists already,
    // 70 without write access to the parent (read-only file system included).
    void CreateFolder(const QString &path) const;

    // The folder `path` names (a link to a folder is followed here: the caller
    // named it). Raises 76 when there is no folder at `path`.
    Folder GetFolder(const QString &path) const;

    // Copies the file `source` to `destination`, replacing an existing file
    // there (a read-only one too: it is replaced, never written into); the
    // destination's folder must exist. A link as source is followed; a link
    // as destination is replaced by the copy. Content and permission bits
    // (rwx for owner, group, others) are copied, so an executable stays one.
    // The copy is written under a temporary name beside the destination and
    // renamed over it when complete: a failure at any point leaves an earlier
    // destination file as it was and no temporary file behind.
    // Raises 53 when the source is missing, 76 when a folder of either path
    // is, 75 when the source is not a regular file or the destination is a
    // folder, 70 without access, 61 when the disk is full, 57 on a device
    // error.
    void CopyFile(const QString &source, const QString &destination) const;

    // Starts a new text file at `path` (see TextStream). With `overwrite` an
    // existing file is replaced on Close(); without it an existing file makes
    // this (or a later Close()) raise 58. Raises 76 when the folder is
    // missing, 70 without write access, 75 when `path` is a folder.
    TextStream CreateTextFile(const QString &path, bool overwrite) const;

    // Removes the folder `path` and everything below it.
    // Symbolic links are never followed: a link inside the tree is removed
    // as a link and what it points to stays; when `path` itself is a link to
    // a folder, only the link is removed. A folder on another file system
    // inside the tree (a mount point) is not entered: it raises 70.
    // With `force`, read-only files and folders are removed too; without it a
    // read-only file raises 70 (entries met before it are already gone).
    // Raises 76 when there is no folder at `path`; refuses the root folder
    // with 70.
    void DeleteFolder(const QString &path, bool force) const;
};

} // namespace platform
