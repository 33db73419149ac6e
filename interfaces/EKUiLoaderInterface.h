#ifndef EKUILOADERINTERFACE_H
#define EKUILOADERINTERFACE_H

#include "EKBaseInterface.h"

#include <QString>

class QWidget;

// Supplies widget trees by name, and the skin and language in force.
class EKUiLoaderInterface : public QObject, public EKBaseInterface
{
    Q_OBJECT

public:
    explicit EKUiLoaderInterface(QObject* parent = nullptr) : QObject(parent) {}

    // The top-level widget of the tree registered under name. The loader owns
    // every tree it hands out; callers never delete one.
    virtual QWidget* LoadUi(const QString& name, QWidget* parent) = 0;
    virtual QString GetCurrentSkin() = 0;

signals:
    void SkinChanged(QString strSkin);
    void LanguageChanged(QString strLanguage);
};

Q_DECLARE_INTERFACE(EKUiLoaderInterface, "com.ekr.uiloader")

#endif
