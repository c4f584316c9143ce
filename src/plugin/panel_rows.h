// What the rows of the panel's matrices and the items of its folder pop-up stand for. Every
// layout orders its cells and items this way, and every file that reads or selects them uses
// these names rather than the bare numbers.
#pragma once

namespace korvane::rows {

// Retention modes: the rows of the suspend matrix.
inline constexpr int kHoldOnlyRow = 0;
inline constexpr int kHoldAfterPrintRow = 1;
inline constexpr int kSamplePrintRow = 2;

// The folder pop-up: two fixed items, a separator, then custom folder k at kFirstFolderIndex + k.
inline constexpr int kQuickFileIndex = 0;
inline constexpr int kMainFolderIndex = 1;
inline constexpr int kSeparatorIndex = 2;
inline constexpr int kFirstFolderIndex = 3;
inline constexpr int kFixedItemCount = 2;  // quick file and main folder

// The folder matrix.
inline constexpr int kQuickFileRow = 0;
inline constexpr int kMainFolderRow = 1;
inline constexpr int kCustomFolderRow = 2;

// The authentication matrix: login name and password; any other row is the user number.
inline constexpr int kLoginRow = 0;
inline constexpr int kUserNumberRow = 1;

}  // namespace korvane::rows
