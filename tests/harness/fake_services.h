#ifndef EKR_FAKE_SERVICES_H
#define EKR_FAKE_SERVICES_H

#include "EKCommunicationInterface.h"
#include "EKFileWatcherInterface.h"
#include "EKLoggerInterface.h"
#include "EKMessagboxInterface.h"
#include "EKSettingsInterface.h"
#include "EKUiLoaderInterface.h"

#include <QIcon>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <stdexcept>

// How a test double answers its lifecycle calls.
struct FakeLifecycleBehaviour
{
    int initializeResult = 0;
    int startResult = 0;
    bool throwOnInitialize = false;
    bool throwOnStart = false;
    bool throwOnStop = false;
    bool throwOnUninitialize = false;
    int handle = 0;
};

// Records every lifecycle call ("Initialize", "Start", "Stop(<handle>)",
// "Uninitialize", "Execute", "Query") and answers as told.
template <class Interface> class FakeLifecycle : public Interface
{
public:
    FakeLifecycleBehaviour behaviour;
    QStringList lifecycleCalls;
    QVariantHash lastParams;

    int Initialize(const QVariantHash& params) override
    {
        lifecycleCalls << QStringLiteral("Initialize");
        lastParams = params;
        if (behaviour.throwOnInitialize)
            throw std::runtime_error("test double told to throw");
        return behaviour.initializeResult;
    }
    int Uninitialize() override
    {
        lifecycleCalls << QStringLiteral("Uninitialize");
        if (behaviour.throwOnUninitialize)
            throw std::runtime_error("test double told to throw");
        return 0;
    }
    int Start(QVariant& handle, const QVariantHash& params) override
    {
        Q_UNUSED(params)
        lifecycleCalls << QStringLiteral("Start");
        if (behaviour.throwOnStart)
            throw std::runtime_error("test double told to throw");
        if (behaviour.startResult != 0)
            return behaviour.startResult;
        handle = QVariant(behaviour.handle);
        return 0;
    }
    int Stop(const QVariant& handle) override
    {
        lifecycleCalls << QStringLiteral("Stop(%1)").arg(handle.toInt());
        if (behaviour.throwOnStop)
            throw std::runtime_error("test double told to throw");
        return 0;
    }
    int Execute(const QVariant& handle, QVariant& argument) override
    {
        Q_UNUSED(handle)
        Q_UNUSED(argument)
        lifecycleCalls << QStringLiteral("Execute");
        return 0;
    }
    int Query(const QVariant& handle) override
    {
        Q_UNUSED(handle)
        lifecycleCalls << QStringLiteral("Query");
        return 0;
    }

    int callCount(const QString& call) const { return lifecycleCalls.count(call); }
};

class FakeLogger : public QObject, public FakeLifecycle<EKLoggerInterface>
{
    Q_OBJECT
    Q_INTERFACES(EKLoggerInterface)
};

// An in-memory store that records reads and writes in order.
class FakeSettings : public FakeLifecycle<EKSettingsInterface>
{
    Q_OBJECT
    Q_INTERFACES(EKSettingsInterface)

public:
    struct Write
    {
        QString key;
        QVariant value;
    };

    QVariantHash store;
    QStringList reads;
    QList<Write> writes;
    QList<QVariant> handlesSeen;

    int GetValue(QVariant& value, const QVariant& handle, const QString& key) override;
    int SetValue(const QVariant& handle, const QString& key, const QVariant& value) override;
    int GetGroupValues(QVariantHash& values, const QVariant& handle, const QString& group) override;

    int connectionCount(const char* signal) const { return receivers(signal); }
};

// Hands out widget trees from a factory and owns every tree it handed out.
class FakeUiLoader : public FakeLifecycle<EKUiLoaderInterface>
{
    Q_OBJECT
    Q_INTERFACES(EKUiLoaderInterface)

public:
    ~FakeUiLoader() override;

    std::function<QWidget*()> treeFactory; // default: no tree
    QString currentSkin = QStringLiteral("light");
    QStringList loadedNames;
    QList<QPointer<QWidget>> trees;

    QWidget* LoadUi(const QString& name, QWidget* parent) override;
    QString GetCurrentSkin() override { return currentSkin; }

    int connectionCount(const char* signal) const { return receivers(signal); }
};

class FakeCommunication : public FakeLifecycle<EKCommunicationInterface>
{
    Q_OBJECT
    Q_INTERFACES(EKCommunicationInterface)

public:
    struct Request
    {
        QString operation;
        QVariant handle;
        QVariantHash data;
    };
    QList<Request> requests;
    std::function<void()> onRequest; // runs inside each request call

    int RequestPoolId(const QVariant& handle, const QVariantHash& data) override;
    int RequestLatestVersion(const QVariant& handle, const QVariantHash& data) override;

    int connectionCount(const char* signal) const { return receivers(signal); }
};

class FakeFileWatcher : public FakeLifecycle<EKFileWatcherInterface>
{
    Q_OBJECT
    Q_INTERFACES(EKFileWatcherInterface)

public:
    QStringList calls; // "SetWatchPaths(a|b)", "RestartWatching"

    int SetWatchPaths(const QStringList& paths) override;
    int RestartWatching() override;
};

// Answers every question with a scripted button name.
class FakeMessagebox : public FakeLifecycle<EKMessagboxInterface>
{
    Q_OBJECT
    Q_INTERFACES(EKMessagboxInterface)

public:
    struct Question
    {
        int kind;
        QString first;
        QString second;
        QIcon icon;
        QString text;
        QVariantHash buttons;
        bool flag;
    };
    QString answer;
    QList<Question> questions;

    int ShowMessage(QString& clickedButton, int kind, const QString& first, const QString& second,
                    const QIcon& icon, const QString& text, const QVariantHash& buttons,
                    bool flag) override;
};

#endif
