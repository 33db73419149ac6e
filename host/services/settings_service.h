#ifndef EKR_SETTINGS_SERVICE_H
#define EKR_SETTINGS_SERVICE_H

#include "EKSettingsInterface.h"
#include "host_service.h"

#include <QScopedPointer>
#include <QSettings>

// The client's persistent settings: one INI file under the client's
// configuration folder, keys stored under their exact strings.
class SettingsService : public HostService<EKSettingsInterface>
{
    Q_OBJECT
    Q_INTERFACES(EKSettingsInterface)

public:
    // An empty path means the default: "ekr_client.ini" in the client's
    // configuration folder.
    explicit SettingsService(const QString& filePath = QString(), QObject* parent = nullptr);
    ~SettingsService() override;

    QString filePath() const { return m_filePath; }

    int GetValue(QVariant& value, const QVariant& handle, const QString& key) override;
    int SetValue(const QVariant& handle, const QString& key, const QVariant& value) override;
    int GetGroupValues(QVariantHash& values, const QVariant& handle, const QString& group) override;

protected:
    int onInitialize() override;
    void onUninitialize() override;
    void onStop() override;

private:
    QSettings* store();

    QString m_filePath;
    QScopedPointer<QSettings> m_settings;
};

#endif
