#include "webbridge.h"

WebBridge::WebBridge(QObject* parent)
    : QObject(parent)
{
}

QJsonObject WebBridge::content() const
{
    return m_content;
}

void WebBridge::setContent(const QJsonObject& content)
{
    emit contentChanged(content);
}

void WebBridge::dataChanged(QString data)
{
    emit htmlData(data);
}
