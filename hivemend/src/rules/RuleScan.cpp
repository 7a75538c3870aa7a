// Judging rules against the registry and fixing what they found.

#include <cstdint>
#include <cstdio>

#include "KeyHandle.h"
#include "hivemend/CAppRegstry.h"
#include "hivemend/CRegFix.h"

using namespace hivemend;

namespace {

constexpr int kSetValue = 1;
constexpr int kDeleteKey = 3;

// Creates the key of `path` in every hive the handle covers and points the
// handle at it; true when the key now exists in all of them.
bool create_key(CAppRegstry& registry, KeyHandle& key, const char* path) {
    const uintptr_t created = registry.AddSubKey(key.get(), path, nullptr);
    if (!created) return false;
    key->key = created;
    return !registry.CheckAddKey(key.get());
}

// Deletes the key in every hive the handle covers; true when it is gone
// from all of them.
bool delete_key(CAppRegstry& registry, KeyHandle& key) {
    const int deleted = registry.FixKey(key.get(), nullptr, kDeleteKey, 0, nullptr, 0);
    return deleted && !registry.CheckDelKey(key.get());
}

}  // namespace

int CRegFix::ScanItem(unsigned r) {
    if (r >= rules.size()) return 0;
    _RULE_& rule = rules[r];
    if (rule.rebuilt) {
        rule.needFix = 0;
        return 0;
    }
    KeyHandle key(*registry, OpenKey(rule.key, 0));
    if (!key) {
        printf("[ScanReg] openkey failed  %s\n", rule.key);
        rule.needFix = 0;
        return 0;
    }
    int found = 0;
    switch (rule.kind) {
    case RULE_DELETE_KEY:
        // Only the key's absence is asked for: values listed with it are
        // not looked at, present or not.
        rule.state = registry->CheckDelKey(key.get()) ? STATE_DELETE_KEY : STATE_VALUES;
        rule.needFix = rule.state == STATE_DELETE_KEY;
        return rule.needFix;
    case RULE_REBUILD:
        rule.state = STATE_REBUILD_KEY;
        found = 1;
        break;
    default:
        rule.state = registry->CheckAddKey(key.get()) ? STATE_ADD_KEY : STATE_VALUES;
        found = rule.state == STATE_ADD_KEY;
        break;
    }
    const bool whole_key = rule.state == STATE_ADD_KEY || rule.state == STATE_REBUILD_KEY;
    for (VNameDataPtr& v : rule.values) {
        v->needFix = whole_key || !registry->CheckValue(key.get(), v->name, v->type, v->data(), v->length);
        if (v->needFix) found = 1;
    }
    rule.needFix = static_cast<unsigned char>(found);
    return found;
}

int CRegFix::Fixitem(unsigned r) {
    if (r >= rules.size()) return 0;
    _RULE_& rule = rules[r];
    if (!rule.needFix) return 1;
    const int fixed = FixRule(r);
    if (fixed < 0) {
        puts("[ScanReg] openkey failed");
        return 0;
    }
    // Whatever was changed in memory is saved, also after a failure, so that
    // the files never lag behind and no later save brings a change by surprise.
    const bool saved = SaveChanges();
    if (fixed && saved && rule.state == STATE_REBUILD_KEY) rule.rebuilt = 1;
    return fixed && saved;
}

int CRegFix::FixRule(unsigned r) {
    _RULE_& rule = rules[r];
    KeyHandle key(*registry, OpenKey(rule.key, 0));
    if (!key) return -1;
    bool ok = true;
    switch (rule.state) {
    case STATE_DELETE_KEY:
        ok = delete_key(*registry, key);
        if (ok) rule.state = STATE_VALUES;
        return ok;
    case STATE_ADD_KEY:
        ok = create_key(*registry, key, rule.key);
        if (ok) rule.state = STATE_VALUES;
        break;
    case STATE_REBUILD_KEY:
        printf("rebuild:%d %s\n", static_cast<int>(r), rule.key);
        // A key that is not there yet is simply created.
        registry->FixKey(key.get(), nullptr, kDeleteKey, 0, nullptr, 0);
        ok = !registry->CheckDelKey(key.get());
        if (ok) {
            key.reset(OpenKey(rule.key, 0));
            ok = key && create_key(*registry, key, rule.key);
        }
        break;
    case STATE_VALUES:
        break;
    default:
        ok = false;
        break;
    }
    if (!ok) return 0;
    for (VNameDataPtr& v : rule.values) {
        if (!v->needFix) continue;
        const bool written = registry->FixKey(key.get(), v->name, kSetValue, v->type, v->data(), v->length) &&
                             registry->CheckValue(key.get(), v->name, v->type, v->data(), v->length);
        if (!written) ok = false;
    }
    return ok;
}

unsigned CRegFix::ScanReg() {
    for (unsigned r = 0; r < rules.size(); ++r) ScanItem(r);
    return static_cast<unsigned>(rules.size());
}
