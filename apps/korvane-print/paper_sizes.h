// Paper sizes by name, as libcups knows them: a PPD's own sizes (ppdPageSize) and the PWG
// table of media names (self-describing, legacy IPP and PPD names alike), so that the preview
// draws a sheet of the real size and the paper pop-up names cupsd's sizes for the user.
#pragma once

#include <cups/ppd.h>

#include <QSizeF>

#include <optional>
#include <string>

// The sheet the preview draws when the paper's size is not known.
inline constexpr QSizeF kFallbackPaperPoints{595, 842};  // A4

// The width and height in points of the paper a PPD page size or an IPP media name names:
// the PPD's own size first (custom sizes "Custom.WxH" included), then libcups' table;
// nothing when neither knows the name.
std::optional<QSizeF> paperSizeInPoints(const std::string& name, ppd_file_t* ppd = nullptr);

// A PWG media name as a user reads it: its PPD name where the table has one ("A4", "Legal"),
// else its size ("8 x 30 in", "100 x 150 mm"), else the name itself.
std::string paperSizeText(const std::string& pwgName);
