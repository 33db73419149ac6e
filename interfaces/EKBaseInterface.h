#ifndef EKBASEINTERFACE_H
#define EKBASEINTERFACE_H

#include <QObject>
#include <QVariant>
#include <QVariantHash>

// Lifecycle of every host plugin's main object and of every host service.
// Result codes: 0 success, -1 failure, -3 not initialised, -4 the handle does
// not name this instance. No object is ever deleted through this interface.
class EKBaseInterface
{
public:
    virtual int Initialize(const QVariantHash& params) = 0;
    virtual int Uninitialize() = 0;
    virtual int Start(QVariant& handle, const QVariantHash& params) = 0;
    virtual int Stop(const QVariant& handle) = 0;
    virtual int Execute(const QVariant& handle, QVariant& argument) = 0;
    virtual int Query(const QVariant& handle) = 0;

protected:
    ~EKBaseInterface() = default;
};

Q_DECLARE_INTERFACE(EKBaseInterface, "EKBaseInterface")

#endif
