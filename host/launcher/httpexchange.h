#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QMap>
#include <QString>

// One HTTP request as the launcher's handlers see it, free of any transport.
struct HttpRequest
{
    QByteArray method;
    // Decoded path, without the query.
    QString path;
    // Decoded query items; a repeated key keeps its first value.
    QMap<QString, QString> query;
    QByteArray body;
    QByteArray contentType;
    // Empty when the client sent none (scripts and curl send none; browsers do).
    QByteArray origin;
    QByteArray host;
};

struct HttpResponse
{
    int status = 200;
    QByteArray contentType = "application/json";
    QByteArray body;

    // The value as compact JSON; a bare string or number is allowed too.
    static HttpResponse json(int status, const QJsonValue& value);
    // {"error": message}
    static HttpResponse error(int status, const QString& message);
    static HttpResponse file(const QByteArray& contentType, const QByteArray& body);
};
