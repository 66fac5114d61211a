#pragma once

// The master keyboard is driven as a part window is, with its channel boxes besides.
#include "support/drivers/PartWindowDriver.h"

using MasterKbDriver = PartWindowDriver;
