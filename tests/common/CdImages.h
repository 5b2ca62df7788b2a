#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace fendix::testing {

// The names an .iso made by genisoimage carries.
enum class IsoNames { Plain, Joliet, RockRidge, Both };

// Packs a folder into an .iso with genisoimage; returns the image's path. Raises
// std::runtime_error when genisoimage fails.
std::string MakeIso(const std::string& folder, const std::string& isoPath, IsoNames names);

// Wraps every 2048-byte sector of an .iso in a raw 2352-byte sector (sync, header, data and
// zeros for the error codes; MODE2 puts a form 1 subheader before the data) into `binPath`,
// and writes a cue sheet naming it beside it. Returns the cue sheet's path.
std::string MakeBinCue(const std::string& isoPath, const std::string& binPath, bool mode2 = false);

// Changes, in an .iso, the directory record that bears `name` (the first found): `change`
// gets its bytes (length, extent, size, flags, name as ISO 9660 lays them out).
void PatchRecord(const std::string& isoPath, std::string_view name,
                 const std::function<void(unsigned char*)>& change);

// Writes a 32-bit value in both byte orders, as directory records hold their numbers.
void PutBothEndian(unsigned char* at, std::uint32_t value);

} // namespace fendix::testing
