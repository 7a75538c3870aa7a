#pragma once

// The SYSTEM hive. An offline hive has no CurrentControlSet: paths that
// start with it are mapped to the control set Windows runs with, the one
// Select\Current names (else Select\Default), and without a usable Select
// the highest of the unbroken run ControlSet001, ControlSet002, ...

#include "hivemend/CKRegstry.h"
#include "hivemend/export.h"

class HIVEMEND_API CKRegstrySystem : public CKRegstry {
public:
    CKRegstrySystem();
    ~CKRegstrySystem() override;

    // Opens the hive at `path` as given and finds its control set; false
    // when it cannot be loaded (nothing is thrown).
    bool OpenFileHive(const char* path);
    // "CurrentControlSet" as the first name of `src` (exactly, letter case
    // included) becomes the control set; anything else is copied. `dst`
    // holds 324 bytes; -1 with `dst` empty when the result does not fit.
    int ConverKeypath(const char* src, char* dst) override;
    // With `key` 0 the path is translated first; below another key it is
    // looked up unchanged.
    unsigned OpenKey(const char* path, int key) override;
    // "ControlSet" followed by exactly three digits.
    static bool IsNeedKey(const char* name);
    // The control set found ("" when none).
    const char* ControlSet() const;

private:
    char controlSet[324] = {};
    bool found = false;
};
