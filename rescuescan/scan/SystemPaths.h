#pragma once

#include <QString>

// The fixed places of the rescue system. Every part of the program and the
// console tools asks here, so that RESCUESCAN_SYSROOT=DIR can move all of
// them under DIR at once (tests, the demo, integrators), and RESCUESCAN_SITE
// the maker's web site; unset, they are the system's own places.
namespace SystemPaths {

// The folder of the Windows system drive: "/windows".
QString windowsPath();

// The folder where every drive is mounted: "/mnt".
QString mountPath();

// The registry rule database: "/etc/registry.json".
QString registryRulesPath();

// The Windows system drive: the first folder in /windows by name, ignoring
// case and hidden entries (a link to a folder counts). Empty when there is
// none. The scan, the registry repair and the installer all take this one.
QString windowsDrive();

// The maker's web site, RESCUESCAN_SITE or the built-in address, without a
// trailing slash: the share pages and the installer download lie below it.
QString makerSite();

} // namespace SystemPaths
