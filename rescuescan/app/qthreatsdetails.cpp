#include "app/qthreatsdetails.h"

QThreatsDetails::QThreatsDetails(QWidget *parent)
    : DialogView(parent)
{
}
