// The driver contract now lives below the core and the simulated machine.
#pragma once
#include "contracts/storage_drivers.h"
