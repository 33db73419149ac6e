// Building the dialog from the UI loader's widget tree, its texts, skins and folder pickers.

#include "ekr_configuration.h"

#include <QWidget>

void EKConfiguration::InitUi()
{
    m_bDialogComplete = false;
    m_pDialog = m_pUiLoader ? m_pUiLoader->LoadUi(QStringLiteral("com.ekr.configuration"), nullptr)
                            : nullptr;
}

void EKConfiguration::InitConnections() {}

void EKConfiguration::RetranslateUi() {}

bool EKConfiguration::IsDialogUsable() const
{
    return m_pDialog && m_bDialogComplete;
}

void EKConfiguration::ShowConf() {}

void EKConfiguration::StateChanged(int state)
{
    Q_UNUSED(state)
}

void EKConfiguration::ChangeSkin(QString strSkin)
{
    Q_UNUSED(strSkin)
}

void EKConfiguration::ChangeLanguage(QString strLanguage)
{
    Q_UNUSED(strLanguage)
}

void EKConfiguration::SelectRenderOutputPath() {}

void EKConfiguration::SelectMonitorPath() {}
