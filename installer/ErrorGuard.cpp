#include "ErrorGuard.h"

#include "MessageBoxFit.h"
#include "platform/PlatformError.h"

#include <QCoreApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <utility>

ErrorGuard::ErrorGuard() : ErrorGuard(&ErrorGuard::showReportBox, &ErrorGuard::endProgram) { }

ErrorGuard::ErrorGuard(ShowReport show, EndProgram end)
    : m_show(std::move(show)), m_end(std::move(end))
{ }

bool ErrorGuard::run(const std::function<void()> &body) const noexcept
{
    try {
        body();
        return true;
    } catch (const platform::PlatformError &error) {
        report(error.number(), error.description());
    } catch (const std::bad_alloc &) {
        report(outOfMemoryNumber, QStringLiteral("out of memory"));
    } catch (const std::exception &error) {
        report(internalErrorNumber, QString::fromUtf8(error.what()));
    } catch (...) {
        report(internalErrorNumber, QStringLiteral("unknown error"));
    }
    return false;
}

void ErrorGuard::report(int number, const QString &description) const
{
    m_show(number, description);
    m_end(failureStatus);
}

void ErrorGuard::showReportBox(int number, const QString &description)
{
    QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(),
        reportHeading(number) + QStringLiteral("\n\n") + description, QMessageBox::Ok);
    fitToScreen(box);
    box.exec();
}

QString ErrorGuard::reportHeading(int number)
{
    return QStringLiteral("运行时错误 %1：").arg(number);
}

void ErrorGuard::endProgram(int status)
{
    // Straight out: the failed handler's window and objects are in an unknown state, and
    // unwinding through Qt from inside an event handler is what this guard exists to avoid.
    std::fflush(nullptr);
    std::_Exit(status);
}
