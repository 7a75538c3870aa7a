#pragma once

// The hive engine of libHivemend: load, look up, read, change, save.

#include "hivemend/dump.h"
#include "hivemend/format.h"
#include "hivemend/hive.h"
#include "hivemend/lookup.h"
#include "hivemend/modify.h"
#include "hivemend/text.h"
