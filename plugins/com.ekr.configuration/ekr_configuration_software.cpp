// The table of installed render software and its default versions: which
// version of 3dsmax and of maya the account renders with by default.

#include "ekr_configuration.h"
#include "platform/ekr_platform.h"

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>
#include <QTableWidget>

namespace {
namespace keys = ekr::keys;

const QColor kMarked = QColor::fromRgb(200, 200, 200, 255);
const QColor kUnmarked = QColor::fromRgb(255, 255, 255, 255);
// Both backgrounds are light whatever the skin, so painted rows get dark text.
const QColor kPaintedText = QColor::fromRgb(32, 36, 42, 255);
const QString kMax = QStringLiteral("3dsmax");
const QString kMaya = QStringLiteral("maya");
} // namespace

void EKConfiguration::PaintRow(int row, const QColor& colour)
{
    for (int column = 0; column < 2; ++column) {
        if (QTableWidgetItem* item = m_pTwtSoftwareVersion->item(row, column)) {
            item->setBackground(colour);
            item->setForeground(kPaintedText);
        }
    }
}

void EKConfiguration::MarkRow(int row, const QString& software)
{
    int* marked = software == kMaya  ? &m_nMarkedMayaRow
                  : software == kMax ? &m_nMarkedMaxRow
                                     : nullptr;
    if (!marked)
        return;
    if (*marked >= 0)
        PaintRow(*marked, kUnmarked);
    *marked = row;
    PaintRow(row, kMarked);
}

void EKConfiguration::UpdateSoftwareVersion()
{
    if (!IsDialogUsable() || !m_pSettings)
        return;
    m_pTwtSoftwareVersion->clearContents();
    m_pTwtSoftwareVersion->setRowCount(0);
    m_nDefaultMaxRow = m_nDefaultMayaRow = m_nMarkedMaxRow = m_nMarkedMayaRow = -1;
    m_strDefaultMax.clear();
    m_strDefaultMaya.clear();

    QVariantHash catalogue;
    m_pSettings->GetGroupValues(catalogue, QVariant(m_nSettingsHandle),
                                QString::fromLatin1(keys::Rendering));
    // The store's hash order changes from run to run; the user wants the same
    // table every time.
    QStringList softwareNames = catalogue.keys();
    softwareNames.sort();

    m_strDefaultMax = ReadSetting(AccountKey(keys::DefaultMax)).toString();
    m_strDefaultMaya = ReadSetting(AccountKey(keys::DefaultMaya)).toString();
    QString newDefaultMax;
    QString newDefaultMaya;

    for (const QString& software : qAsConst(softwareNames)) {
        const QStringList versions =
            ReadSetting(keys::Form(keys::RenderingVersions, software)).toStringList();
        QList<QStringList> entries;
        for (const QString& entry : versions) {
            QStringList parts = entry.split(QLatin1Char('&'));
            if (parts.size() < 2) {
                qCDebug(lcConfiguration).noquote()
                    << "Skipping the catalogue entry" << entry << "of" << software
                    << "- it has no version label after \"&\"";
                continue;
            }
            entries.append(parts);
        }
        // One application's rows are appended together: the view then lays
        // out once per application, not once per version, which is what a
        // catalogue of thousands of versions waits for.
        int row = m_pTwtSoftwareVersion->rowCount();
        m_pTwtSoftwareVersion->setRowCount(row + entries.size());
        for (const QStringList& parts : qAsConst(entries)) {
            const QString& versionId = parts.at(0);
            auto* label = new QTableWidgetItem(parts.at(1));
            label->setData(Qt::UserRole, versionId);
            m_pTwtSoftwareVersion->setItem(row, 0, label);
            const QString folder =
                ReadSetting(keys::Form(keys::InstallLocation, versionId)).toString();
            auto* location = new QTableWidgetItem(folder);
            location->setData(Qt::UserRole, software);
            m_pTwtSoftwareVersion->setItem(row, 1, location);

            // Without a stored default the last installed version wins; a
            // stored default counts only while it is installed.
            if (software == kMaya && !folder.isEmpty() &&
                (m_strDefaultMaya.isEmpty() || m_strDefaultMaya == versionId)) {
                newDefaultMaya = versionId;
                m_nDefaultMayaRow = row;
            } else if (software == kMax && !folder.isEmpty() &&
                       (m_strDefaultMax.isEmpty() || m_strDefaultMax == versionId)) {
                newDefaultMax = versionId;
                m_nDefaultMaxRow = row;
            }
            ++row;
        }
    }

    if (m_strDefaultMax != newDefaultMax) {
        m_strDefaultMax = newDefaultMax;
        WriteSetting(AccountKey(keys::DefaultMax), m_strDefaultMax);
    }
    if (m_strDefaultMaya != newDefaultMaya) {
        m_strDefaultMaya = newDefaultMaya;
        WriteSetting(AccountKey(keys::DefaultMaya), m_strDefaultMaya);
    }
    if (m_nDefaultMaxRow >= 0) {
        PaintRow(m_nDefaultMaxRow, kMarked);
        m_nMarkedMaxRow = m_nDefaultMaxRow;
        qCDebug(lcConfiguration).nospace().noquote()
            << "++++++++++++++++++++++++++++++++++++max row: " << m_nDefaultMaxRow;
    }
    if (m_nDefaultMayaRow >= 0) {
        PaintRow(m_nDefaultMayaRow, kMarked);
        m_nMarkedMayaRow = m_nDefaultMayaRow;
        qCDebug(lcConfiguration).nospace().noquote()
            << "++++++++++++++++++++++++++++++++++++++maya row: " << m_nDefaultMayaRow;
    }
}

void EKConfiguration::RestoreDefaultMarks()
{
    // Unapplied clicks are dropped: the committed rows are grey again.
    const struct
    {
        int* marked;
        int committed;
    } marks[] = {{&m_nMarkedMaxRow, m_nDefaultMaxRow}, {&m_nMarkedMayaRow, m_nDefaultMayaRow}};
    for (const auto& mark : marks) {
        if (*mark.marked == mark.committed)
            continue;
        if (*mark.marked >= 0)
            PaintRow(*mark.marked, kUnmarked);
        if (mark.committed >= 0) {
            if (QTableWidgetItem* item = m_pTwtSoftwareVersion->item(mark.committed, 0))
                m_pTwtSoftwareVersion->setCurrentItem(item);
            PaintRow(mark.committed, kMarked);
        }
        *mark.marked = mark.committed;
    }
}

void EKConfiguration::ItemClicked(QTableWidgetItem* item)
{
    if (!IsDialogUsable() || !item || item->tableWidget() != m_pTwtSoftwareVersion)
        return;
    const int row = item->row();
    QTableWidgetItem* location = m_pTwtSoftwareVersion->item(row, 1);
    if (!location)
        return;
    if (location->text().isEmpty()) {
        // Not installed: it cannot be the default.
        if (QTableWidgetItem* label = m_pTwtSoftwareVersion->item(row, 0))
            label->setSelected(false);
        location->setSelected(false);
        return;
    }
    MarkRow(row, location->data(Qt::UserRole).toString());
    m_pBtnApply->setEnabled(true);
}

void EKConfiguration::CellDoubleClicked(int row, int column)
{
    if (!IsDialogUsable() || column != 1)
        return;
    QTableWidgetItem* label = m_pTwtSoftwareVersion->item(row, 0);
    QTableWidgetItem* location = m_pTwtSoftwareVersion->item(row, 1);
    if (!label || !location)
        return;
    const QString folder = QFileDialog::getExistingDirectory(
        m_pDialog, QObject::tr("Choose software installation path"),
        QCoreApplication::applicationDirPath(), QFileDialog::ShowDirsOnly);
    const QString software = location->data(Qt::UserRole).toString();
    const QString analyzer = ReadSetting(keys::Form(keys::Analyzer, software)).toString();
    // A folder counts only when the application's own program is in it: a
    // cancelled chooser or a program without a name would make the folder
    // itself, or the root, count, and a name with a path in it would look
    // outside the folder chosen. An application bundle may be a folder, so
    // any entry of that name will do.
    const bool bareName = !analyzer.isEmpty() && !analyzer.contains(QLatin1Char('/')) &&
                          !analyzer.contains(QLatin1Char('\\')) && analyzer != QLatin1String(".") &&
                          analyzer != QLatin1String("..");
    if (folder.isEmpty() || !bareName)
        return;
    const QString program =
        QStringLiteral("%1/%2").arg(folder, ekr::platform::ExecutableFileName(analyzer));
    if (!QFileInfo::exists(program))
        return;
    const QString nativeFolder = QDir::toNativeSeparators(folder);
    location->setText(nativeFolder);
    WriteSetting(keys::Form(keys::InstallLocation, label->data(Qt::UserRole).toString()),
                 nativeFolder);
    MarkRow(row, software);
}
