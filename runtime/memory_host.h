// Native build only: lets tests make the heap fail.
#pragma once
#include <cstdint>

// Allow this many more allocations, then fail every one; -1 lifts the limit.
void SetHostAllocationBudget(int64_t allocations);
