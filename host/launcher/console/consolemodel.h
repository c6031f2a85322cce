#pragma once

#include <QAbstractTableModel>
#include <QJsonObject>
#include <QStringList>
#include <QVector>

#include <deque>

// The rows of a console list, one per log entry, its first column the entry's seq. Keeps the
// newest rows up to its capacity. Rows come in batches, and a batch costs what it adds, whatever
// the number of rows already there or ever added: one insertion and at most one removal. What a
// row shows is made once, when it comes; its tool tip only when asked.
class ConsoleModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum { SeqColumn = 0 };

    // The headers after "#".
    ConsoleModel(const QStringList& headers, int capacity, QObject* parent = nullptr);

    // Adds entries ({"seq", ...}, oldest first) after the rows there are; drops the oldest rows
    // beyond the capacity. Returns how many rows went from the top.
    int append(const QVector<QJsonObject>& entries);

    int capacity() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    // Display: the seq and the texts of the row. Tool tip: the whole entry, indented; an entry too
    // large for a tool tip is cut off. A row with a warning is drawn in the warning colour.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The value as compact JSON, as QJsonDocument writes it, cut off with "…" past limit
    // characters; an array without its brackets when bare.
    static QString compactJson(const QJsonValue& value, int limit, bool bare = false);

protected:
    struct Row
    {
        // After the seq, one per header.
        QStringList texts;
        bool warning = false;
    };
    virtual Row rowOf(const QJsonObject& entry) const = 0;

private:
    struct Stored
    {
        QString seq;
        Row row;
        QJsonObject entry;
    };

    QStringList m_headers;
    int m_capacity;
    std::deque<Stored> m_rows;
};
