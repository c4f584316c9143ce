#include "platform/ppd.h"

#include <cups/ppd.h>

namespace platform {

void PPDFile::Closer::operator()(PPDRecord* ppd) const
{
    ppdClose(ppd);
}

std::optional<PPDFile> PPDFile::open(const std::string& path)
{
    ppd_file_t* ppd = ppdOpenFile(path.c_str());
    if (!ppd)
        return std::nullopt;
    ppdMarkDefaults(ppd);
    return PPDFile(ppd, path);
}

std::optional<std::string> PPDFile::attribute(const char* name) const
{
    ppd_attr_t* attr = ppdFindAttr(ppd_.get(), name, nullptr);
    if (!attr || !attr->value)
        return std::nullopt;
    return std::string(attr->value);
}

}  // namespace platform
