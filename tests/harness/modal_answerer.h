#pragma once

#include <QApplication>
#include <QTimer>

#include <functional>

// Answers the next modal dialog of class Dialog from inside its event loop:
// polls until one is active. Polling stops with context, so an answer never
// needed cannot outlive the test that set it up.
template <class Dialog>
void answerNextModal(QObject* context, std::function<void(Dialog*)> answer, int attempts = 500)
{
    QTimer::singleShot(10, context, [context, answer, attempts]() {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget()))
            answer(dialog);
        else if (attempts > 0)
            answerNextModal<Dialog>(context, answer, attempts - 1);
    });
}
