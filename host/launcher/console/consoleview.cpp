#include "launcher/console/consoleview.h"

#include "launcher/console/consolemodel.h"
#include "launcher/console/windowsynccost.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHeaderView>
#include <QScrollBar>

#include <algorithm>

namespace {
// Often enough to look live, seldom enough that a flood of entries costs the view next to nothing,
// and that a page's traffic is not paced by the console's repaints. An entry after a quiet spell
// shows at once; only a steady flow waits its turn.
constexpr int kCatchUpIntervalMs = 200;
// Where putting the window on the screen is dear, a steady flow waits longer: the catch-ups' syncs
// stay within a fiftieth of the GUI thread, which carries the page's messages too. A round trip
// that meets a sync waits for it.
constexpr double kSyncsPerInterval = 50;
} // namespace

ConsoleView::ConsoleView(ConsoleModel* model, Source source, QWidget* parent)
    : QTreeView(parent)
    , m_model(model)
    , m_source(std::move(source))
{
    setModel(m_model);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setTextElideMode(Qt::ElideRight);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAlternatingRowColors(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    setFont(fixed);
    // Fixed widths for all but the last column: a column sized to its contents measures every
    // row again whenever one is added.
    header()->setStretchLastSection(true);
    header()->setSectionResizeMode(QHeaderView::Interactive);
    header()->resizeSection(ConsoleModel::SeqColumn, QFontMetrics(fixed).horizontalAdvance(QStringLiteral("00000000")));

    m_catchUp.setSingleShot(true);
    connect(&m_catchUp, &QTimer::timeout, this, &ConsoleView::catchUp);
}

void ConsoleView::scheduleCatchUp()
{
    if (m_catchUp.isActive())
        return;
    const qint64 interval =
        std::max<qint64>(kCatchUpIntervalMs, qint64(kSyncsPerInterval * WindowSyncCost::of(window())->ms()));
    // std::clamp rather than qBound<qint64>: Qt 6 added mixed-type qBound overloads, which make
    // that call with int bounds ambiguous.
    m_catchUp.start(static_cast<int>(std::clamp<qint64>(interval - m_sinceCatchUp.elapsed(), 0, interval)));
}

void ConsoleView::catchUp()
{
    m_sinceCatchUp.start();
    // Of a flood, only the newest rows would stay: the rest is not even fetched.
    const qint64 since = qMax(m_shownSeq, m_source.lastSeq() - m_model->capacity());
    const QVector<QJsonObject> entries = m_source.entriesAfter(since);
    if (entries.isEmpty())
        return;
    QScrollBar* scroll = verticalScrollBar();
    const bool following = scroll->value() == scroll->maximum();
    const int dropped = m_model->append(entries);
    m_shownSeq = entries.constLast().value(QLatin1String("seq")).toVariant().toLongLong();
    // One scroll per batch, not one per row.
    if (following)
        scrollToBottom();
    else if (dropped > 0)
        // Whoever scrolled up keeps looking at the same entries while the oldest go.
        scroll->setValue(scroll->value() - dropped);
    emit caughtUp(m_shownSeq);
}

bool ConsoleView::event(QEvent* event)
{
    const bool handled = QTreeView::event(event);
    // A style sheet's style leaves the rows' background see-through, so a new row would repaint
    // the console beneath them as well. The view fills it in the palette's colour, as it would
    // without a style sheet.
    if (event->type() == QEvent::Polish || event->type() == QEvent::StyleChange)
        viewport()->setAutoFillBackground(true);
    return handled;
}

qint64 ConsoleView::shownSeq() const
{
    return m_shownSeq;
}
