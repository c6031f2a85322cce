#pragma once

#include <QAbstractTableModel>
#include <QJsonObject>
#include <QVector>

#include <deque>

// The calls the console shows, one row each: "#" (the seq) and the call written as
// IFace.op(arg, ...). Keeps the newest rows up to its capacity. Rows come in batches, and a batch
// costs what it adds, whatever the number of rows already there or ever added: one insertion and
// at most one removal, and a call's text cut to one line, however large its arguments.
class HostCallModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { SeqColumn, CallColumn };

    explicit HostCallModel(int capacity, QObject* parent = nullptr);

    // Adds entries of the host call log ({"seq", "iface", "op", "args"}, oldest first) after the
    // rows there are; drops the oldest rows beyond the capacity. Returns how many rows went from
    // the top.
    int append(const QVector<QJsonObject>& entries);

    int capacity() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    // Display: the seq and the call. Tool tip: the whole entry, indented; an entry too large for a
    // tool tip is cut off.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The entry written as a call; its arguments as compact JSON, cut off with "…" past limit
    // characters.
    static QString callText(const QJsonObject& entry, int limit);

private:
    struct Row
    {
        QString seq;
        QString call;
        QJsonObject entry;
    };

    int m_capacity;
    std::deque<Row> m_rows;
};
