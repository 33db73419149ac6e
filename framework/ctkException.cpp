#include "ctkException.h"
#include "ctkPluginException.h"

ctkException::ctkException(const QString& msg) : m_message(msg), m_what(msg.toUtf8()) {}

ctkException::~ctkException() throw() {}

QString ctkException::message() const
{
    return m_message;
}

const char* ctkException::what() const throw()
{
    return m_what.constData();
}

ctkPluginException::ctkPluginException(const QString& msg, Type type)
    : ctkException(msg), m_type(type)
{
}

ctkPluginException::Type ctkPluginException::getType() const
{
    return m_type;
}
