#ifndef EKFILEWATCHERINTERFACE_H
#define EKFILEWATCHERINTERFACE_H

#include "EKBaseInterface.h"

#include <QStringList>

// Watches the folder where the user drops scene files.
class EKFileWatcherInterface : public QObject, public EKBaseInterface
{
    Q_OBJECT

public:
    explicit EKFileWatcherInterface(QObject* parent = nullptr) : QObject(parent) {}

    virtual int SetWatchPaths(const QStringList& paths) = 0;
    virtual int RestartWatching() = 0;
};

Q_DECLARE_INTERFACE(EKFileWatcherInterface, "com.ekr.filewatcher")

#endif
