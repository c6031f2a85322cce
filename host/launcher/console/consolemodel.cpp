#include "launcher/console/consolemodel.h"

#include <QBrush>
#include <QColor>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>

namespace {

// A tool tip shows the whole entry only up to this size, then a cut-off part of it.
constexpr int kToolTipLimit = 4000;
constexpr int kToolTipLineLength = 120;

const QString kCut = QStringLiteral("…");

// Compact JSON, as QJsonDocument writes it, that stops once it has passed its limit: a call may
// carry a whole game list, and its row needs only the beginning of it.
class Preview
{
public:
    explicit Preview(int limit)
        : m_limit(limit)
    {
    }

    void write(const QJsonValue& value)
    {
        if (full())
            return;
        switch (value.type()) {
        case QJsonValue::Array:
            m_text.append(QLatin1Char('['));
            writeItems(value.toArray());
            m_text.append(QLatin1Char(']'));
            break;
        case QJsonValue::Object: {
            m_text.append(QLatin1Char('{'));
            const QJsonObject object = value.toObject();
            bool first = true;
            for (auto it = object.begin(); it != object.end() && !full(); ++it) {
                if (!first)
                    m_text.append(QLatin1Char(','));
                first = false;
                writeString(it.key());
                m_text.append(QLatin1Char(':'));
                write(it.value());
            }
            m_text.append(QLatin1Char('}'));
            break;
        }
        case QJsonValue::String:
            writeString(value.toString());
            break;
        case QJsonValue::Double: {
            const QVariant number = value.toVariant();
            m_text.append(number.userType() == QMetaType::LongLong
                              ? QString::number(number.toLongLong())
                              : QString::number(number.toDouble(), 'g', QLocale::FloatingPointShortest));
            break;
        }
        case QJsonValue::Bool:
            m_text.append(value.toBool() ? QLatin1String("true") : QLatin1String("false"));
            break;
        default:
            m_text.append(QLatin1String("null"));
            break;
        }
    }

    // The text so far: cut to the limit, and marked where it was cut.
    QString text(bool* cut = nullptr) const
    {
        const bool over = m_text.size() > m_limit;
        if (cut)
            *cut = over;
        return over ? m_text.left(m_limit) + kCut : m_text;
    }

    // Writes the items of an array without its brackets.
    void writeItems(const QJsonArray& array)
    {
        for (int i = 0; i < array.size() && !full(); ++i) {
            if (i > 0)
                m_text.append(QLatin1Char(','));
            write(array.at(i));
        }
    }

private:
    bool full() const { return m_text.size() > m_limit; }

    void writeString(const QString& text)
    {
        m_text.append(QLatin1Char('"'));
        for (const QChar c : text) {
            if (full())
                return;
            switch (c.unicode()) {
            case '"':
                m_text.append(QLatin1String("\\\""));
                break;
            case '\\':
                m_text.append(QLatin1String("\\\\"));
                break;
            case '\b':
                m_text.append(QLatin1String("\\b"));
                break;
            case '\f':
                m_text.append(QLatin1String("\\f"));
                break;
            case '\n':
                m_text.append(QLatin1String("\\n"));
                break;
            case '\r':
                m_text.append(QLatin1String("\\r"));
                break;
            case '\t':
                m_text.append(QLatin1String("\\t"));
                break;
            default:
                if (c.unicode() < 0x20)
                    m_text.append(QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0')));
                else
                    m_text.append(c);
            }
        }
        m_text.append(QLatin1Char('"'));
    }

    int m_limit;
    QString m_text;
};

QString toolTipOf(const QJsonObject& entry)
{
    Preview preview(kToolTipLimit);
    preview.write(entry);
    bool cut = false;
    const QString text = preview.text(&cut);
    if (!cut)
        return QString::fromUtf8(QJsonDocument(entry).toJson(QJsonDocument::Indented)).trimmed();
    // A tool tip does not wrap: one long line would run off the screen.
    QString wrapped;
    for (int i = 0; i < text.size(); i += kToolTipLineLength)
        wrapped += text.mid(i, kToolTipLineLength) + QLatin1Char('\n');
    return wrapped.trimmed();
}

} // namespace

ConsoleModel::ConsoleModel(const QStringList& headers, int capacity, QObject* parent)
    : QAbstractTableModel(parent)
    , m_headers(QStringList{tr("#")} + headers)
    , m_capacity(capacity)
{
}

int ConsoleModel::append(const QVector<QJsonObject>& entries)
{
    if (entries.isEmpty())
        return 0;
    // Rows that would be dropped in the same batch are never made.
    const int kept = qMin(entries.size(), m_capacity);
    const int dropped = qMax(0, static_cast<int>(m_rows.size()) + kept - m_capacity);
    if (dropped > 0) {
        beginRemoveRows(QModelIndex(), 0, dropped - 1);
        m_rows.erase(m_rows.begin(), m_rows.begin() + dropped);
        endRemoveRows();
    }
    const int first = static_cast<int>(m_rows.size());
    beginInsertRows(QModelIndex(), first, first + kept - 1);
    for (int i = entries.size() - kept; i < entries.size(); ++i) {
        const QJsonObject& entry = entries.at(i);
        m_rows.push_back(Stored{QString::number(entry.value(QLatin1String("seq")).toVariant().toLongLong()),
                                rowOf(entry), entry});
    }
    endInsertRows();
    return dropped;
}

int ConsoleModel::capacity() const
{
    return m_capacity;
}

int ConsoleModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ConsoleModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_headers.size();
}

QVariant ConsoleModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(m_rows.size()))
        return QVariant();
    const Stored& stored = m_rows[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return index.column() == SeqColumn ? stored.seq : stored.row.texts.value(index.column() - 1);
    case Qt::ToolTipRole:
        // Made when asked: only the row under the pointer ever needs one.
        return index.column() != SeqColumn ? toolTipOf(stored.entry) : QVariant();
    case Qt::ForegroundRole:
        return stored.row.warning ? QVariant(QBrush(QColor(0xf1, 0xc9, 0x6b))) : QVariant();
    case Qt::TextAlignmentRole:
        return index.column() == SeqColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    default:
        return QVariant();
    }
}

QVariant ConsoleModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    return m_headers.value(section);
}

QString ConsoleModel::compactJson(const QJsonValue& value, int limit, bool bare)
{
    Preview preview(limit);
    if (bare && value.isArray())
        preview.writeItems(value.toArray());
    else
        preview.write(value);
    return preview.text();
}
