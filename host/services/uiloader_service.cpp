#include "uiloader_service.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QLoggingCategory>
#include <QTranslator>
#include <QUiLoader>
#include <QWidget>

Q_LOGGING_CATEGORY(lcUiLoader, "ekr.host.uiloader")

namespace {
const char* const kStyleSheetName = "com.ekr.configuration.qss";

// Skins are plain names of resource folders: nothing that could climb out of
// the folder or start somewhere else.
bool IsPlainName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) &&
           !name.contains(QLatin1Char('\\')) && name != QLatin1String("..") &&
           name != QLatin1String(".");
}

[[maybe_unused]] QString StyleSheetOf(const QString& skin)
{
    QFile file(QStringLiteral(":/%1/%2").arg(skin, QLatin1String(kStyleSheetName)));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(file.readAll());
}
} // namespace

// Resources of a static library must be pulled in by name.
static void InitHostResources()
{
    Q_INIT_RESOURCE(host_resources);
    Q_INIT_RESOURCE(host_translations);
}

UiLoaderService::UiLoaderService(QObject* parent)
    : m_strSkin(QStringLiteral("light")), m_strLanguage(QStringLiteral("en"))
{
    InitHostResources();
    setParent(parent);
}

UiLoaderService::~UiLoaderService()
{
    releaseTrees();
    if (m_pTranslator)
        QCoreApplication::removeTranslator(m_pTranslator);
    delete m_pTranslator;
}

QWidget* UiLoaderService::LoadUi(const QString& name, QWidget* parent)
{
    QFile file(QStringLiteral(":/ui/%1.ui").arg(name));
    if (!IsPlainName(name) || !file.open(QIODevice::ReadOnly)) {
        qCWarning(lcUiLoader).noquote() << "No widget tree is registered under" << name;
        return nullptr;
    }
    QUiLoader loader;
    QWidget* tree = loader.load(&file, parent);
    if (!tree) {
        qCWarning(lcUiLoader).noquote()
            << "The widget tree" << name << "cannot be built:" << loader.errorString();
        return nullptr;
    }
    if (QPointer<QWidget> earlier = m_trees.value(name)) {
        // Hidden now, deleted once the event that asked for the new tree is
        // done with the old one.
        earlier->hide();
        earlier->deleteLater();
    }
    m_trees.insert(name, tree);
    return tree;
}

QString UiLoaderService::GetCurrentSkin()
{
    return m_strSkin;
}

QWidget* UiLoaderService::tree(const QString& name) const
{
    return m_trees.value(name);
}

QStringList UiLoaderService::availableSkins()
{
    InitHostResources();
    QStringList skins;
    const QStringList folders = QDir(QStringLiteral(":/")).entryList(QDir::Dirs);
    for (const QString& folder : folders) {
        if (QFile::exists(QStringLiteral(":/%1/%2").arg(folder, QLatin1String(kStyleSheetName))))
            skins << folder;
    }
    return skins;
}

QStringList UiLoaderService::availableLanguages()
{
    InitHostResources();
    QStringList languages{QStringLiteral("en")};
    const QStringList catalogues =
        QDir(QStringLiteral(":/i18n")).entryList({QStringLiteral("ekr_client_*.qm")});
    for (const QString& catalogue : catalogues) {
        const QString code = catalogue.mid(11).chopped(3);
        if (!languages.contains(code))
            languages << code;
    }
    return languages;
}

bool UiLoaderService::setSkin(const QString& skin)
{
    if (!IsPlainName(skin) || !availableSkins().contains(skin)) {
        qCWarning(lcUiLoader).noquote() << "No skin named" << skin << "- keeping" << m_strSkin;
        return false;
    }
    m_strSkin = skin;
    emit SkinChanged(skin);
    return true;
}

bool UiLoaderService::setLanguage(const QString& language)
{
    if (!availableLanguages().contains(language)) {
        qCWarning(lcUiLoader).noquote()
            << "No translation for" << language << "- keeping" << m_strLanguage;
        return false;
    }
    // The catalogue must be in place before anyone retranslates.
    if (m_pTranslator) {
        QCoreApplication::removeTranslator(m_pTranslator);
        delete m_pTranslator;
        m_pTranslator = nullptr;
    }
    if (language != QLatin1String("en")) {
        m_pTranslator = new QTranslator;
        m_pTranslator->load(QStringLiteral(":/i18n/ekr_client_%1.qm").arg(language));
        QCoreApplication::installTranslator(m_pTranslator);
    }
    m_strLanguage = language;
    emit LanguageChanged(language);
    return true;
}

void UiLoaderService::onUninitialize()
{
    releaseTrees();
}

void UiLoaderService::releaseTrees()
{
    for (const QPointer<QWidget>& tree : qAsConst(m_trees))
        delete tree.data();
    m_trees.clear();
}
