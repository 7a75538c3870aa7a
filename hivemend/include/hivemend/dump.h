#pragma once

// Diagnostic dumps of cells and records, and the listing of one key.

#include "hivemend/export.h"
#include "hivemend/hive.h"

// Length of the cell at `vofs`, counted into the statistics; dumped when
// `verbose` is positive. 0 for a cell that cannot be walked.
HIVEMEND_API int parse_block(Hive* hdesc, int vofs, int verbose);
HIVEMEND_API void parse_nk(Hive* hdesc, int vofs);
HIVEMEND_API void parse_vk(Hive* hdesc, int vofs);
HIVEMEND_API void parse_sk(Hive* hdesc, int vofs);
HIVEMEND_API void parse_lf(Hive* hdesc, int vofs);
HIVEMEND_API void parse_lh(Hive* hdesc, int vofs);
HIVEMEND_API void parse_li(Hive* hdesc, int vofs);
HIVEMEND_API void parse_ri(Hive* hdesc, int vofs);
HIVEMEND_API void parse_db(Hive* hdesc, int vofs);
// Prints the subkeys and values of the key at `path` below `start`.
HIVEMEND_API void nk_ls(Hive* hdesc, const char* path, int start);
