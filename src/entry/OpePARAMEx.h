// The mode record belongs to the start-up; it is defined on the ground floor, below everything
// that reads it.
#pragma once

#include "common/run/OpePARAMEx.h"
