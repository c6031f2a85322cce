#pragma once

#include <QElapsedTimer>
#include <QJsonObject>
#include <QTimer>
#include <QTreeView>
#include <QVector>

#include <functional>

class ConsoleModel;

// A list of the console that follows a log of numbered entries: it keeps the newest rows up to
// its model's capacity and follows the bottom unless the user has scrolled up. It catches up with
// the log in batches, at most every 200 ms (longer where the window is dear to put on the screen:
// WindowSyncCost), so a log that grows by a hundred thousand entries in a row costs it one batch
// of the newest rows, not a hundred thousand updates.
class ConsoleView : public QTreeView
{
    Q_OBJECT
public:
    struct Source
    {
        // The seq of the latest entry ever logged.
        std::function<qint64()> lastSeq;
        // The entries after a seq, oldest first.
        std::function<QVector<QJsonObject>(qint64 since)> entriesAfter;
    };

    ConsoleView(ConsoleModel* model, Source source, QWidget* parent = nullptr);

    // The log has grown: catch up soon. Cheap however often it is called.
    void scheduleCatchUp();
    // Catches up now.
    void catchUp();
    // The seq of the newest row shown.
    qint64 shownSeq() const;

signals:
    void caughtUp(qint64 shownSeq);

protected:
    bool event(QEvent* event) override;

private:
    ConsoleModel* m_model;
    Source m_source;
    qint64 m_shownSeq = 0;
    QTimer m_catchUp;
    QElapsedTimer m_sinceCatchUp;
};
