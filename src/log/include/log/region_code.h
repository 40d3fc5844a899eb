// The Russian region code of a contact (AAA:PR), derived from the callsign
// as the entry form does when the region field is entered: only for a
// contact of the country "RUSSIA" whose region is still empty.
//
// The code is two characters of the clipped callsign: characters 2 and 3
// when the callsign has four characters and its third is a letter (R3AA),
// otherwise characters 3 and 4 (UA1B, RA3BXX). Several codes name parts of
// one region and are then replaced by the region's main code (1B -> 1A,
// 3B -> 3A, ...); any other code stays as derived.
//
// Texts are code page 1251; letters compare without regard to case.
#pragma once

#include <string>
#include <string_view>

namespace kavo::log {

// The country name for which the region rule runs.
inline constexpr std::string_view kRegionCountry = "RUSSIA";

// Whether the rule fills in the region of a contact with this country and
// region (both as stored; trailing blanks ignored).
bool RegionRuleApplies(std::string_view PREF, std::string_view PR);

// The code taken from the callsign before normalisation; shorter than two
// characters when the callsign is too short to hold one.
std::string DerivedRegionCode(std::string_view callsign);

// The first matching row of the normalisation table, or the code unchanged.
std::string NormalisedRegionCode(std::string_view code);

// Both steps: the region code the entry form would fill in.
std::string RegionCodeOfCallsign(std::string_view callsign);

}  // namespace kavo::log
