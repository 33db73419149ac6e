#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

// Points HOME, the XDG folders and the emulated registry at a fresh temporary
// folder and selects the offscreen platform, before Qt reads any of them, so
// that a test neither reads nor writes anything of the user's.
struct HermeticEnvironment
{
    QTemporaryDir root;
    HermeticEnvironment()
    {
        for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                                     "XDG_RUNTIME_DIR", "EKR_REGISTRY_ROOT"}) {
            QDir().mkpath(root.path() + '/' + variable);
            qputenv(variable, QFile::encodeName(root.path() + '/' + variable));
        }
        // Qt ignores a runtime folder that others may read.
        QFile::setPermissions(root.path() + "/XDG_RUNTIME_DIR",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
};

#define EKR_TEST_MAIN(TestClass)                                                                   \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        HermeticEnvironment environment;                                                           \
        QApplication app(argc, argv);                                                              \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

inline QString contents(const QString& path) // of a file or resource, as UTF-8
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : "";
}

// What reaches Qt's message handler while it exists: "<type> [<category>] <text>" a line.
struct MessageCapture
{
    QString text;
    QtMessageHandler previous;
    static inline MessageCapture* active = nullptr;

    MessageCapture() : previous(qInstallMessageHandler(handler)) { active = this; }
    ~MessageCapture() { qInstallMessageHandler(previous), active = nullptr; }
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        active->text += QStringLiteral("%1 [%2] %3\n").arg(type).arg(context.category, text);
    }
};

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
