#ifndef EKR_UILOADER_SERVICE_H
#define EKR_UILOADER_SERVICE_H

#include "EKUiLoaderInterface.h"
#include "host_service.h"

// Supplies the client's widget trees, skins and languages.
class UiLoaderService : public HostService<EKUiLoaderInterface>
{
    Q_OBJECT
    Q_INTERFACES(EKUiLoaderInterface)

public:
    explicit UiLoaderService(QObject* parent = nullptr);
    ~UiLoaderService() override;

    QWidget* LoadUi(const QString& name, QWidget* parent) override;
    QString GetCurrentSkin() override;

private:
    QString m_strSkin;
};

#endif
