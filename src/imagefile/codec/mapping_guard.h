// Reading a mapped file must survive the file shrinking under it: another program truncating or
// rewriting it, a memory card pulled out, a network share going away. The kernel answers a read
// of a page the file no longer has with SIGBUS, which would end the program. A guarded mapping
// gets zeros there instead and is marked damaged, and its reader reports the file as damaged.
#pragma once

#include <cstddef>

namespace orvane {

// Guards [begin, begin + bytes), a read-only private mapping; returns a slot for the calls below,
// or -1 when every slot is taken (a fixed number of mappings can be guarded at once).
int GuardMapping(const void* begin, std::size_t bytes);
// Whether a read in the slot's mapping found no page behind it.
bool MappingDamaged(int slot);
// Ends the guard, before the mapping is unmapped.
void ReleaseMapping(int slot);

}  // namespace orvane
