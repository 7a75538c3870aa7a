#pragma once

// Registry text files ("Windows Registry Editor Version 5.00"): a key tree
// of an open hive written out, and such a file read into a hive.
//
// Files are written in UTF-8 with CR LF line ends. Key lines hold `prefix`
// (the hive's name, such as HKEY_LOCAL_MACHINE\SOFTWARE) and the key's path;
// values are written as dword:, as quoted text when the REG_SZ data is plain
// text that reads back to the same bytes, else as hex bytes (hex: for
// REG_BINARY, hex(type): for the others), wrapped at 25 bytes a line.
//
// Reading takes UTF-8 (8-bit) files and UTF-16LE files (first bytes FF FE).
// Besides keys and values it understands "[-KEY]" (delete the key and
// everything below it), "NAME"=- (delete the value) and ';' comment lines.

#include <cstdio>
#include <string>

#include "hivemend/export.h"
#include "hivemend/hive.h"
#include "hivemend/lookup.h"

// Writes the key at `path` below `start` (0 = root; `path` "" or "\" = that
// key) with its values and subkeys to `filename`. The number of keys
// written; -1 when the key does not exist (no file is made) or the file
// cannot be written (a partial file is removed), with the reason in `*error`
// when given.
HIVEMEND_API int export_key(Hive* hdesc, int start, const char* path, const char* filename, const char* prefix,
                            std::string* error = nullptr);
// Writes one key and, below it, its subkeys to `file`; the number of keys
// written, -1 when the key does not exist.
HIVEMEND_API int export_subkey(Hive* hdesc, int start, const char* path, const char* prefix, FILE* file);

// Reads the file into the hive, creating keys and values and replacing data
// of the same type; prints a summary. 0 when the whole file was imported;
// -1 when it could not be read or an error ended the import (file, line and
// reason of the first error in `*error` when given); the hive is then marked
// clean so that its partly imported image is not saved: discard it.
HIVEMEND_API int import_reg(Hive* hdesc, const char* filename, const char* prefix, std::string* error = nullptr);

// The type of a value text (the part after "=") and its data in a new
// buffer `*out` (freed with free): dword:, hex:, hex(N):, or quoted text
// (REG_SZ, stored as UTF-16LE with a zero terminator). -1 when the text
// cannot be read.
HIVEMEND_API int parse_valuestring(const char* text, ValueBuffer** out);

// Reads the next line that is not empty into `line` (`size` bytes), white
// space in front skipped and the line end cut, and splits it: a key line
// ('[' first) gives its path in `*name` and null in `*value`; a value line
// its name (as written, quotes included) and the text after the first '='
// outside quotes; any other line null and the whole line. UTF-16LE files
// (`widemode`) are read as UTF-8. The length of the line; 0 at the end of the
// file; -1 when the line does not fit (it is skipped).
HIVEMEND_API int get_line(char* line, int size, FILE* file, char** name, char** value, int widemode);
// Reads one line into `line` (`size` bytes), CR dropped and LF kept; its
// length, 0 at the end of the file, -1 when it does not fit (it is skipped).
HIVEMEND_API int my_fgets(char* line, int size, FILE* file, int widemode);
// `s` without its enclosing double quotes (the leading one skipped, the
// trailing one cut).
HIVEMEND_API char* dequote(char* s);
