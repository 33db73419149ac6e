#ifndef EKCONFIGURATIONINTERFACE_H
#define EKCONFIGURATIONINTERFACE_H

#include "EKBaseInterface.h"

#include <QString>

// The settings-dialog component, registered as "EKConfigurationInterface".
class EKConfigurationInterface : public QObject, public EKBaseInterface
{
    Q_OBJECT

public:
    explicit EKConfigurationInterface(QObject* parent = nullptr) : QObject(parent) {}

public slots:
    virtual void ShowConf() = 0;
    virtual void Finish(QString strFile) = 0;
    virtual QString GetCurrentVersion() = 0;
};

Q_DECLARE_INTERFACE(EKConfigurationInterface, "com.ekr.configuration")

#endif
