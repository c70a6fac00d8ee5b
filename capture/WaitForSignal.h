#pragma once

#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <chrono>

// Runs an event loop until `sender` emits `signal` or `timeout` has passed;
// the caller then checks the state the signal stands for.
template<typename Sender, typename Signal>
void waitForSignal(const Sender *sender, Signal signal, std::chrono::milliseconds timeout)
{
    QEventLoop loop;
    QObject::connect(sender, signal, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    loop.exec();
}
