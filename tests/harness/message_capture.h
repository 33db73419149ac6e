#pragma once

#include <QList>
#include <QString>

// Collects what reaches Qt's message handler while it exists.
class MessageCapture
{
public:
    struct Message
    {
        QtMsgType type;
        QString category, text;
    };

    MessageCapture() : m_previous(qInstallMessageHandler(handler)) { active() = this; }
    ~MessageCapture() { qInstallMessageHandler(m_previous), active() = nullptr; }
    QList<Message> messages() const { return m_messages; }

private:
    static MessageCapture*& active()
    {
        static MessageCapture* capture = nullptr;
        return capture;
    }
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        active()->m_messages.append({type, context.category, text});
    }
    QtMessageHandler m_previous;
    QList<Message> m_messages;
};
