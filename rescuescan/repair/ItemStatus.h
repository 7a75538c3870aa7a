#pragma once

#include <QMetaType>

// The state of one repair item (one section of the rule database), shared by
// the repair controller, its worker and the pages, which see the numbers.
enum ItemStatus {
    NoProblem = 0,
    // Only these items are repaired.
    FoundProblem = 1,
    Repairing = 2,
    Fixed = 3,
};

Q_DECLARE_METATYPE(ItemStatus)
