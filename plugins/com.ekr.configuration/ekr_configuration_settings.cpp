// Loading stored values into the dialog, Apply and Cancel.

#include "ekr_configuration.h"

#include <QPushButton>

void EKConfiguration::UpdateSettings() {}

void EKConfiguration::TriggerApply() {}

void EKConfiguration::TriggerCancel() {}

void EKConfiguration::EnableApply()
{
    if (IsDialogUsable())
        m_pBtnApply->setEnabled(true);
}
