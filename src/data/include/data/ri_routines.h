// The integrity routines: the only way forms delete or rewrite a record.
//
// Each routine frames its write in a transaction, keeps the files that
// depend on the country table consistent, reports every failure through a
// standard warning and leaves no transaction open when it returns:
//  - RIDelete_* delete the current record of their file (0 done, 1 not done).
//    Deleting a country that a log record still carries is refused
//    (restrict).
//  - RIUpdate_* write the current record back (0 done, 1 not done, 2 not
//    done because another station changed the record: the record buffer then
//    holds that station's version). Renaming a country renames it in the log
//    and in the label print buffer in the same transaction (cascade).
//  - RISnap_* are called by the forms once they have read the record they
//    will change; only the country table keeps anything (its name).
//
// The caller must have read the record in this context, so that the store
// can tell a change by another station (error 89). The routines that need
// the log or the print buffer open them through the usage counters and
// release them on every return path (RICloseFiles).
#pragma once

#include <cstdint>

#include "data/context.h"

namespace kavo {

int32_t RIDelete_AAAA(DataContext& context);
int32_t RIDelete_DXCC(DataContext& context);
int32_t RIDelete_IOTA(DataContext& context);
int32_t RIDelete_RAJON(DataContext& context);
int32_t RIDelete_PREFRUS(DataContext& context);

// FromForm: 1 when the call comes from a form that shows the record.
int32_t RIUpdate_AAAA(DataContext& context, uint8_t FromForm);
int32_t RIUpdate_DXCC(DataContext& context, uint8_t FromForm);
int32_t RIUpdate_IOTA(DataContext& context, uint8_t FromForm);
int32_t RIUpdate_RAJON(DataContext& context, uint8_t FromForm);
int32_t RIUpdate_PREFRUS(DataContext& context, uint8_t FromForm);
int32_t RIUpdate_SETUP(DataContext& context, uint8_t FromForm);

// Copies DXC:STRANA into SAV:DXC:STRANA.
void RISnap_DXCC(DataContext& context);
// Nothing to keep for these files; the forms call them all the same.
inline void RISnap_AAAA(DataContext&) {}
inline void RISnap_AAAAPRINT(DataContext&) {}
inline void RISnap_IOTA(DataContext&) {}
inline void RISnap_RAJON(DataContext&) {}
inline void RISnap_PREFRUS(DataContext&) {}
inline void RISnap_SETUP(DataContext&) {}

}  // namespace kavo
