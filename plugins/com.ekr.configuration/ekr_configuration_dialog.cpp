// Building the dialog from the UI loader's widget tree, its texts, skins and
// folder pickers.

#include "ekr_configuration.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>

#include <utility>

namespace {
const char* const kDialogName = "com.ekr.configuration";

// The page list's entries, in the order of the stack's pages.
const char* const kPageTitles[] = {
    QT_TRANSLATE_NOOP("QObject", "General"), QT_TRANSLATE_NOOP("QObject", "Render"),
    QT_TRANSLATE_NOOP("QObject", "Reminder"), QT_TRANSLATE_NOOP("QObject", "VersionSetting")};

// The dialog's texts are shared with the rest of the client's translations,
// which keep them in the generic context.
QString TranslateText(const char* source)
{
    return QCoreApplication::translate("QObject", source);
}

// A field of the component and the object name of its widget in the tree.
template <class Widget> std::pair<Widget*&, const char*> Field(Widget*& field, const char* name)
{
    return {field, name};
}

// Finds each field's widget by exact object name at any depth (a widget of
// another class under the same name does not count); returns the names the
// tree lacks, whose fields are left null.
template <class... Widget>
QStringList FindWidgets(QWidget* dialog, std::pair<Widget*&, const char*>... fields)
{
    QStringList missing;
    const auto find = [dialog, &missing](auto field) {
        using Found = std::remove_reference_t<decltype(*field.first)>;
        const auto candidates = dialog->findChildren<Found*>(QString::fromLatin1(field.second));
        field.first = candidates.isEmpty() ? nullptr : candidates.first();
        if (!field.first)
            missing << QString::fromLatin1(field.second);
    };
    (find(fields), ...);
    return missing;
}
} // namespace

bool EKConfiguration::IsDialogUsable() const
{
    return m_pDialog && m_bDialogComplete;
}

void EKConfiguration::InitUi()
{
    m_bDialogComplete = false;
    m_pDialog =
        m_pUiLoader ? m_pUiLoader->LoadUi(QString::fromLatin1(kDialogName), nullptr) : nullptr;
    if (!m_pDialog) {
        qCCritical(lcConfiguration).noquote()
            << QStringLiteral("[%1] The UI loader supplied no widget tree; the settings dialog "
                              "stays unavailable")
                   .arg(QLatin1String(kDialogName));
        return;
    }

    QWidget* dialog = m_pDialog;
    QPushButton* btnClose = nullptr;
    QPushButton* btnMin = nullptr;
    const QStringList missing = FindWidgets(
        dialog, Field(m_pLwtConfiguration, "lwtConfiguration"),
        Field(m_pSwtConfiguration, "swtConfiguration"), Field(m_pLblLogo, "lblLogo"),
        Field(m_pLblTitle, "lblTitle"), Field(m_pLblTips, "lblTips"), Field(m_pLblPool, "lblPool"),
        Field(m_pLblSubTask, "lblSubTask"), Field(m_pLblCurrentVersion, "lblCurrentVersion"),
        Field(m_pLblCurrentVersionV, "lblCurrentVersionV"),
        Field(m_pLblLatestVersion, "lblLatestVersion"),
        Field(m_pLblLatestVersionV, "lblLatestVersionV"), Field(m_pBtnSavePath, "btnSavePath"),
        Field(m_pLneSavePath, "lneSavePath"), Field(m_pBtnMonitorPath, "btnMonitorPath"),
        Field(m_pLneMonitorPath, "lneMonitorPath"), Field(m_pBtnApply, "btnApply"),
        Field(m_pBtnCancel, "btnCancel"), Field(m_pBtnUpdate, "btnUpdate"),
        Field(m_pChkAutoDownload, "chkAutoDownload"), Field(m_pChkPopupFinish, "chkPopupFinish"),
        Field(m_pChkSoundFinish, "chkSoundFinish"), Field(m_pChkAutoStart, "chkAutoStart"),
        Field(m_pChkAutoLogin, "chkAutoLogin"), Field(m_pChkAutoUpdate, "chkAutoUpdate"),
        Field(m_pChkPrerender, "chkPrerender"),
        Field(m_pChkEnableAutoUploadFailedFiles, "chkEnableAutoUploadFailedFiles"),
        Field(m_pChkEnableRenderLayer, "chkEnableRenderLayer"), Field(m_pSpbSubTask, "spbSubTask"),
        Field(m_pCmbPool, "cmbPool"), Field(m_pLblTransferType, "lblTransferType"),
        Field(m_pCmbTransferType, "cmbTransferType"),
        Field(m_pChkUploadSceneFileOnly, "chkUploadSceneFileOnly"),
        Field(m_pTwtSoftwareVersion, "twtSoftwareVersion"),
        Field(m_pChkSetArgument, "chkSetArgument"),
        Field(m_pChkInterruptSubmit, "chkInterruptSubmit"), Field(btnClose, "btnClose"),
        Field(btnMin, "btnMin"), Field(m_pLblSavePath, "lblSavePath"),
        Field(m_pLblMonitorPath, "lblMonitorPath"));
    if (!missing.isEmpty()) {
        // A tree from another skin or version: better no dialog than a crash.
        qCCritical(lcConfiguration).noquote()
            << QStringLiteral("[%1] The widget tree lacks %2; the settings dialog stays "
                              "unavailable")
                   .arg(QLatin1String(kDialogName), missing.join(QStringLiteral(", ")));
        return;
    }

    dialog->setWindowFlags(Qt::WindowMinimizeButtonHint | Qt::MSWindowsFixedSizeDialogHint |
                           Qt::Dialog | Qt::FramelessWindowHint);
    dialog->setAutoFillBackground(true);

    m_pLneSavePath->setReadOnly(true);
    m_pLneMonitorPath->setReadOnly(true);
    m_pBtnApply->setEnabled(false);
    m_pCmbTransferType->addItem(QStringLiteral("ftp"), QVariant(int(0)));
    connect(btnClose, SIGNAL(clicked()), dialog, SLOT(close()));
    connect(btnMin, SIGNAL(clicked()), dialog, SLOT(hide()));

    for (int row = 0; row < 4; ++row) {
        m_pLwtConfiguration->insertItem(row, QString::fromLatin1(kPageTitles[row]));
        m_pLwtConfiguration->item(row)->setTextAlignment(Qt::AlignCenter);
    }

    auto* grid = new QGridLayout();
    grid->addItem(new QSpacerItem(500, 30, QSizePolicy::Minimum, QSizePolicy::Minimum), 0, 0, 1, 2);
    grid->addWidget(m_pLwtConfiguration, 1, 0, 1, 1);
    grid->addWidget(m_pSwtConfiguration, 1, 1, 1, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 4);
    m_pLwtConfiguration->setFocusPolicy(Qt::NoFocus);
    if (dialog->layout()) {
        qCDebug(lcConfiguration) << "The widget tree brings its own layout; keeping it";
        delete grid;
    } else {
        dialog->setLayout(grid);
    }

    connect(m_pLwtConfiguration, SIGNAL(currentRowChanged(int)), m_pSwtConfiguration,
            SLOT(setCurrentIndex(int)));
    m_pSwtConfiguration->setCurrentIndex(0);

    m_pTwtSoftwareVersion->setColumnCount(2);
    m_pTwtSoftwareVersion->setShowGrid(false);
    m_pSpbSubTask->setRange(1, 100);

    m_pLneMonitorPath->hide();
    m_pBtnMonitorPath->hide();
    m_pLblMonitorPath->hide();

    using ekr::Setting;
    const std::pair<Setting, QWidget*> bound[] = {
        {Setting::RenderOutput, m_pLneSavePath},
        {Setting::MonitorPath, m_pLneMonitorPath},
        {Setting::PoolId, m_pCmbPool},
        {Setting::TransferType, m_pCmbTransferType},
        {Setting::AutoLogin, m_pChkAutoLogin},
        {Setting::AutoDownload, m_pChkAutoDownload},
        {Setting::SoundFinish, m_pChkSoundFinish},
        {Setting::PopupFinish, m_pChkPopupFinish},
        {Setting::AutoUpdate, m_pChkAutoUpdate},
        {Setting::Prerender, m_pChkPrerender},
        {Setting::InterruptSubmit, m_pChkInterruptSubmit},
        {Setting::SetArgument, m_pChkSetArgument},
        {Setting::SubTask, m_pSpbSubTask},
        {Setting::AutoStart, m_pChkAutoStart},
        {Setting::RenderLayer, m_pChkEnableRenderLayer},
        {Setting::UploadFailedFiles, m_pChkEnableAutoUploadFailedFiles},
        {Setting::SceneFileOnly, m_pChkUploadSceneFileOnly},
    };
    for (const auto& binding : bound)
        m_pBoundWidgets[int(binding.first)] = binding.second;
    m_bDialogComplete = true;
}

void EKConfiguration::InitConnections()
{
    if (!IsDialogUsable())
        return;
    // The UI loader outlives the trees it hands out, so a dialog built again
    // after a Stop must not connect it a second time.
    const auto unique = static_cast<Qt::ConnectionType>(Qt::AutoConnection | Qt::UniqueConnection);
    connect(m_pUiLoader, SIGNAL(SkinChanged(QString)), this, SLOT(ChangeSkin(QString)), unique);
    connect(m_pUiLoader, SIGNAL(LanguageChanged(QString)), this, SLOT(ChangeLanguage(QString)),
            unique);

    const struct
    {
        QObject* sender;
        const char* signal;
        const char* slot;
    } connections[] = {
        {m_pBtnSavePath, SIGNAL(clicked()), SLOT(SelectRenderOutputPath())},
        {m_pBtnMonitorPath, SIGNAL(clicked()), SLOT(SelectMonitorPath())},
        {m_pBtnApply, SIGNAL(clicked()), SLOT(TriggerApply())},
        {m_pBtnCancel, SIGNAL(clicked()), SLOT(TriggerCancel())},
        {m_pChkAutoDownload, SIGNAL(stateChanged(int)), SLOT(EnableApply())},
        {m_pChkPopupFinish, SIGNAL(stateChanged(int)), SLOT(EnableApply())},
        {m_pChkSoundFinish, SIGNAL(stateChanged(int)), SLOT(EnableApply())},
        {m_pChkAutoStart, SIGNAL(stateChanged(int)), SLOT(EnableApply())},
        {m_pChkAutoLogin, SIGNAL(stateChanged(int)), SLOT(EnableApply())},
        {m_pChkAutoUpdate, SIGNAL(stateChanged(int)), SLOT(EnableApply())},
        {m_pChkEnableRenderLayer, SIGNAL(stateChanged(int)), SLOT(EnableApply())},
        {m_pChkEnableAutoUploadFailedFiles, SIGNAL(stateChanged(int)), SLOT(EnableApply())},
        {m_pChkPrerender, SIGNAL(stateChanged(int)), SLOT(EnableApply())},
        {m_pChkUploadSceneFileOnly, SIGNAL(stateChanged(int)), SLOT(EnableApply())},
        {m_pChkSetArgument, SIGNAL(stateChanged(int)), SLOT(EnableApply())},
        {m_pChkInterruptSubmit, SIGNAL(stateChanged(int)), SLOT(EnableApply())},
        {m_pLneMonitorPath, SIGNAL(textChanged(QString)), SLOT(EnableApply())},
        {m_pLneSavePath, SIGNAL(textChanged(QString)), SLOT(EnableApply())},
        {m_pCmbPool, SIGNAL(currentIndexChanged(int)), SLOT(EnableApply())},
        {m_pCmbTransferType, SIGNAL(currentIndexChanged(int)), SLOT(EnableApply())},
        {m_pSpbSubTask, SIGNAL(valueChanged(int)), SLOT(EnableApply())},
        {m_pBtnUpdate, SIGNAL(clicked()), SLOT(CheckforUpdates())},
        {m_pTwtSoftwareVersion, SIGNAL(cellDoubleClicked(int, int)),
         SLOT(CellDoubleClicked(int, int))},
        {m_pTwtSoftwareVersion, SIGNAL(itemClicked(QTableWidgetItem*)),
         SLOT(ItemClicked(QTableWidgetItem*))},
        // After the EnableApply connections of the same two boxes, so that
        // Apply is enabled before the other box is unchecked.
        {m_pChkSetArgument, SIGNAL(stateChanged(int)), SLOT(StateChanged(int))},
        {m_pChkPrerender, SIGNAL(stateChanged(int)), SLOT(StateChanged(int))},
    };
    for (const auto& connection : connections)
        connect(connection.sender, connection.signal, this, connection.slot);

    // The window is frameless and no QDialog, so nothing else gives Escape and
    // Return their meaning. They click the buttons, so that Cancel and Apply run
    // as for the mouse and a disabled Apply ignores Return. Return on a focused
    // button presses that one, as in a dialog: never Apply for a focused Cancel.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), m_pDialog), &QShortcut::activated,
            m_pBtnCancel, &QAbstractButton::click);
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        connect(new QShortcut(QKeySequence(key), m_pDialog), &QShortcut::activated, this, [this] {
            auto* focused = qobject_cast<QPushButton*>(QApplication::focusWidget());
            (focused ? focused : m_pBtnApply)->click();
        });
    }
}

void EKConfiguration::RetranslateUi()
{
    if (!IsDialogUsable())
        return;
    m_pDialog->setWindowTitle(TranslateText(QT_TRANSLATE_NOOP("QObject", "Settings")));
    for (int row = 0; row < 4 && row < m_pLwtConfiguration->count(); ++row)
        m_pLwtConfiguration->item(row)->setText(TranslateText(kPageTitles[row]));

    // Buttons, check boxes and labels all carry their text in "text".
    const struct
    {
        QWidget* widget;
        const char* text;
    } texts[] = {
        {m_pBtnSavePath, QT_TRANSLATE_NOOP("QObject", "Browse")},
        {m_pBtnMonitorPath, QT_TRANSLATE_NOOP("QObject", "Browse")},
        {m_pChkAutoDownload, QT_TRANSLATE_NOOP("QObject", "Enable auto download")},
        {m_pChkAutoLogin, QT_TRANSLATE_NOOP("QObject", "Enable auto login")},
        {m_pChkAutoStart, QT_TRANSLATE_NOOP("QObject", "Start with system")},
        {m_pChkAutoUpdate, QT_TRANSLATE_NOOP("QObject", "Enbale auto update")},
        {m_pChkPrerender, QT_TRANSLATE_NOOP("QObject", "Enbale prerender")},
        {m_pChkSetArgument, QT_TRANSLATE_NOOP("QObject", "Enbale set argument")},
        {m_pChkInterruptSubmit,
         QT_TRANSLATE_NOOP("QObject", "Enbale interruption when error occurs")},
        {m_pChkEnableRenderLayer, QT_TRANSLATE_NOOP("QObject", "Enbale render layer")},
        {m_pChkEnableAutoUploadFailedFiles,
         QT_TRANSLATE_NOOP("QObject", "Enable upload failed files automatically")},
        {m_pChkUploadSceneFileOnly, QT_TRANSLATE_NOOP("QObject", "Upload scene file only")},
        {m_pChkPopupFinish, QT_TRANSLATE_NOOP("QObject", "Popup after finish")},
        {m_pChkSoundFinish, QT_TRANSLATE_NOOP("QObject", "Sound after finish")},
        {m_pBtnUpdate, QT_TRANSLATE_NOOP("QObject", "Update")},
        {m_pBtnApply, QT_TRANSLATE_NOOP("QObject", "Apply")},
        {m_pBtnCancel, QT_TRANSLATE_NOOP("QObject", "Cancel")},
        {m_pLblSavePath, QT_TRANSLATE_NOOP("QObject", "Storage path of render output")},
        {m_pLblMonitorPath, QT_TRANSLATE_NOOP("QObject", "Monitored path of scene file")},
        {m_pLblPool, QT_TRANSLATE_NOOP("QObject", "Node pool")},
        {m_pLblSubTask, QT_TRANSLATE_NOOP("QObject", "Subtask by frame")},
        {m_pLblTransferType, QT_TRANSLATE_NOOP("QObject", "Transfer Type")},
        {m_pLblTips,
         QT_TRANSLATE_NOOP("QObject", "Double click table's colum two to set installation path")},
        {m_pLblCurrentVersion, QT_TRANSLATE_NOOP("QObject", "Current version")},
        {m_pLblLatestVersion, QT_TRANSLATE_NOOP("QObject", "Latest version")},
    };
    for (const auto& entry : texts)
        entry.widget->setProperty("text", TranslateText(entry.text));

    m_pTwtSoftwareVersion->setHorizontalHeaderLabels(
        {TranslateText(QT_TRANSLATE_NOOP("QObject", "Software Version")),
         TranslateText(QT_TRANSLATE_NOOP("QObject", "Installation Path"))});
}

void EKConfiguration::ShowConf()
{
    if (!IsDialogUsable())
        return;
    GetLatestVersion();
    m_pDialog->show();
    m_pDialog->activateWindow();
}

void EKConfiguration::StateChanged(int state)
{
    if (!IsDialogUsable())
        return;
    auto* box = qobject_cast<QCheckBox*>(sender());
    if (box && box == m_pChkSetArgument && state == Qt::Checked && m_pChkPrerender->isChecked())
        m_pChkPrerender->setChecked(false);
    else if (box && box == m_pChkPrerender && state == Qt::Checked &&
             m_pChkSetArgument->isChecked())
        m_pChkSetArgument->setChecked(false);
}

void EKConfiguration::ChangeSkin(QString strSkin)
{
    if (!IsDialogUsable())
        return;
    // The name is used as it comes: the path always stays inside the resource
    // system, so a strange name can only miss.
    // A skin without a style sheet leaves the dialog unstyled.
    QFile styleSheet(QStringLiteral(":/%1/com.ekr.configuration.qss").arg(strSkin));
    QString text;
    if (styleSheet.open(QIODevice::ReadOnly))
        text = QString::fromLatin1(styleSheet.readAll());
    styleSheet.close();
    m_pDialog->setStyleSheet(text);

    const QString skin = m_pUiLoader ? m_pUiLoader->GetCurrentSkin() : QString();
    m_pDialog->setWindowIcon(QIcon(QStringLiteral(":/%1/main.png").arg(skin)));
}

void EKConfiguration::ChangeLanguage(QString strLanguage)
{
    Q_UNUSED(strLanguage)
    RetranslateUi();
}

namespace {
// The folder chooser starts in the client's folder whatever the field shows;
// only an existing folder is taken.
void ChooseFolder(QWidget* parent, const QString& caption, QLineEdit* field)
{
    const QString folder = QFileDialog::getExistingDirectory(
        parent, caption, QCoreApplication::applicationDirPath(), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return;
    field->setText(folder);
}
} // namespace

void EKConfiguration::SelectRenderOutputPath()
{
    if (IsDialogUsable())
        ChooseFolder(m_pDialog, tr("Select render output path"), m_pLneSavePath);
}

void EKConfiguration::SelectMonitorPath()
{
    if (IsDialogUsable())
        ChooseFolder(m_pDialog, tr("Select Monitor path"), m_pLneMonitorPath);
}
