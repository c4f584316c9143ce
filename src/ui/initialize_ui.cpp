// One-time preparation of the tab's controls.
#include "plugin/KorvanePrintPdeRk880JC.h"

// Not built yet: only marks the controls as prepared.
void KorvanePrintPdeRk880JC::initializeUI()
{
    if (hasInited)
        return;
    hasInited = true;
}
