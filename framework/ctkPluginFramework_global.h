#ifndef CTKPLUGINFRAMEWORK_GLOBAL_H
#define CTKPLUGINFRAMEWORK_GLOBAL_H

#include <QHash>
#include <QString>
#include <QVariant>
#include <QtGlobal>

#if defined(EKR_PLUGINFRAMEWORK_LIBRARY)
#define CTK_PLUGINFW_EXPORT Q_DECL_EXPORT
#else
#define CTK_PLUGINFW_EXPORT Q_DECL_IMPORT
#endif

typedef QHash<QString, QVariant> ctkDictionary;
typedef QHash<QString, QVariant> ctkProperties;

#endif
