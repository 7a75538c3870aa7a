#pragma once

// A key handle of the installation layer that is closed however the scope
// is left.

#include "hivemend/AppRegHandle.h"
#include "hivemend/CAppRegstry.h"

namespace hivemend {

class KeyHandle {
public:
    KeyHandle(CAppRegstry& registry, _APP_REG_HANDLE* handle) : registry_(registry), handle_(handle) {}
    ~KeyHandle() { registry_.CloseKey(handle_); }
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;

    // Closes the handle held and takes `handle` in its place.
    void reset(_APP_REG_HANDLE* handle) {
        registry_.CloseKey(handle_);
        handle_ = handle;
    }
    _APP_REG_HANDLE* get() const { return handle_; }
    _APP_REG_HANDLE* operator->() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    CAppRegstry& registry_;
    _APP_REG_HANDLE* handle_;
};

}  // namespace hivemend
