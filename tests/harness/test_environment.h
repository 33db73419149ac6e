#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

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
