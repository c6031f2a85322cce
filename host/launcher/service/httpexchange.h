#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QMap>
#include <QString>

#include <functional>

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
    // With its charset, like the pages' files. Named so, JSON also goes out uncompressed: the
    // server compresses only a bare "application/json", and on a loopback connection compression
    // only costs (brotli took 16 s of a core over a list of 100,000 games).
    QByteArray contentType = "application/json; charset=utf-8";
    QByteArray body;
    // When set, makes the body in place of `body`, on the transport's own thread once the handler
    // has answered: for large answers (a whole game list, a whole call log) whose serialization
    // would hold the GUI thread up. It must only read what it captured.
    std::function<QByteArray()> makeBody;

    // The body, made now if it is made late.
    QByteArray content() const;

    // The value as compact JSON; a bare string or number is allowed too.
    static HttpResponse json(int status, const QJsonValue& value);
    // A JSON answer whose body makeBody makes later, off the GUI thread.
    static HttpResponse jsonLater(int status, std::function<QByteArray()> makeBody);
    // {"error": message}
    static HttpResponse error(int status, const QString& message);
    static HttpResponse file(const QByteArray& contentType, const QByteArray& body);
};
