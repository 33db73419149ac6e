#pragma once

#include "EKCommunicationInterface.h"
#include "EKFileWatcherInterface.h"
#include "EKLoggerInterface.h"
#include "EKMessagboxInterface.h"
#include "EKSettingsInterface.h"
#include "EKUiLoaderInterface.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <stdexcept>

// What a double records of its lifecycle ("Initialize", "Start", "Stop(<handle>)",
// "Uninitialize"), and the one call it fails when told to: with -1, or by throwing.
struct FakeLifecycleState
{
    QStringList lifecycleCalls;
    QVariantHash lastParams;
    QString failing;
    bool throwing = false;
    int handle = 0; // what Start hands out

    int record(const QString& call)
    {
        lifecycleCalls << call;
        if (failing != call.section('(', 0, 0))
            return 0;
        return throwing ? throw std::runtime_error("test double told to throw") : -1;
    }
};

template <class Interface> struct FakeLifecycle : Interface, FakeLifecycleState
{
    int Initialize(const QVariantHash& params) override
    {
        return lastParams = params, record("Initialize");
    }
    int Uninitialize() override { return record("Uninitialize"); }
    int Start(QVariant& started, const QVariantHash&) override
    {
        return started = handle, record("Start");
    }
    int Stop(const QVariant& h) override { return record("Stop(" + h.toString() + ')'); }
    int Execute(const QVariant&, QVariant&) override { return 0; }
    int Query(const QVariant&) override { return 0; }
    int receiversOf(const char* signal) const { return this->receivers(signal); }
};

class FakeLogger : public QObject, public FakeLifecycle<EKLoggerInterface>
{
    Q_OBJECT
    Q_INTERFACES(EKLoggerInterface)
};

// An in-memory store that records reads ("<group>/*" for a group) and writes.
class FakeSettings : public FakeLifecycle<EKSettingsInterface>
{
    Q_OBJECT
    Q_INTERFACES(EKSettingsInterface)

public:
    QVariantHash store;
    QStringList reads, writes; // writes as "key=value"

    int GetValue(QVariant& value, const QVariant&, const QString& key) override
    {
        return reads << key, value = store.value(key), 0;
    }
    int SetValue(const QVariant&, const QString& key, const QVariant& value) override
    {
        return writes << key + '=' + value.toString(), store.insert(key, value), 0;
    }
    int GetGroupValues(QVariantHash& values, const QVariant&, const QString& group) override
    {
        reads << group + "/*";
        for (auto it = store.cbegin(); it != store.cend(); ++it) {
            const QString child = it.key().mid(group.size() + 1);
            if (it.key().startsWith(group + '/') && !child.contains('/'))
                values.insert(child, it.value());
        }
        return 0;
    }
};

// Hands out (and owns) the widget trees of a factory; by default none.
class FakeUiLoader : public FakeLifecycle<EKUiLoaderInterface>
{
    Q_OBJECT
    Q_INTERFACES(EKUiLoaderInterface)

public:
    std::function<QWidget*()> treeFactory;
    QStringList loadedNames;
    QList<QPointer<QWidget>> trees;

    ~FakeUiLoader() override { qDeleteAll(trees); }
    QWidget* LoadUi(const QString& name, QWidget*) override
    {
        loadedNames << name;
        return treeFactory ? (trees << treeFactory()).last().data() : nullptr;
    }
    QString GetCurrentSkin() override { return "light"; }
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
    std::function<void()> onRequest; // runs inside each request

    int RequestPoolId(const QVariant& handle, const QVariantHash& data) override
    {
        return request({"RequestPoolId", handle, data});
    }
    int RequestLatestVersion(const QVariant& handle, const QVariantHash& data) override
    {
        return request({"RequestLatestVersion", handle, data});
    }
    int request(const Request& made)
    {
        requests << made;
        return onRequest ? onRequest() : void(), 0;
    }
};

class FakeFileWatcher : public FakeLifecycle<EKFileWatcherInterface>
{
    Q_OBJECT
    Q_INTERFACES(EKFileWatcherInterface)

public:
    QStringList calls; // "SetWatchPaths(a|b)", "RestartWatching"

    int SetWatchPaths(const QStringList& paths) override
    {
        return calls << "SetWatchPaths(" + paths.join('|') + ')', 0;
    }
    int RestartWatching() override { return calls << "RestartWatching", 0; }
};

// Answers every question with a scripted button name, and notes each question
// as its kind, titles, flag, text and buttons.
class FakeMessagebox : public FakeLifecycle<EKMessagboxInterface>
{
    Q_OBJECT
    Q_INTERFACES(EKMessagboxInterface)

public:
    QString answer;
    QStringList questions;

    int ShowMessage(QString& clicked, int kind, const QString& first, const QString& second,
                    const QIcon&, const QString& text, const QVariantHash& buttons,
                    bool flag) override
    {
        QStringList names;
        for (auto it = buttons.cbegin(); it != buttons.cend(); ++it)
            names << it.key() + '=' + it.value().toString();
        names.sort();
        questions << QStringList{QString::number(kind), first, second,
                                 flag ? "flagged" : "", text,  names.join(',')}
                         .join(' ')
                         .simplified();
        return clicked = answer, 0;
    }
};
