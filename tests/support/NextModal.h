#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

// Acts on the next modal dialog of type T once its event loop runs, so a test can inspect and
// close a real modal box instead of blocking on it.
template<typename T> void onNextModal(std::function<void(T *)> act)
{
    QTimer::singleShot(0, [act] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<T *>(modal))
            return act(dialog);
        ADD_FAILURE() << "no modal dialog of the expected type";
        if (modal)
            modal->close();
    });
}
