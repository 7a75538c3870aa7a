// Loading the rule database.

#include "RuleLoad.h"

#include <boost/property_tree/ptree.hpp>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

#include "RuleCheck.h"
#include "RuleFile.h"
#include "ValueData.h"
#include "engine/diag.h"
#include "hivemend/regvalue.h"

using boost::property_tree::ptree;

namespace hivemend {

namespace {

// The value record of one member of a rule's "value" object.
VNameDataPtr read_value(const std::string& name, const ptree& node, const std::string& where) {
    const std::string at = where + ", value " + Quoted(name);
    const std::string type = RequiredChild(node, "type", at).data();
    const std::string text = RequiredChild(node, "value", at).data();
    CheckValueText(type, text, at);
    char buffer[kValueDataSize] = {};
    const int length = convert_data(type.c_str(), text.c_str(), buffer, sizeof buffer);
    VNameDataPtr value = NewVNameData(length);
    value->type = GetRegTypeByName(type.c_str());
    CopyField(value->name, sizeof value->name, name, "value name", at);
    value->length = length;
    value->absent = AbsentMember(node, name, at);
    value->ignoreCase = IgnoreCaseMember(node, type, at);
    memcpy(value->data(), buffer, static_cast<size_t>(length));
    return value;
}

// What "rebuild" asks for; one that is no boolean is logged and counts as false.
int rebuild_kind(const ptree& rule, const std::string& where) {
    const auto rebuild = rule.get_child_optional("rebuild");
    if (!rebuild) return RULE_NORMAL;
    try {
        return rebuild->get_value<bool>() ? RULE_REBUILD : RULE_NORMAL;
    } catch (const boost::property_tree::ptree_error& e) {
        diag_eprintf("%s: \"rebuild\": %s\n", where.c_str(), e.what());
        return RULE_NORMAL;
    }
}

}  // namespace

void load_rules(const char* path, std::vector<_RULE_>* rules, std::vector<_SECTION>* sections) {
    const std::string file = path ? path : "";
    const ptree database = ReadRuleFile(path);
    for (const auto& [sectionName, sectionNode] : database) {
        _SECTION section;
        CopyField(section.name, sizeof section.name, sectionName, "section name", file);
        section.rules.reserve(sectionNode.size());
        int position = 0;
        for (const auto& member : sectionNode) {
            const ptree& node = member.second;
            const std::string where = RuleSite(file, sectionName, ++position);
            _RULE_ rule;
            std::string key = RequiredChild(node, "key", where).data();
            const ptree& values = RequiredChild(node, "value", where);
            rule.values.reserve(values.size());
            for (const auto& [valueName, valueNode] : values)
                rule.values.push_back(read_value(valueName, valueNode, where));
            if (!key.empty() && key[0] == '-') {
                rule.kind = RULE_DELETE_KEY;
                key.erase(0, 1);
            } else {
                rule.kind = rebuild_kind(node, where);
            }
            if (key.empty()) throw std::out_of_range(where + ": \"key\" is empty");
            CopyField(rule.key, sizeof rule.key, key, "key", where);
            if (rule.kind != RULE_NORMAL) CheckKeyBelowHiveRoot(key, where);
            rules->push_back(std::move(rule));
            section.rules.push_back(static_cast<int>(rules->size()) - 1);
        }
        sections->push_back(std::move(section));
    }
}

}  // namespace hivemend
