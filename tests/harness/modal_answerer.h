#ifndef EKR_MODAL_ANSWERER_H
#define EKR_MODAL_ANSWERER_H

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers the next modal dialog of class Dialog from inside its event loop:
// polls until one is active, then hands it to answer.
template <class Dialog>
void answerNextModal(std::function<void(Dialog*)> answer, int attempts = 500)
{
    QTimer::singleShot(10, [answer, attempts]() {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
            answer(dialog);
        } else if (attempts > 0) {
            answerNextModal<Dialog>(answer, attempts - 1);
        }
    });
}

#endif
