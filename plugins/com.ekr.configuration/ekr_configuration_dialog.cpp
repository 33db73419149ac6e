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
#include <QHash>
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
#include <QVector>

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
// another class under the same name does not count; of several, the first in
// findChildren()'s order); returns the names the tree lacks, whose fields are
// left null. The tree is walked once for all fields, not once for each.
template <class... Widget>
QStringList FindWidgets(QWidget* dialog, std::pair<Widget*&, const char*>... fields)
{
    QHash<QString, QVector<QWidget*>> named;
    const QList<QWidget*> widgets = dialog->findChildren<QWidget*>();
    for (QWidget* widget : widgets)
        named[widget->objectName()].append(widget);
    QStringList missing;
    const auto find = [&named, &missing](auto field) {
        using Found = std::remove_reference_t<decltype(*field.first)>;
        field.first = nullptr;
        const QString name = QString::fromLatin1(field.second);
        for (QWidget* candidate : named.value(name)) {
            if ((field.first = qobject_cast<Found*>(candidate)))
                break;
        }
        if (!field.first)
            missing << name;
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
    connect(btnClose, &QPushButton::clicked, dialog, &QWidget::close);
    connect(btnMin, &QPushButton::clicked, dialog, &QWidget::hide);

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

    connect(m_pLwtConfiguration, &QListWidget::currentRowChanged, m_pSwtConfiguration,
            &QStackedWidget::setCurrentIndex);
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
    connect(m_pUiLoader, &EKUiLoaderInterface::SkinChanged, this, &EKConfiguration::ChangeSkin,
            unique);
    connect(m_pUiLoader, &EKUiLoaderInterface::LanguageChanged, this,
            &EKConfiguration::ChangeLanguage, unique);

    connect(m_pBtnSavePath, &QPushButton::clicked, this, &EKConfiguration::SelectRenderOutputPath);
    connect(m_pBtnMonitorPath, &QPushButton::clicked, this, &EKConfiguration::SelectMonitorPath);
    connect(m_pBtnApply, &QPushButton::clicked, this, &EKConfiguration::TriggerApply);
    connect(m_pBtnCancel, &QPushButton::clicked, this, &EKConfiguration::TriggerCancel);
    for (QCheckBox* box :
         {m_pChkAutoDownload, m_pChkPopupFinish, m_pChkSoundFinish, m_pChkAutoStart,
          m_pChkAutoLogin, m_pChkAutoUpdate, m_pChkEnableRenderLayer,
          m_pChkEnableAutoUploadFailedFiles, m_pChkPrerender, m_pChkUploadSceneFileOnly,
          m_pChkSetArgument, m_pChkInterruptSubmit})
        connect(box, &QCheckBox::stateChanged, this, &EKConfiguration::EnableApply);
    for (QLineEdit* field : {m_pLneMonitorPath, m_pLneSavePath})
        connect(field, &QLineEdit::textChanged, this, &EKConfiguration::EnableApply);
    for (QComboBox* box : {m_pCmbPool, m_pCmbTransferType})
        connect(box, qOverload<int>(&QComboBox::currentIndexChanged), this,
                &EKConfiguration::EnableApply);
    connect(m_pSpbSubTask, qOverload<int>(&QSpinBox::valueChanged), this,
            &EKConfiguration::EnableApply);
    connect(m_pBtnUpdate, &QPushButton::clicked, this, &EKConfiguration::CheckforUpdates);
    connect(m_pTwtSoftwareVersion, &QTableWidget::cellDoubleClicked, this,
            &EKConfiguration::CellDoubleClicked);
    connect(m_pTwtSoftwareVersion, &QTableWidget::itemClicked, this, &EKConfiguration::ItemClicked);
    // After the EnableApply connections of the same two boxes, so that Apply
    // is enabled before the other box is unchecked.
    for (QCheckBox* box : {m_pChkSetArgument, m_pChkPrerender})
        connect(box, &QCheckBox::stateChanged, this, &EKConfiguration::StateChanged);

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
