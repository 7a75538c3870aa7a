#pragma once

#include "app/dialogview.h"

// The view of the custom scan's folder selector: its page's Scan accepts
// the dialog, its close button and Cancel reject it.
class CustomSelectorView : public DialogView {
    Q_OBJECT

public:
    explicit CustomSelectorView(QWidget* parent);

    // Called once the page is loaded.
    virtual void bindRootObject();

public slots:
    void onClose();
    void onAccept();
};
