#include "ctkVersion.h"

#include <QStringList>

#include <tuple>

ctkVersion::ctkVersion() = default;

ctkVersion::ctkVersion(unsigned int majorVersion, unsigned int minorVersion,
                       unsigned int microVersion, const QString& qualifier)
    : m_major(majorVersion), m_minor(minorVersion), m_micro(microVersion), m_qualifier(qualifier),
      m_undefined(false)
{
}

ctkVersion::ctkVersion(const QString& version)
{
    // An empty text or part fails as a number: the version stays undefined.
    const QStringList parts = version.trimmed().split(QLatin1Char('.'));
    auto part = parts.cbegin();
    for (unsigned int* number : {&m_major, &m_minor, &m_micro}) {
        if (part == parts.cend())
            break;
        bool ok;
        *number = (part++)->toUInt(&ok);
        if (!ok)
            return;
    }
    m_qualifier = QStringList(part, parts.cend()).join(QLatin1Char('.'));
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
    return std::tie(m_undefined, m_major, m_minor, m_micro, m_qualifier) ==
           std::tie(other.m_undefined, other.m_major, other.m_minor, other.m_micro,
                    other.m_qualifier);
}

bool ctkVersion::operator<(const ctkVersion& other) const
{
    return std::tie(m_major, m_minor, m_micro, m_qualifier) <
           std::tie(other.m_major, other.m_minor, other.m_micro, other.m_qualifier);
}
