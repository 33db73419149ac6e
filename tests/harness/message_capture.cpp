#include "message_capture.h"

namespace {
MessageCapture* g_active = nullptr;
}

MessageCapture::MessageCapture() : m_outer(g_active)
{
    g_active = this;
    m_previous = qInstallMessageHandler(&MessageCapture::handler);
}

MessageCapture::~MessageCapture()
{
    qInstallMessageHandler(m_previous);
    g_active = m_outer;
}

QList<MessageCapture::Message> MessageCapture::fromCategory(const QString& category) const
{
    QList<Message> found;
    for (const Message& message : m_messages) {
        if (message.category == category)
            found.append(message);
    }
    return found;
}

void MessageCapture::handler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (!g_active)
        return;
    g_active->m_messages.append(
        {type, QString::fromLatin1(context.category ? context.category : ""), text});
}
