#pragma once

#include "mywebengineview.h"

// The plug-in's web view. It hides without telling the page: the view is hidden while a load
// runs, and the page must keep the visibility state it had.
class MyWebEngineViewVK : public MyWebEngineView
{
    Q_OBJECT
public:
    explicit MyWebEngineViewVK(QWidget* parent = nullptr);
    ~MyWebEngineViewVK() override;

protected:
    void hideEvent(QHideEvent* event) override;
};
