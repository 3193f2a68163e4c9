// The NFS contract now lives below the core and the simulated machine.
#pragma once
#include "contracts/nfs_components.h"
