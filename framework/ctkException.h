#ifndef CTKEXCEPTION_H
#define CTKEXCEPTION_H

#include "ctkPluginFramework_global.h"

#include <QByteArray>
#include <QString>

#include <exception>

// Base of the framework's exceptions; what() carries the reason as UTF-8.
class CTK_PLUGINFW_EXPORT ctkException : public std::exception
{
public:
    explicit ctkException(const QString& msg);
    ~ctkException() throw() override;

    QString message() const;
    // The exception this one reports. Stock CTK wraps causes (an install
    // that failed names why only in its cause); this framework never does.
    const ctkException* cause() const noexcept { return nullptr; }
    const char* what() const throw() override;

private:
    QString m_message;
    QByteArray m_what;
};

#endif
