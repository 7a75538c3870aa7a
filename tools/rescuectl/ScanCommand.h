#pragma once

#include "Subcommand.h"

// rescuectl scan [--quick|--full|DIR...] [--remove]
extern const Subcommand scanSubcommand;
