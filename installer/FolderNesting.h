#pragma once

#include <QString>

// Whether installing into `folder` would write into `container` (the package): true when
// `folder` is `container` or lies anywhere inside it. Both are compared as the file system will
// reach them: the part of each path that exists is resolved through symbolic links and "..", the
// part that does not exist yet is taken by its text ("." and ".." folded, a trailing separator
// ignored). Names are compared whole, so a sibling whose name merely starts with the container's
// name is not inside. Meant for absolute paths; a relative one is taken from the current folder.
bool isSameOrInside(const QString &folder, const QString &container);
