#pragma once

#include "kvlhostglobal.h"

#include <QWebEngineView>

// The host UI library's web view.
class KVLHOST_UI_EXPORT MyWebEngineView : public QWebEngineView
{
    Q_OBJECT
public:
    explicit MyWebEngineView(QWidget* parent = nullptr);
    ~MyWebEngineView() override;

    bool eventFilter(QObject* watched, QEvent* event) override;

protected:
    bool event(QEvent* event) override;
};
