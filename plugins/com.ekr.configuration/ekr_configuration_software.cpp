// The table of installed render software and its default versions.

#include "ekr_configuration.h"

void EKConfiguration::UpdateSoftwareVersion() {}

void EKConfiguration::ItemClicked(QTableWidgetItem* item)
{
    Q_UNUSED(item)
}

void EKConfiguration::CellDoubleClicked(int row, int column)
{
    Q_UNUSED(row)
    Q_UNUSED(column)
}
