#ifndef CTKVERSION_H
#define CTKVERSION_H

#include "ctkPluginFramework_global.h"

#include <QString>

// A plugin version "major.minor.micro[.qualifier]"; missing parts read as 0.
class CTK_PLUGINFW_EXPORT ctkVersion
{
public:
    ctkVersion();
    ctkVersion(unsigned int majorVersion, unsigned int minorVersion, unsigned int microVersion,
               const QString& qualifier = QString());
    explicit ctkVersion(const QString& version);

    static ctkVersion emptyVersion();
    static ctkVersion parseVersion(const QString& version);

    bool isUndefined() const;
    unsigned int getMajor() const;
    unsigned int getMinor() const;
    unsigned int getMicro() const;
    QString getQualifier() const;
    QString toString() const;

    bool operator==(const ctkVersion& other) const;
    bool operator!=(const ctkVersion& other) const { return !(*this == other); }
    bool operator<(const ctkVersion& other) const;

private:
    unsigned int m_major = 0;
    unsigned int m_minor = 0;
    unsigned int m_micro = 0;
    QString m_qualifier;
    bool m_undefined = true;
};

#endif
