// The per-user, per-queue store of remembered values, lock states, address and folder list.
#include "plugin/KorvanePrintPdeRk880JC.h"

// Not built yet: the store neither loads nor saves.
void KorvanePrintPdeRk880JC::CheckPreference() {}
void KorvanePrintPdeRk880JC::GetUserPreference() {}
bool KorvanePrintPdeRk880JC::SaveUserPreference() { return false; }
void KorvanePrintPdeRk880JC::GetFolderPreference() {}
bool KorvanePrintPdeRk880JC::SaveFolderPreference() { return false; }

// Kept for the protocol's sake: nothing calls them and they store nothing.
bool KorvanePrintPdeRk880JC::GetHDDPreference() { return true; }
bool KorvanePrintPdeRk880JC::SaveHDDPreference() { return true; }
