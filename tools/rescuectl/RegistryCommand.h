#pragma once

#include "Subcommand.h"

// rescuectl registry [--root WINDIR] [--rules FILE] [--verbose] scan|repair|backup|restore
extern const Subcommand registrySubcommand;
