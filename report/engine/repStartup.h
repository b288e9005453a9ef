#pragma once
// Start-up work of the report library's units, once per process before any report exists:
// the property editors the server has, the storage unit's bit-count table and the file-dialog
// transport. Later calls only count; the matching finalization undoes the work when the count
// returns to zero. Units whose start-up loads Windows libraries (help, per-window density, rich
// edit, wide controls) or fills windows' registries (in-place editors, dot-matrix objects) have
// nothing to do on this server.
#include <array>
#include <cstdint>

void repStartupInitialization();
void repStartupFinalization();

// The number of one bits of each byte value.
const std::array<std::uint8_t, 256>& BitCountTable();
