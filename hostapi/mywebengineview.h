#pragma once

#include <QWebEngineView>

// The host UI library's web view.
class MyWebEngineView : public QWebEngineView
{
    Q_OBJECT
public:
    explicit MyWebEngineView(QWidget* parent = nullptr);
    ~MyWebEngineView() override;

    bool eventFilter(QObject* watched, QEvent* event) override;

protected:
    bool event(QEvent* event) override;
};
