#ifndef EKR_MODAL_ANSWERER_H
#define EKR_MODAL_ANSWERER_H

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers the next modal dialog of class Dialog from inside its event loop:
// polls until one is active, then hands it to answer. Polling stops when
// context is destroyed, so an answer that was never needed cannot outlive the
// test that set it up.
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

#endif
