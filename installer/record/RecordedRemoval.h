#pragma once

#include <QString>
#include <QStringList>

// Removal of what a record lists inside an install folder, which never follows a link: every
// folder on the way is opened without following one, so a link in the install folder is at most
// removed as a link, and what it leads to is never touched.

struct Removal
{
    enum Outcome {
        Removed,
        Gone, // nothing was there
        NotEmpty, // a folder that holds something
        Kept, // something else is there: see why
        Failed, // the system refused: see why
    };

    Outcome outcome = Gone;
    QString why;
};

// Removes the file or link that `entry` (a plain relative path) names in `installFolder`. Kept
// when it is a folder, or when a name on the way is a link or no folder.
Removal removeRecordedFile(const QString &installFolder, const QString &entry);

// Removes the folder that `entry` names in `installFolder` when it is empty. Kept when it holds
// anything, or is no folder (a link to one included), or a name on the way is a link.
Removal removeRecordedFolder(const QString &installFolder, const QString &entry);

// `folders` ordered so that every folder comes before the folder holding it, the order in which
// they can be removed once emptied.
QStringList deepestFirst(QStringList folders);
