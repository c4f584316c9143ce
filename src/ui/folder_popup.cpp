// The folder pop-up: two fixed items, then the printer's custom folders.
#include "plugin/KorvanePrintPdeRk880JC.h"

// Not built yet: leaves the pop-up as laid out.
void KorvanePrintPdeRk880JC::makeFolderPopup() {}

// Not built yet: always the main folder.
std::int64_t KorvanePrintPdeRk880JC::SearchSameFolderName(const std::optional<std::string>& /*name*/) const
{
    return 1;
}
