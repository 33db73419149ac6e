#ifndef CTKPLUGINEXCEPTION_H
#define CTKPLUGINEXCEPTION_H

#include "ctkException.h"

// Thrown when a plugin cannot be installed, started or stopped.
class CTK_PLUGINFW_EXPORT ctkPluginException : public ctkException
{
public:
    enum Type
    {
        UNSPECIFIED,
        UNSUPPORTED_OPERATION,
        INVALID_OPERATION,
        MANIFEST_ERROR,
        RESOLVE_ERROR,
        ACTIVATOR_ERROR,
        SECURITY_ERROR,
        STATECHANGE_ERROR,
        TRIGGER_ERROR,
        DUPLICATE_PLUGIN_ERROR
    };

    explicit ctkPluginException(const QString& msg, Type type = UNSPECIFIED);

    Type getType() const;

private:
    Type m_type;
};

#endif
