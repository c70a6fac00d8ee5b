#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What the installer was asked to do on its command line.
struct CommandLine
{
    enum class Mode {
        Window, // no arguments: the installer window
        Help, // --help: the usage on standard output
        Unattended, // --unattended: an installation without a window
        UsageError, // anything else: the usage on standard error, nothing done
    };

    Mode mode = Mode::Window;
    bool acceptAgreement = false; // --accept-agreement: what ticking the window's box says
    // --folder PATH; without it, the folder the window would propose.
    std::optional<QString> folder;
    bool keepPackage = false; // --keep-package: the package folder stays after the installation
    QString error; // what is wrong with the arguments, for UsageError
};

// Reads the arguments that follow the program's name. An unknown option, an option without its
// value, a --folder given twice, any argument that is not an option, and an installation option
// without --unattended are usage errors. --help wins over everything else that is well formed.
CommandLine parseCommandLine(const QStringList &arguments);

// How to call the program, in the terms of its options.
QString usageText();
