// Which hives of the installation were recovered from their logs on opening.

#include "hivemend/CAppRegstry.h"
#include "hivemend/CKRegstry.h"
#include "hivemend/recovery.h"

const HiveRecovery* CKRegstry::Recovery() const { return hive ? hive_recovery(hive) : nullptr; }

std::vector<std::pair<std::string, HiveRecovery>> CAppRegstry::HiveLogStates() {
    std::vector<std::pair<std::string, HiveRecovery>> states;
    const auto add = [&](const CKRegstry* r) {
        if (!r || !r->IsValid()) return;
        char file[260] = "";
        r->GetHiveFileName(file, sizeof file);
        states.emplace_back(file, *r->Recovery());
    };
    if (software) add(&software->Regstry());
    add(systemHive.get());
    add(security.get());
    add(defaultHive.get());
    add(sam.get());
    add(localService.get());
    if (users) {
        for (int i = 0; i < users->HiveCount(); ++i) add(users->UserHive(i));
    }
    return states;
}
