#include "quiet.h"

#include "hivemend/diagnostics.h"

Quiet::Quiet(bool on) : on_(on) {
    if (on_) hive_diagnostics([](int, const char*, void*) {}, nullptr);
}

Quiet::~Quiet() {
    if (on_) hive_diagnostics(nullptr, nullptr);
}
