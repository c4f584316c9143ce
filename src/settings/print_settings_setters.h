// Setting the job's print-settings keys from zero-terminated byte texts.
#pragma once

#include "platform/printing.h"

// Sets key to text when text is present, not empty and plain ASCII; otherwise removes key (a
// value the job's later stages could not read must not stand in for the real one). Does
// nothing when settings or key is missing.
void MyPMPrintSetAsciiCStrValue(platform::PrintSettings* settings, const char* key, const char* text);

// Stores a long text in numbered pieces of at most 254 characters under prefix1, prefix2, ...
// and removes the key after the last piece; with no text only the piece-1 key is removed. Does
// nothing when settings is missing, or prefix is missing, empty or longer than 98 characters.
void MyMultiPMPrintSetAsciiCStrValue(platform::PrintSettings* settings, const char* prefix, const char* text);

// Turns control characters (1 to 8, 10 to 31) and the double quote among the first count bytes
// into spaces, in place; zero bytes and tabs stay. A count of 0 or less changes nothing.
void ReplaceSpaceCode(unsigned char* bytes, int count);
