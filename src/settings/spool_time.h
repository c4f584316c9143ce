// The spool-time text that stamps each saved job: the job's later stages key the derived-key
// encryption with it and check the PIN and folder-password digests against it.
#pragma once

#include <cstddef>
#include <ctime>

// Writes the spool-time text of a broken-down local time and its offset from GMT in seconds
// into dest, which holds destSize bytes: "Thu, 5 Sep 2024 07:08:09 +0550". The zone number is
// the offset divided by 36, truncated, so +5:30 reads +0550. Returns the characters written
// (the zero byte not counted); 0, with dest emptied, when the text does not fit.
std::size_t formatSpoolTime(char* dest, std::size_t destSize, const std::tm& local, long secondsFromGMT);

// Writes the spool-time text of the current time in the system's time zone (TZ) into dest,
// which holds destSize bytes (32 or more serve). Returns the characters written.
std::size_t GetSpoolTime(char* dest, std::size_t destSize);
