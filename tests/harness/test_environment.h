#ifndef EKR_TEST_ENVIRONMENT_H
#define EKR_TEST_ENVIRONMENT_H

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

// Points HOME, the XDG folders and the emulated registry at a fresh temporary
// folder and selects the offscreen platform, before Qt reads any of them, so
// that a test neither reads nor writes anything of the user's.
class HermeticEnvironment
{
public:
    HermeticEnvironment();
    QString root() const { return m_root.path(); }

private:
    QTemporaryDir m_root;
};

#define EKR_TEST_MAIN(TestClass)                                                                   \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        HermeticEnvironment environment;                                                           \
        QApplication app(argc, argv);                                                              \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

#endif
