// The repair engine's facade: its life, the repair interface over the
// sections, hive backups and the single value operations; rules are judged
// and fixed by the functions of RuleScan.cpp.

#include "hivemend/CRegFix.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>

#include "KeyHandle.h"
#include "RuleCheck.h"
#include "RuleLoad.h"
#include "RuleScan.h"
#include "ValueData.h"
#include "WowModeGuard.h"
#include "engine/diag.h"
#include "hivemend/CAppRegstry.h"

using namespace hivemend;

namespace {

// A SOFTWARE key together with its Wow6432Node mirror, for the rules; the
// key alone for the single value operations.
constexpr int kBothViews = 1;
constexpr int kNativeView = 2;
constexpr int kSetValue = 1;
constexpr int kFindValue = 7;
constexpr int kRegSz = 1;

std::unique_ptr<CAppRegstry> new_registry() {
    auto registry = std::make_unique<CAppRegstry>();
    registry->SetWow6432(kBothViews);
    return registry;
}

}  // namespace

CRegFix::CRegFix() : registry(new_registry()) {}

CRegFix::~CRegFix() = default;

void CRegFix::SetHiveFileDriver(const char* path) {
    std::unique_ptr<CAppRegstry> fresh = new_registry();
    fresh->SetHiveFileDriver(path);
    registry = std::move(fresh);
    root = path;
}

unsigned CRegFix::getCount() { return static_cast<unsigned>(sections.size()); }

int CRegFix::getItemInfo(unsigned index, char* buf, unsigned size) {
    const _SECTION& section = sections.at(index);
    if (buf && size) {
        const size_t n = strnlen(section.name, size - 1);
        memcpy(buf, section.name, n);
        buf[n] = '\0';
    }
    return 0;
}

int CRegFix::getItemState(unsigned index) {
    const _SECTION& section = sections.at(index);
    int found = 0;
    for (const int r : section.rules) found += ScanItem(static_cast<unsigned>(r));
    diag_printf("there are %d items needed to fix in section %d\n", found, static_cast<int>(index));
    SetItemError(index);
    // A section that could not be judged is never reported clean.
    return found != 0 || !itemErrors[index].empty();
}

int CRegFix::Repair(unsigned index) {
    const _SECTION& section = sections.at(index);
    bool ok = true;
    for (const int r : section.rules)
        if (!Fixitem(static_cast<unsigned>(r))) ok = false;
    SetItemError(index);
    return ok;
}

const char* CRegFix::GetItemError(unsigned index) {
    static_cast<void>(sections.at(index));  // an index outside throws, as getItemInfo does
    itemErrors.resize(sections.size());
    return itemErrors[index].c_str();
}

void CRegFix::SetItemError(unsigned index) {
    itemErrors.resize(sections.size());
    ruleFailures.resize(rules.size());
    std::string& error = itemErrors[index];
    error.clear();
    int more = 0;
    for (const int r : sections[index].rules) {
        const std::string& failure = ruleFailures[static_cast<size_t>(r)];
        if (failure.empty() || failure == error) continue;
        if (error.empty())
            error = failure;
        else
            ++more;
    }
    if (more) error += " (and " + std::to_string(more) + " more)";
}

std::string CRegFix::WriteProblem() {
    for (const _RULE_& rule : rules)
        if (rule.needFix && !root.empty())
            if (std::string why = registry->WriteProblem(rule.key); !why.empty()) return why;
    return {};
}

const char* CRegFix::LastFailure() const { return lastFailure.c_str(); }

int CRegFix::Restore(unsigned) { return 1; }

int CRegFix::BakHiveFile() {
    if (root.empty()) return 0;
    const int made = registry->BakHiveFile();
    lastFailure = registry->LastFailure();
    return made;
}

int CRegFix::RestoreHiveFile() {
    if (root.empty()) return 0;
    const int restored = registry->RestoreHiveFile();
    lastFailure = registry->LastFailure();
    // The open hives still hold the images from before the restore; drop
    // them, or the next save would write them over the restored files.
    return ReopenHives() && restored;
}

bool CRegFix::IsValueExist(const char* keyPath, const char* valueName) {
    if (!keyPath || !valueName) return false;
    WowModeGuard mode(*registry, kNativeView);
    try {
        KeyHandle key(*registry, OpenKey(keyPath, 0));
        return key && registry->FixKey(key.get(), valueName, kFindValue, 0, nullptr, 0) != 0;
    } catch (const std::exception& e) {
        diag_eprintf("%s\n", e.what());
        return false;
    }
}

bool CRegFix::WriteValueStr(const char* keyPath, const char* valueName, const char* text) {
    if (!keyPath || !valueName || !text) return false;
    // Text that would not be stored whole is refused rather than cut.
    try {
        CheckValueText("REG_SZ", text, keyPath);
    } catch (const std::exception& e) {
        diag_eprintf("%s\n", e.what());
        return false;
    }
    char data[kValueDataSize] = {};
    const int length = convert_data("REG_SZ", text, data, sizeof data);
    try {
        bool written = false;
        {
            WowModeGuard mode(*registry, kNativeView);
            KeyHandle key(*registry, OpenKey(keyPath, 1));
            written = key && registry->FixKey(key.get(), valueName, kSetValue, kRegSz, data, length) != 0;
        }
        std::string unsaved;
        const bool saved = SaveChanges(&unsaved);
        return written && saved;
    } catch (const std::exception& e) {
        diag_eprintf("%s\n", e.what());
        return false;
    }
}

void CRegFix::LoadRuleDB(const char* path) { ParseRule2(path); }

void CRegFix::ParseRule2(const char* path) { load_rules(path, &rules, &sections); }

int CRegFix::SaveRuleDB(const char* path) {
    FILE* f = path ? fopen(path, "wb") : nullptr;
    if (!f) return -1;
    for (const _RULE_& rule : rules) {
        const size_t n = strlen(rule.key);
        if (fwrite(rule.key, 1, n, f) != n) break;
    }
    return fclose(f);
}

void CRegFix::FreeRuleData(unsigned rule) {
    if (rule >= rules.size()) return;
    rules[rule].values.clear();
}

void CRegFix::Close() { rules.clear(); }

int CRegFix::ConvertData(const char* type, const char* text, char* out, int outSize) {
    return convert_data(type, text, out, outSize);
}

unsigned CRegFix::ParseLine(char* line, _VNAME_DATA_* out, unsigned size, unsigned* needed) {
    return parse_line(line, out, size, needed);
}

int CRegFix::ScanItem(unsigned r) {
    if (r >= rules.size()) return 0;
    ruleFailures.resize(rules.size());
    return scan_rule(root.empty() ? nullptr : registry.get(), rules[r], &ruleFailures[r]);
}

int CRegFix::Fixitem(unsigned r) {
    if (r >= rules.size()) return 0;
    ruleFailures.resize(rules.size());
    _RULE_& rule = rules[r];
    // A rule whose scan could not judge every hive is no success, whatever
    // could be fixed of it.
    const bool judged = ruleFailures[r].empty();
    if (!rule.needFix) return judged;
    std::string why;
    const int fixed = root.empty() ? -1 : fix_rule(*registry, rule, static_cast<int>(r), &why);
    if (fixed < 0) {
        diag_puts("[ScanReg] openkey failed");
        return 0;
    }
    // Whatever was changed in memory is saved, also after a failure, so that
    // the files never lag behind and no later save brings a change by surprise.
    std::string unsaved;
    const bool saved = SaveChanges(&unsaved);
    if (!saved && why.empty()) why = unsaved;
    if (judged) ruleFailures[r] = why;
    if (fixed && saved && rule.state == STATE_REBUILD_KEY) rule.rebuilt = 1;
    return fixed && saved && judged;
}

unsigned CRegFix::ScanReg() {
    for (unsigned r = 0; r < rules.size(); ++r) ScanItem(r);
    return static_cast<unsigned>(rules.size());
}

_APP_REG_HANDLE* CRegFix::OpenKey(const char* path, int create) {
    return root.empty() ? nullptr : registry->OpenKey(path, create);
}

bool CRegFix::SaveChanges(std::string* why) {
    if (registry->ApplyChange()) return true;
    *why = registry->LastFailure();
    // What could not be saved is dropped with the open hives, so that scans
    // see what the files hold and not a repair that never reached them.
    ReopenHives();
    return false;
}

bool CRegFix::ReopenHives() {
    std::unique_ptr<CAppRegstry> fresh = new_registry();
    bool ok = true;
    try {
        fresh->SetHiveFileDriver(root.c_str());
    } catch (const std::exception& e) {
        diag_eprintf("%s\n", e.what());
        ok = false;
    }
    registry = std::move(fresh);
    return ok;
}

std::vector<std::pair<std::string, HiveRecovery>> CRegFix::HiveLogStates() { return registry->HiveLogStates(); }
