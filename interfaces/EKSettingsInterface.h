#ifndef EKSETTINGSINTERFACE_H
#define EKSETTINGSINTERFACE_H

#include "EKBaseInterface.h"

#include <QString>
#include <QVariantHash>

// The client's settings store, shared by all of its components.
class EKSettingsInterface : public QObject, public EKBaseInterface
{
    Q_OBJECT

public:
    explicit EKSettingsInterface(QObject* parent = nullptr) : QObject(parent) {}

    // Sets value on every call: to the stored value, or to an invalid QVariant
    // for a key that holds nothing.
    virtual int GetValue(QVariant& value, const QVariant& handle, const QString& key) = 0;
    virtual int SetValue(const QVariant& handle, const QString& key, const QVariant& value) = 0;
    // Fills values with the child keys of group (their values are not relied on).
    virtual int GetGroupValues(QVariantHash& values, const QVariant& handle,
                               const QString& group) = 0;

signals:
    // The store was changed by someone else.
    void SettingsUpdated();
};

Q_DECLARE_INTERFACE(EKSettingsInterface, "com.ekr.settings")

#endif
