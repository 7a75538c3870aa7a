// Judging a rule against the registry and fixing what it found.

#include "RuleScan.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

#include "KeyHandle.h"
#include "engine/diag.h"
#include "hivemend/CAppRegstry.h"

namespace hivemend {

namespace {

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

// A rule whose values may all be absent asks nothing of its key: a key that
// is not there holds none of them.
bool key_required(const _RULE_& rule) {
    if (rule.values.empty()) return true;
    for (const VNameDataPtr& v : rule.values)
        if (v->absent == ABSENT_PROBLEM) return true;
    return false;
}

// Whether a value of a rule whose key is there stands as the rule wants it.
bool value_wrong(CAppRegstry& registry, const KeyHandle& key, const _VNAME_DATA_& v) {
    // The default value "" is never compared: it is written when its key is made.
    if (!v.name[0]) return false;
    const int stands = registry.CompareValue(key.get(), v.name, v.type, v.data(), v.length, v.ignoreCase != 0);
    switch (v.absent) {
    case ABSENT_ALLOWED: return stands & CAppRegstry::VALUE_DIFFERENT;
    case ABSENT_REQUIRED: return stands & (CAppRegstry::VALUE_SAME | CAppRegstry::VALUE_DIFFERENT);
    default: return stands != CAppRegstry::VALUE_SAME;
    }
}

// Whether a key the repair makes (or makes anew) gets the value.
bool written_when_made(const _VNAME_DATA_& v, bool rebuild) {
    return rebuild ? v.absent != ABSENT_REQUIRED : v.absent == ABSENT_PROBLEM;
}

// Where a value is written: only where it is wrong, so that a hive whose
// keys already hold what a rule asks is not rewritten. A value that may be
// absent is reset where it differs; in a key made anew it is written.
int where_written(const _VNAME_DATA_& v, bool rebuilt) {
    if (!v.name[0]) return CAppRegstry::VALUE_MISSING;
    if (v.absent == ABSENT_ALLOWED && !rebuilt) return CAppRegstry::VALUE_DIFFERENT;
    return CAppRegstry::VALUE_DIFFERENT | CAppRegstry::VALUE_MISSING;
}

// A handle on the rule's key, or null; why the rule cannot be judged in
// every hive its key stands for goes to `*failure`.
_APP_REG_HANDLE* open_rule_key(CAppRegstry* registry, const _RULE_& rule, std::string* failure) {
    _APP_REG_HANDLE* handle = nullptr;
    std::string thrown;
    try {
        if (registry) handle = registry->OpenKey(rule.key, 0);
    } catch (const std::exception& e) {
        thrown = e.what();
    }
    std::string problem = !registry ? std::string("no Windows drive was given") : registry->OpenProblem(rule.key);
    if (problem.empty() && !handle) problem = thrown.empty() ? std::string("the key cannot be opened") : thrown;
    // What a damaged hive shows cannot be trusted (a broken index hides
    // keys), and a damaged hive is never repaired: it is no verdict.
    if (problem.empty()) problem = registry->DamageOf(handle);
    *failure = problem;
    return handle;
}

}  // namespace

int scan_rule(CAppRegstry* registry, _RULE_& rule, std::string* failure) {
    failure->clear();
    if (rule.rebuilt) {
        rule.needFix = 0;
        return 0;
    }
    _APP_REG_HANDLE* handle = open_rule_key(registry, rule, failure);
    if (!handle) {
        diag_printf("[ScanReg] openkey failed  %s\n", rule.key);
        rule.needFix = 0;
        return 0;
    }
    KeyHandle key(*registry, handle);
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
        rule.state = registry->CheckAddKey(key.get()) && key_required(rule) ? STATE_ADD_KEY : STATE_VALUES;
        found = rule.state == STATE_ADD_KEY;
        break;
    }
    const bool whole_key = rule.state == STATE_ADD_KEY || rule.state == STATE_REBUILD_KEY;
    for (VNameDataPtr& v : rule.values) {
        v->needFix =
            whole_key ? written_when_made(*v, rule.state == STATE_REBUILD_KEY) : value_wrong(*registry, key, *v);
        if (v->needFix) found = 1;
    }
    rule.needFix = static_cast<unsigned char>(found);
    return found;
}

int fix_rule(CAppRegstry& registry, _RULE_& rule, int number, std::string* why) {
    KeyHandle key(registry, registry.OpenKey(rule.key, 0));
    if (!key) return -1;
    // A hive that cannot be written is not changed in memory either.
    *why = registry.WriteProblem(rule.key);
    if (!why->empty()) return 0;
    // What kept a change from being made: a damaged hive is named with its damage.
    const auto failed = [&](const std::string& what) {
        const std::string damage = registry.DamageOf(key.get());
        *why = damage.empty() ? what : damage + ", so it is not changed";
        return 0;
    };
    bool ok = true;
    const bool rebuilt = rule.state == STATE_REBUILD_KEY;
    switch (rule.state) {
    case STATE_DELETE_KEY:
        if (!delete_key(registry, key)) return failed(std::string("the key ") + rule.key + " could not be deleted");
        rule.state = STATE_VALUES;
        return 1;
    case STATE_ADD_KEY:
        if (!create_key(registry, key, rule.key))
            return failed(std::string("the key ") + rule.key + " could not be created");
        rule.state = STATE_VALUES;
        break;
    case STATE_REBUILD_KEY:
        diag_printf("rebuild:%d %s\n", number, rule.key);
        // A key that is not there yet is simply created.
        registry.FixKey(key.get(), nullptr, kDeleteKey, 0, nullptr, 0);
        if (registry.CheckDelKey(key.get()))
            return failed(std::string("the key ") + rule.key + " could not be deleted");
        key.reset(registry.OpenKey(rule.key, 0));
        if (!key || !create_key(registry, key, rule.key))
            return failed(std::string("the key ") + rule.key + " could not be created");
        break;
    case STATE_VALUES: break;
    default: return 0;
    }
    for (VNameDataPtr& v : rule.values) {
        if (!v->needFix) continue;
        const bool done = v->absent == ABSENT_REQUIRED
                              ? registry.DeleteValueEverywhere(key.get(), v->name) != 0
                              : registry.SetValueWhere(key.get(), v->name, v->type, v->data(), v->length,
                                                       v->ignoreCase != 0, where_written(*v, rebuilt)) != 0;
        if (!done && ok) {
            ok = false;
            failed(std::string("the value ") + (v->name[0] ? v->name : "(default)") + " of " + rule.key +
                   " could not be " + (v->absent == ABSENT_REQUIRED ? "deleted" : "written"));
        }
    }
    return ok;
}

}  // namespace hivemend
