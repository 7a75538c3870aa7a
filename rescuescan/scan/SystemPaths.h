#pragma once

#include <QString>

// The fixed places of the rescue system. Every part of the program and the
// console tools asks here, so that RESCUESCAN_SYSROOT=DIR can move all of
// them under DIR at once (tests, the demo, integrators); unset, they are the
// system's own paths.
namespace SystemPaths {

// The folder of the Windows system drive: "/windows".
QString windowsPath();

// The folder where every drive is mounted: "/mnt".
QString mountPath();

// The registry rule database: "/etc/registry.json".
QString registryRulesPath();

} // namespace SystemPaths
