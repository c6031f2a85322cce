#pragma once

#include <QPointer>
#include <QString>

class MyWebEngineViewVK;
class QWebEnginePage;
class WebBridge;
class Waitloading;

// One registered page. The view and the spinner belong to the host's container widget, which the
// host may close at any time, so they are held through guarded pointers. The page outlives its
// view (the manager owns it), and its address decides whose commands are answered.
struct PageEntry
{
    QPointer<MyWebEngineViewVK> view;
    WebBridge* bridge = nullptr;
    QPointer<Waitloading> spinner;
    QString url;
    QPointer<QWebEnginePage> page;
};
