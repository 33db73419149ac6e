#include "ctkVersion.h"

#include <QStringList>

ctkVersion::ctkVersion() = default;

ctkVersion::ctkVersion(unsigned int majorVersion, unsigned int minorVersion,
                       unsigned int microVersion, const QString& qualifier)
    : m_major(majorVersion), m_minor(minorVersion), m_micro(microVersion), m_qualifier(qualifier),
      m_undefined(false)
{
}

ctkVersion::ctkVersion(const QString& version)
{
    const QStringList parts = version.trimmed().split(QLatin1Char('.'));
    if (parts.isEmpty() || parts.first().isEmpty())
        return;
    unsigned int* const numbers[] = {&m_major, &m_minor, &m_micro};
    for (int i = 0; i < parts.size() && i < 3; ++i) {
        bool ok = false;
        *numbers[i] = parts.at(i).toUInt(&ok);
        if (!ok)
            return;
    }
    if (parts.size() > 3)
        m_qualifier = parts.mid(3).join(QLatin1Char('.'));
    m_undefined = false;
}

ctkVersion ctkVersion::emptyVersion()
{
    return ctkVersion(0, 0, 0);
}

ctkVersion ctkVersion::parseVersion(const QString& version)
{
    return version.trimmed().isEmpty() ? emptyVersion() : ctkVersion(version);
}

bool ctkVersion::isUndefined() const
{
    return m_undefined;
}

unsigned int ctkVersion::getMajor() const
{
    return m_major;
}

unsigned int ctkVersion::getMinor() const
{
    return m_minor;
}

unsigned int ctkVersion::getMicro() const
{
    return m_micro;
}

QString ctkVersion::getQualifier() const
{
    return m_qualifier;
}

QString ctkVersion::toString() const
{
    if (m_undefined)
        return QStringLiteral("undefined");
    QString text = QStringLiteral("%1.%2.%3").arg(m_major).arg(m_minor).arg(m_micro);
    if (!m_qualifier.isEmpty())
        text += QLatin1Char('.') + m_qualifier;
    return text;
}

bool ctkVersion::operator==(const ctkVersion& other) const
{
    return m_undefined == other.m_undefined && m_major == other.m_major &&
           m_minor == other.m_minor && m_micro == other.m_micro && m_qualifier == other.m_qualifier;
}

bool ctkVersion::operator<(const ctkVersion& other) const
{
    if (m_major != other.m_major)
        return m_major < other.m_major;
    if (m_minor != other.m_minor)
        return m_minor < other.m_minor;
    if (m_micro != other.m_micro)
        return m_micro < other.m_micro;
    return m_qualifier < other.m_qualifier;
}
