#pragma once

#include "InstallRecord.h"

// Before `fresh` replaces the record of an earlier installation into the same folder: removes
// what the earlier record lists inside the folder and `fresh` does not (its files, then its
// folders that ended empty, deepest first), never following a link and touching nothing else.
// Returns `fresh` with what of the earlier installation is still there to be removed later:
// files that could not be removed, folders that still hold something, and files outside that
// `fresh` does not list, still at a known place and still belonging to the earlier installation.
// Without a readable earlier record, `fresh` as it is; refused entries are left alone.
InstallRecord takeOverEarlierRecord(const QString &installFolder, InstallRecord fresh,
    const QString &dataFolder, const QString &desktopFolder);
