#ifndef EKR_CONFIGURATION_H
#define EKR_CONFIGURATION_H

#include "EKCommunicationInterface.h"
#include "EKConfigurationInterface.h"
#include "EKFileWatcherInterface.h"
#include "EKLoggerInterface.h"
#include "EKMessagboxInterface.h"
#include "EKSettingsInterface.h"
#include "EKUiLoaderInterface.h"
#include "ekr_configuration_keys.h"

#include <QAudio>
#include <QFile>
#include <QLoggingCategory>
#include <QPointer>
#include <QVariantHash>
#include <QVariantMap>

class Mp3DecoderDevice;
class QAudioOutput;
class QCheckBox;
class QColor;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTableWidget;
class QTableWidgetItem;
class QWidget;
class ctkPluginContext;

Q_DECLARE_LOGGING_CATEGORY(lcConfiguration)

// The client's settings dialog component, offered to the host as the service
// "EKConfigurationInterface". It owns none of the host services and never
// deletes the dialog tree that the UI loader hands it.
class EKConfiguration : public EKConfigurationInterface
{
    Q_OBJECT
    Q_INTERFACES(EKConfigurationInterface)

public:
    explicit EKConfiguration(QObject* parent = nullptr);
    ~EKConfiguration() override;

    int Initialize(const QVariantHash& params) override;
    int Uninitialize() override;
    int Start(QVariant& handle, const QVariantHash& params) override;
    int Stop(const QVariant& handle) override;
    int Execute(const QVariant& handle, QVariant& argument) override;
    int Query(const QVariant& handle) override;

    // The slot order is the order of the meta-object's method table, which
    // hosts rely on.
public slots:
    void ShowConf() override;
    void Finish(QString strFile) override;
    void CheckforUpdates();
    QString GetCurrentVersion() override;
    void TriggerLatestVersionResponse(int nRet, QVariantMap mapData);
    void GetLatestVersion();
    void handleStateChanged(QAudio::State newState);
    void StateChanged(int state);
    void TriggerSignOutResponse(int nRet, QVariantMap mapData);

protected slots:
    void ChangeSkin(QString strSkin);
    void ChangeLanguage(QString strLanguage);
    void SelectRenderOutputPath();
    void SelectMonitorPath();
    void TriggerApply();
    void TriggerCancel();
    void EnableApply();
    void ItemClicked(QTableWidgetItem* item);
    void UpdateSettings();
    void TriggerSignInResponse(int nRet, QVariantMap mapData);
    void CellDoubleClicked(int row, int column);
    void TriggerPoolIdResponse(int nRet, QVariantMap mapData);

private:
    // Service attachment.
    int AttachPlugins();
    void DetachPlugins();
    template <class Service> Service* LookUpService() const;
    template <class Service> bool AttachService(QPointer<Service>& reference, int& handle);
    template <class Signal, class Slot>
    void ConnectService(const typename QtPrivate::FunctionPointer<Signal>::Object* sender,
                        Signal signal, Slot slot);

    // Dialog construction.
    void InitUi();
    void InitConnections();
    void RetranslateUi();
    bool IsDialogUsable() const;

    // Settings store access with the settings handle; keys as formed by
    // ekr::keys::Form.
    QVariant ReadSetting(const QString& key);
    void WriteSetting(const QString& key, const QVariant& value);
    QString AccountKey(const char* pattern) const;
    void LoadSetting(ekr::Setting setting);
    void ApplySetting(ekr::Setting setting);
    void SyncAutoStart(bool wanted);
    void CommitDefault(int markedRow, int& committedRow, const char* key);

    // Render software table.
    void UpdateSoftwareVersion();
    void RestoreDefaultMarks();
    void MarkRow(int row, const QString& software);
    void PaintRow(int row, const QColor& colour);

    // Version check.
    bool Is64BitSystem();

    // Lifecycle.
    int m_nState = -1;
    bool m_bInitialized = false;
    ctkPluginContext* m_pContext = nullptr;
    QVariantHash m_hashParams;

    // Host services. The QObject-based ones are guarded, so that a service
    // that the host deletes early reads as absent rather than dangling.
    EKLoggerInterface* m_pLogger = nullptr;
    QPointer<QObject> m_pLoggerObject;
    QPointer<EKSettingsInterface> m_pSettings;
    QPointer<EKUiLoaderInterface> m_pUiLoader;
    QPointer<EKCommunicationInterface> m_pCommunication;
    QPointer<EKFileWatcherInterface> m_pFileWatcher;
    QPointer<EKMessagboxInterface> m_pMessagebox;
    int m_nSettingsHandle = 0;
    int m_nUiLoaderHandle = 0;
    int m_nCommunicationHandle = 0;
    int m_nFileWatcherHandle = 0;
    int m_nMessageboxHandle = 0;

    // The dialog, owned by the UI loader, and its widgets.
    QPointer<QWidget> m_pDialog;
    bool m_bDialogComplete = false;
    QListWidget* m_pLwtConfiguration = nullptr;
    QStackedWidget* m_pSwtConfiguration = nullptr;
    QLabel* m_pLblLogo = nullptr;
    QLabel* m_pLblTitle = nullptr;
    QLabel* m_pLblTips = nullptr;
    QLabel* m_pLblPool = nullptr;
    QLabel* m_pLblSubTask = nullptr;
    QLabel* m_pLblCurrentVersion = nullptr;
    QLabel* m_pLblCurrentVersionV = nullptr;
    QLabel* m_pLblLatestVersion = nullptr;
    QLabel* m_pLblLatestVersionV = nullptr;
    QLabel* m_pLblTransferType = nullptr;
    QLabel* m_pLblSavePath = nullptr;
    QLabel* m_pLblMonitorPath = nullptr;
    QPushButton* m_pBtnSavePath = nullptr;
    QPushButton* m_pBtnMonitorPath = nullptr;
    QPushButton* m_pBtnApply = nullptr;
    QPushButton* m_pBtnCancel = nullptr;
    QPushButton* m_pBtnUpdate = nullptr;
    QLineEdit* m_pLneSavePath = nullptr;
    QLineEdit* m_pLneMonitorPath = nullptr;
    QCheckBox* m_pChkAutoDownload = nullptr;
    QCheckBox* m_pChkPopupFinish = nullptr;
    QCheckBox* m_pChkSoundFinish = nullptr;
    QCheckBox* m_pChkAutoStart = nullptr;
    QCheckBox* m_pChkAutoLogin = nullptr;
    QCheckBox* m_pChkAutoUpdate = nullptr;
    QCheckBox* m_pChkPrerender = nullptr;
    QCheckBox* m_pChkEnableAutoUploadFailedFiles = nullptr;
    QCheckBox* m_pChkEnableRenderLayer = nullptr;
    QCheckBox* m_pChkUploadSceneFileOnly = nullptr;
    QCheckBox* m_pChkSetArgument = nullptr;
    QCheckBox* m_pChkInterruptSubmit = nullptr;
    QSpinBox* m_pSpbSubTask = nullptr;
    QComboBox* m_pCmbPool = nullptr;
    QComboBox* m_pCmbTransferType = nullptr;
    QTableWidget* m_pTwtSoftwareVersion = nullptr;
    // The widget of each bound setting, indexed by ekr::Setting.
    QWidget* m_pBoundWidgets[int(ekr::Setting::Count)] = {};

    // Account.
    QString m_strLoginName;
    QString m_strUserName;
    QString m_strToken;
    QString m_strCurrentVersion;
    QString m_strLatestVersion;

    // Values kept beside the widgets between a load and an Apply.
    QString m_strRenderOutputPath;
    QString m_strMonitorPath;
    int m_nTransferType = 0;

    // Default render versions: committed rows and the rows marked in the table.
    QString m_strDefaultMax;
    QString m_strDefaultMaya;
    int m_nDefaultMaxRow = -1;
    int m_nDefaultMayaRow = -1;
    int m_nMarkedMaxRow = -1;
    int m_nMarkedMayaRow = -1;

    // Finish reminder: the sound file is the source the output pulls from,
    // through the decoder that turns its MP3 into PCM.
    QFile m_fileSound;
    QAudioOutput* m_pAudioOutput = nullptr;
    Mp3DecoderDevice* m_pSoundStream = nullptr;
};

#endif
