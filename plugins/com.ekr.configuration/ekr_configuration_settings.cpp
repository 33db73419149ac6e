// Loading stored values into the dialog, Apply and Cancel.

#include "ekr_configuration.h"

void EKConfiguration::UpdateSettings() {}

void EKConfiguration::TriggerApply() {}

void EKConfiguration::TriggerCancel() {}

void EKConfiguration::EnableApply() {}
