#ifndef EKMESSAGBOXINTERFACE_H
#define EKMESSAGBOXINTERFACE_H

#include "EKBaseInterface.h"

#include <QString>
#include <QVariantHash>

class QIcon;

// Modal questions to the user.
class EKMessagboxInterface : public QObject, public EKBaseInterface
{
    Q_OBJECT

public:
    explicit EKMessagboxInterface(QObject* parent = nullptr) : QObject(parent) {}

    // Shows text with one button per entry of buttons (object name to caption)
    // and returns when the user has answered, with the pressed button's object
    // name in clickedButton.
    virtual int ShowMessage(QString& clickedButton, int kind, const QString& first,
                            const QString& second, const QIcon& icon, const QString& text,
                            const QVariantHash& buttons, bool flag) = 0;
};

Q_DECLARE_INTERFACE(EKMessagboxInterface, "com.ekr.messagebox")

#endif
