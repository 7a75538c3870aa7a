#pragma once

#include "app/dialogview.h"

// The view of the threat details window: the threats found so far, each
// with its Trust link, while the scan goes on. Dragged by its header only.
class QThreatsDetails : public DialogView
{
    Q_OBJECT

public:
    explicit QThreatsDetails(QWidget *parent);
};
