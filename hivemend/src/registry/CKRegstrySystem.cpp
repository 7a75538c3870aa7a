#include "hivemend/CKRegstrySystem.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "hivemend/lookup.h"
#include "hivemend/regstring.h"

namespace {

constexpr const char kCurrent[] = "CurrentControlSet";

}  // namespace

CKRegstrySystem::CKRegstrySystem() = default;

CKRegstrySystem::~CKRegstrySystem() = default;

bool CKRegstrySystem::OpenFileHive(const char* path) {
    CloseHive();
    found = false;
    controlSet[0] = 0;
    // The path is kept as CKRegstry keeps it, so that messages and saves name the file.
    if (!path || strcpy_s(fileName, sizeof fileName, path) != 0 || !LoadFile(path)) return false;
    char name[32];
    for (const char* select : {"Select\\Current", "Select\\Default"}) {
        if (get_val_type(hive, 0, select, LOOKUP_EXACT) != REG_DWORD || get_val_len(hive, 0, select, LOOKUP_EXACT) != 4)
            continue;
        const unsigned n = get_dword(hive, 0, select, LOOKUP_EXACT);
        snprintf(name, sizeof name, "ControlSet%03u", n);
        if (n >= 1 && n <= 999 && GetOffset(name, 0)) {
            strcpy_s(controlSet, sizeof controlSet, name);
            found = true;
            return true;
        }
    }
    int n = 1;
    for (; n < 100; ++n) {
        snprintf(name, sizeof name, "ControlSet%03d", n);
        if (!GetOffset(name, 0)) break;
    }
    if (n >= 100) return true;
    snprintf(controlSet, sizeof controlSet, "ControlSet%03d", n - 1);
    found = true;
    return true;
}

int CKRegstrySystem::ConverKeypath(const char* src, char* dst) {
    if (!src || !dst) return -1;
    const size_t first = strcspn(src, "\\");
    if (found && first == sizeof kCurrent - 1 && strncmp(src, kCurrent, first) == 0) {
        dst[0] = 0;
        if (strcpy_s(dst, 324, controlSet) == 0 && strcat_s(dst, 324, src + first) == 0) return 0;
        dst[0] = 0;
        return -1;
    }
    return CKRegstry::ConverKeypath(src, dst);
}

unsigned CKRegstrySystem::OpenKey(const char* path, int key) {
    if (key) return GetOffset(path, key);
    char translated[324];
    if (ConverKeypath(path, translated) != 0) return 0;
    return GetOffset(translated, 0);
}

bool CKRegstrySystem::IsNeedKey(const char* name) {
    if (!name || strncmp(name, "ControlSet", 10) != 0 || strlen(name) != 13) return false;
    return isdigit(static_cast<unsigned char>(name[10])) && isdigit(static_cast<unsigned char>(name[11])) &&
           isdigit(static_cast<unsigned char>(name[12]));
}

const char* CKRegstrySystem::ControlSet() const { return controlSet; }
