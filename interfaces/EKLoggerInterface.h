#ifndef EKLOGGERINTERFACE_H
#define EKLOGGERINTERFACE_H

#include "EKBaseInterface.h"

// The host's logger. It has no QObject part of its own, so its lifecycle is
// reached through the interface pointer; the implementing object is still a
// QObject that answers "com.ekr.logger".
class EKLoggerInterface : public EKBaseInterface
{
protected:
    ~EKLoggerInterface() = default;
};

Q_DECLARE_INTERFACE(EKLoggerInterface, "com.ekr.logger")

#endif
