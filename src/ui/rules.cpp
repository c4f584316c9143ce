// Which controls can be used, from the state of the others.
#include "plugin/KorvanePrintPdeRk880JC.h"

// Not built yet: the rules change nothing.
void KorvanePrintPdeRk880JC::suspendKeyStaticTextEnabled() {}
void KorvanePrintPdeRk880JC::suspendKeyEditTextEnabled() {}
void KorvanePrintPdeRk880JC::folderSelectionStaticTextEnabled() {}
void KorvanePrintPdeRk880JC::folderPasswordStaticTextEnabled() {}
void KorvanePrintPdeRk880JC::folderPasswordEditTextEnabled() {}
void KorvanePrintPdeRk880JC::folderNameEditTextEnabled() {}
void KorvanePrintPdeRk880JC::loginNameStaticTextEnabled() {}
void KorvanePrintPdeRk880JC::loginNameEditTextEnabled() {}
void KorvanePrintPdeRk880JC::passwordStaticTextEnabled() {}
void KorvanePrintPdeRk880JC::passwordEditTextEnabled() {}
void KorvanePrintPdeRk880JC::userNumberEditTextEnabled() {}
void KorvanePrintPdeRk880JC::userNameEditTextEnabled() {}
void KorvanePrintPdeRk880JC::jobNameEditTextEnabled() {}
void KorvanePrintPdeRk880JC::accountNumberEditTextEnabled() {}
void KorvanePrintPdeRk880JC::suspendMatrixEnabled() {}
void KorvanePrintPdeRk880JC::suspendKeyButtonEnabled() {}
void KorvanePrintPdeRk880JC::folderSelectionPopupEnabled() {}
void KorvanePrintPdeRk880JC::folderSelectionMatrixEnabled() {}
void KorvanePrintPdeRk880JC::folderPasswordButtonEnabled() {}
void KorvanePrintPdeRk880JC::folderNameButtonEnabled() {}
void KorvanePrintPdeRk880JC::loginNameButtonEnabled() {}
void KorvanePrintPdeRk880JC::passwordButtonEnabled() {}
void KorvanePrintPdeRk880JC::userNumberButtonEnabled() {}
void KorvanePrintPdeRk880JC::accountNumberButtonEnabled() {}
