#include "memory/local_memory.h"

namespace tarnwick {

MemoryApi system_memory_api() { return {&LocalAlloc, &LocalFree}; }

}  // namespace tarnwick
