#pragma once

// Sets the SOFTWARE view mode of the installation layer for one scope and
// puts the previous mode back however the scope is left.

#include "hivemend/CAppRegstry.h"

namespace hivemend {

class WowModeGuard {
public:
    WowModeGuard(CAppRegstry& registry, int mode) : registry_(registry), saved_(registry.GetWow6432()) {
        registry_.SetWow6432(mode);
    }
    ~WowModeGuard() { registry_.SetWow6432(saved_); }
    WowModeGuard(const WowModeGuard&) = delete;
    WowModeGuard& operator=(const WowModeGuard&) = delete;

private:
    CAppRegstry& registry_;
    int saved_;
};

}  // namespace hivemend
