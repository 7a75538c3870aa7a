#pragma once

// Every change to an open hive's image: cells, pages, value data, values and
// keys. Changes happen in memory and set HIVE_DIRTY; writeHive saves them.
// `key` is the record offset of a key (0 = the root where stated), `hint` any
// offset inside the page to try first (0 = none).
//
// New key and value names are given in UTF-8 and stored as Windows stores
// them: in 8-bit (Latin-1) characters when every character fits, otherwise in
// UTF-16LE. Bytes that are not UTF-8 are stored unchanged as 8-bit characters.

#include "hivemend/export.h"
#include "hivemend/format.h"
#include "hivemend/hive.h"
#include "hivemend/lookup.h"

// A damaged hive is never changed. Before the first change to a hive, its
// whole structure is walked (pages and cells, keys, values, data, indexes,
// security records and their counts; the base block checksum, which every
// save writes anew, excepted); every change to a hive in which the walk
// found damage fails and leaves it as it is. 1 when the hive may be changed.
HIVEMEND_API int hive_may_change(Hive* hdesc);
// The first damage that keeps the hive from being changed, as "offset 0x...:
// what" with the number of damaged places; "" when none was found (or the
// hive was not checked yet).
HIVEMEND_API const char* hive_damage(Hive* hdesc);

HIVEMEND_API int find_page_start(Hive* hdesc, int ofs);
HIVEMEND_API int find_free_blk(Hive* hdesc, int pofs, int size);
HIVEMEND_API int find_free(Hive* hdesc, int size);
HIVEMEND_API int alloc_block(Hive* hdesc, int ofs, int size);
HIVEMEND_API int free_block(Hive* hdesc, int blk);
HIVEMEND_API int add_bin(Hive* hdesc, int size);
HIVEMEND_API int fill_block(Hive* hdesc, int ofs, const void* data, int size);

HIVEMEND_API int free_val_data(Hive* hdesc, int vofs);
HIVEMEND_API void* alloc_val_data(Hive* hdesc, int vofs, const char* path, int size, int flags);
HIVEMEND_API int put_buf2val(Hive* hdesc, ValueBuffer* kv, int vofs, const char* path, int type, int flags);
HIVEMEND_API int put_dword(Hive* hdesc, int vofs, const char* path, int flags, unsigned int dword);

HIVEMEND_API vk_key* add_value(Hive* hdesc, int nkofs, const char* name, int type);
HIVEMEND_API void del_vk(Hive* hdesc, int vkofs);
HIVEMEND_API void del_allvalues(Hive* hdesc, int nkofs);
HIVEMEND_API int del_value(Hive* hdesc, int nkofs, const char* name);

HIVEMEND_API nk_key* add_key(Hive* hdesc, int nkofs, const char* name);
HIVEMEND_API int add_subkey(Hive* hdesc, int nkofs, const char* name, int* err);
HIVEMEND_API int del_key(Hive* hdesc, int nkofs, const char* name);
HIVEMEND_API int rdel_keys(Hive* hdesc, const char* path, int vofs, int cell);
