// The reminder sound played when a render job finishes.

#include "ekr_configuration.h"

void EKConfiguration::Finish(QString strFile)
{
    Q_UNUSED(strFile)
}

void EKConfiguration::handleStateChanged(QAudio::State newState)
{
    Q_UNUSED(newState)
}
