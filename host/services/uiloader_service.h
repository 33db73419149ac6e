#ifndef EKR_UILOADER_SERVICE_H
#define EKR_UILOADER_SERVICE_H

#include "EKUiLoaderInterface.h"
#include "host_service.h"

#include <QHash>
#include <QPointer>
#include <QStringList>

class QTranslator;

// Supplies the client's widget trees, skins and languages. Widget trees are
// Qt Designer files in the resource folder ":/ui/<name>.ui"; a skin is a
// resource folder ":/<skin>/" holding "com.ekr.configuration.qss" and
// "main.png", its images also as "<name>@2x.png" for high-density screens; a
// language is a catalogue ":/i18n/ekr_client_<code>.qm" (English is the
// source language and needs none).
class UiLoaderService : public HostService<EKUiLoaderInterface>
{
    Q_OBJECT
    Q_INTERFACES(EKUiLoaderInterface)

public:
    UiLoaderService();
    ~UiLoaderService() override;

    // The loader owns every tree it hands out: an earlier tree of the same
    // name goes when a new one is handed out, and all go at Uninitialize.
    QWidget* LoadUi(const QString& name, QWidget* parent) override;
    QString GetCurrentSkin() override;

    // The tree last handed out under name, if it still exists.
    QWidget* tree(const QString& name) const;

    static QStringList availableSkins();
    static QStringList availableLanguages();
    // Switch and announce; false (and nothing announced) for an unknown name.
    bool setSkin(const QString& skin);
    bool setLanguage(const QString& language);
    QString currentLanguage() const { return m_strLanguage; }

protected:
    void onUninitialize() override;

private:
    void releaseTrees();

    QString m_strSkin;
    QString m_strLanguage;
    QHash<QString, QPointer<QWidget>> m_trees;
    QTranslator* m_pTranslator = nullptr;
};

#endif
