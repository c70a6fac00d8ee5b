#pragma once

#include <QString>

#include <functional>

// The installer's top-level error report. Every event handler runs its body through run(): an
// error raised inside is shown with its number and description and the program ends, so no
// exception ever reaches Qt's event loop. Steps done before the failure stay done.
// platform::PlatformError is the installer's one error type; anything else is shown under the
// numbers below.
class ErrorGuard
{
public:
    using ShowReport = std::function<void(int number, const QString &description)>;
    using EndProgram = std::function<void(int status)>;

    // The exit status of a program ended by an error.
    static constexpr int failureStatus = 1;
    // Numbers shown for failures that carry none of their own.
    static constexpr int outOfMemoryNumber = 7;
    static constexpr int internalErrorNumber = 51;

    // Shows the report in a message box, then ends the process.
    ErrorGuard();
    ErrorGuard(ShowReport show, EndProgram end);

    // Runs body; returns false when it raised an error (after the report, if the program goes
    // on at all, which only a replaced EndProgram allows).
    bool run(const std::function<void()> &body) const noexcept;

    // The message box of the real report: modal, the heading, a blank line, the description.
    static void showReportBox(int number, const QString &description);
    // What the report says before the error's description: its number.
    static QString reportHeading(int number);
    // Ends the process at once with the given status.
    [[noreturn]] static void endProgram(int status);

private:
    void report(int number, const QString &description) const;

    ShowReport m_show;
    EndProgram m_end;
};
