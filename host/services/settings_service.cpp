#include "settings_service.h"

#include <QLoggingCategory>
#include <QStandardPaths>

Q_LOGGING_CATEGORY(lcSettings, "ekr.host.settings")

SettingsService::SettingsService(const QString& filePath, QObject* parent)
    : HostService<EKSettingsInterface>(), m_filePath(filePath)
{
    setParent(parent);
    if (m_filePath.isEmpty())
        m_filePath = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
                     QStringLiteral("/ekr_client.ini");
}

SettingsService::~SettingsService() = default;

QSettings* SettingsService::store()
{
    if (!m_settings) {
        m_settings.reset(new QSettings(m_filePath, QSettings::IniFormat));
        if (m_settings->status() == QSettings::FormatError)
            qCWarning(lcSettings).noquote() << "Settings file" << m_filePath
                                            << "cannot be parsed; starting from its readable part";
    }
    return m_settings.data();
}

int SettingsService::onInitialize()
{
    store();
    return 0;
}

void SettingsService::onStop()
{
    if (m_settings)
        m_settings->sync();
}

void SettingsService::onUninitialize()
{
    if (m_settings) {
        m_settings->sync();
        if (m_settings->status() != QSettings::NoError)
            qCWarning(lcSettings).noquote() << "Settings file" << m_filePath << "cannot be written";
    }
}

int SettingsService::GetValue(QVariant& value, const QVariant& handle, const QString& key)
{
    Q_UNUSED(handle)
    value = store()->value(key);
    return 0;
}

int SettingsService::SetValue(const QVariant& handle, const QString& key, const QVariant& value)
{
    Q_UNUSED(handle)
    store()->setValue(key, value);
    return 0;
}

int SettingsService::GetGroupValues(QVariantHash& values, const QVariant& handle,
                                    const QString& group)
{
    Q_UNUSED(handle)
    QSettings* settings = store();
    settings->beginGroup(group);
    const QStringList keys = settings->childKeys();
    for (const QString& key : keys)
        values.insert(key, settings->value(key));
    settings->endGroup();
    return 0;
}
