#include "uiloader_service.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcUiLoader, "ekr.host.uiloader")

UiLoaderService::UiLoaderService(QObject* parent) : m_strSkin(QStringLiteral("light"))
{
    setParent(parent);
}

UiLoaderService::~UiLoaderService() = default;

QWidget* UiLoaderService::LoadUi(const QString& name, QWidget* parent)
{
    Q_UNUSED(parent)
    qCWarning(lcUiLoader).noquote() << "No widget tree is registered under" << name;
    return nullptr;
}

QString UiLoaderService::GetCurrentSkin()
{
    return m_strSkin;
}
