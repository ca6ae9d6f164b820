#pragma once
// The messages that the meter reader's worker thread posts to the window in CHBMeter's PHwnd.
// They are posted (never sent), in this order for a transfer of n records:
//   WM_TRANSFER_STATE(0, 0) once, at the first record, before it is parsed;
//   WM_QUEUE_STATUS(raw queue count, parsed queue count) and
//   WM_RECORDS_READY(parsed queue count, RecordCount) after each parsed record;
//   WM_TRANSFER_STATE(1, milliseconds since the first record) once no record has come for
//   more than 1500 ms.

#include <cstdint>

inline constexpr std::uint32_t WM_APP = 0x8000;
inline constexpr std::uint32_t WM_QUEUE_STATUS = WM_APP + 100;    // 0x8064
inline constexpr std::uint32_t WM_RECORDS_READY = WM_APP + 102;   // 0x8066
inline constexpr std::uint32_t WM_TRANSFER_STATE = WM_APP + 104;  // 0x8068
