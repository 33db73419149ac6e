// Loading stored values into the dialog, Apply and Cancel. Which key belongs
// to which widget, and how it converts, is one table; the load and Apply walk
// it in their own, different orders.

#include "ekr_configuration.h"
#include "platform/ekr_platform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

namespace {
using ekr::Binding;
using ekr::Setting;
namespace keys = ekr::keys;

struct BindingRow
{
    const char* key;
    Binding kind;
};

// Indexed by ekr::Setting.
const BindingRow kBindings[int(Setting::Count)] = {
    {keys::RenderOutput, Binding::Path},     {keys::MonitorPath, Binding::Path},
    {keys::PoolId, Binding::ItemText},       {keys::TransferType, Binding::ItemNumber},
    {keys::AutoLogin, Binding::Check},       {keys::AutoDownload, Binding::Check},
    {keys::SoundFinish, Binding::Check},     {keys::PopupFinish, Binding::Check},
    {keys::AutoUpdate, Binding::Check},      {keys::Prerender, Binding::Check},
    {keys::InterruptSubmit, Binding::Check}, {keys::SetArgument, Binding::Check},
    {keys::SubTask, Binding::Number},        {keys::AutoStart, Binding::Check},
    {keys::RenderLayer, Binding::Check},     {keys::UploadFailedFiles, Binding::Check},
    {keys::SceneFileOnly, Binding::Check},
};

// The load's order: prerender before set-argument, so that when both are
// stored as true the exclusivity rule leaves set-argument checked. The
// default marks are restored between these and the two combo boxes.
const Setting kLoadBeforeMarks[] = {
    Setting::RenderOutput, Setting::MonitorPath,       Setting::AutoLogin,
    Setting::AutoDownload, Setting::SoundFinish,       Setting::PopupFinish,
    Setting::AutoUpdate,   Setting::Prerender,         Setting::InterruptSubmit,
    Setting::SetArgument,  Setting::SubTask,           Setting::AutoStart,
    Setting::RenderLayer,  Setting::UploadFailedFiles, Setting::SceneFileOnly,
};
const Setting kLoadAfterMarks[] = {Setting::PoolId, Setting::TransferType};

// Apply's order. Automatic update comes late, because turning it on asks the
// user whether to update now; starting with the system comes last.
const Setting kApplyOrder[] = {
    Setting::RenderOutput,  Setting::MonitorPath, Setting::PoolId,
    Setting::TransferType,  Setting::AutoLogin,   Setting::AutoDownload,
    Setting::SoundFinish,   Setting::PopupFinish, Setting::Prerender,
    Setting::SceneFileOnly, Setting::RenderLayer, Setting::UploadFailedFiles,
    Setting::SubTask,       Setting::SetArgument, Setting::InterruptSubmit,
    Setting::AutoUpdate,    Setting::AutoStart,
};

// Selects the first item whose user data matches, else the first item.
template <class Matches> void SelectItem(QComboBox* box, Matches matches)
{
    int chosen = 0;
    for (int index = 0; index < box->count(); ++index) {
        if (matches(box->itemData(index, Qt::UserRole))) {
            chosen = index;
            break;
        }
    }
    box->setCurrentIndex(chosen);
}
} // namespace

QString EKConfiguration::AccountKey(const char* pattern) const
{
    return ekr::keys::Form(pattern, m_strLoginName);
}

QVariant EKConfiguration::ReadSetting(const QString& key)
{
    QVariant value;
    if (m_pSettings)
        m_pSettings->GetValue(value, QVariant(m_nSettingsHandle), key);
    return value;
}

void EKConfiguration::WriteSetting(const QString& key, const QVariant& value)
{
    if (m_pSettings)
        m_pSettings->SetValue(QVariant(m_nSettingsHandle), key, value);
}

void EKConfiguration::LoadSetting(ekr::Setting setting)
{
    const BindingRow& binding = kBindings[int(setting)];
    const QVariant value = ReadSetting(AccountKey(binding.key));
    QWidget* widget = m_pBoundWidgets[int(setting)];
    switch (binding.kind) {
    case Binding::Path: {
        const QString folder = value.toString();
        (setting == Setting::RenderOutput ? m_strRenderOutputPath : m_strMonitorPath) = folder;
        static_cast<QLineEdit*>(widget)->setText(folder);
        break;
    }
    case Binding::Check:
        static_cast<QCheckBox*>(widget)->setChecked(value.toBool());
        break;
    case Binding::Number:
        static_cast<QSpinBox*>(widget)->setValue(value.toInt());
        break;
    case Binding::ItemText: {
        const QString wanted = value.toString();
        SelectItem(static_cast<QComboBox*>(widget),
                   [&wanted](const QVariant& data) { return data.toString() == wanted; });
        break;
    }
    case Binding::ItemNumber:
        m_nTransferType = value.toInt();
        SelectItem(static_cast<QComboBox*>(widget),
                   [this](const QVariant& data) { return data.toInt() == m_nTransferType; });
        break;
    }
}

void EKConfiguration::UpdateSettings()
{
    if (!IsDialogUsable() || !m_pSettings || m_strLoginName.isEmpty())
        return;
    for (Setting setting : kLoadBeforeMarks)
        LoadSetting(setting);
    RestoreDefaultMarks();
    for (Setting setting : kLoadAfterMarks)
        LoadSetting(setting);
}

void EKConfiguration::ApplySetting(ekr::Setting setting)
{
    const BindingRow& binding = kBindings[int(setting)];
    const QString key = AccountKey(binding.key);
    // Compared with the store as it is now, not with what was loaded: a change
    // another component made meanwhile is respected.
    const QVariant stored = ReadSetting(key);
    QWidget* widget = m_pBoundWidgets[int(setting)];
    switch (binding.kind) {
    case Binding::Path: {
        const QString folder = static_cast<QLineEdit*>(widget)->text().trimmed();
        if (folder.isEmpty() || folder == stored.toString())
            return;
        WriteSetting(key, folder);
        if (setting == Setting::RenderOutput) {
            m_strRenderOutputPath = folder;
            return;
        }
        if (m_pFileWatcher)
            m_pFileWatcher->SetWatchPaths(QStringList(folder));
        m_strMonitorPath = folder;
        if (m_pFileWatcher)
            m_pFileWatcher->RestartWatching();
        return;
    }
    case Binding::ItemText: {
        // Before the pool list has arrived there is no pool to store, and the
        // stored one stays.
        auto* box = static_cast<QComboBox*>(widget);
        if (box->currentIndex() < 0)
            return;
        const QString current = box->currentData(Qt::UserRole).toString();
        if (current != stored.toString())
            WriteSetting(key, current);
        return;
    }
    case Binding::ItemNumber: {
        const int current = static_cast<QComboBox*>(widget)->currentData(Qt::UserRole).toInt();
        if (current != stored.toString().toInt(nullptr, 10))
            WriteSetting(key, QVariant(current));
        return;
    }
    case Binding::Number: {
        const int current = static_cast<QSpinBox*>(widget)->value();
        if (current != stored.toInt())
            WriteSetting(key, QVariant(current));
        return;
    }
    case Binding::Check: {
        const bool checked = static_cast<QCheckBox*>(widget)->isChecked();
        if (checked == stored.toBool())
            return;
        if (setting == Setting::AutoStart)
            SyncAutoStart(checked);
        WriteSetting(key, QVariant(checked));
        if (setting == Setting::AutoUpdate && checked)
            CheckforUpdates();
        return;
    }
    }
}

void EKConfiguration::SyncAutoStart(bool wanted)
{
    // An entry that is already there stays as it is, whatever it points to.
    // Failures to write are not reported: the store follows the box anyway.
    const bool present = ekr::platform::HasAutoStartEntry();
    if (wanted && !present) {
        const QString program = QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
        ekr::platform::AddAutoStartEntry(QStringLiteral("\"%1\"").arg(program));
    } else if (!wanted && present) {
        ekr::platform::RemoveAutoStartEntry();
    }
}

void EKConfiguration::CommitDefault(int markedRow, int& committedRow, const char* key)
{
    if (markedRow == committedRow)
        return;
    committedRow = markedRow;
    QTableWidgetItem* item = m_pTwtSoftwareVersion->item(committedRow, 0);
    WriteSetting(AccountKey(key), item ? item->data(Qt::UserRole).toString() : QString());
}

void EKConfiguration::TriggerApply()
{
    if (!IsDialogUsable() || !m_pSettings)
        return;
    for (Setting setting : kApplyOrder) {
        // The update question is modal: the dialog may be gone after it.
        if (!IsDialogUsable())
            return;
        ApplySetting(setting);
    }
    if (!IsDialogUsable())
        return;
    CommitDefault(m_nMarkedMaxRow, m_nDefaultMaxRow, ekr::keys::DefaultMax);
    CommitDefault(m_nMarkedMayaRow, m_nDefaultMayaRow, ekr::keys::DefaultMaya);
    m_pBtnApply->setEnabled(false);
    m_pDialog->close();
}

void EKConfiguration::TriggerCancel()
{
    if (!IsDialogUsable())
        return;
    UpdateSettings();
    m_pDialog->close();
}

void EKConfiguration::EnableApply()
{
    if (IsDialogUsable())
        m_pBtnApply->setEnabled(true);
}
