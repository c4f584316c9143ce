// The print-settings keys through which the job control settings travel with the job, and
// the lock bits that say which values the user asked to remember.
#pragma once

#include <cstdint>

namespace korvane::keys {

// Every key starts with this prefix.
#define KORVANE_PRINT_SETTINGS_PREFIX "korvane.print.PrintSettings."

inline constexpr const char* kSpoolTime = KORVANE_PRINT_SETTINGS_PREFIX "spoolTime";
inline constexpr const char* kFiling = KORVANE_PRINT_SETTINGS_PREFIX "filing";
inline constexpr const char* kFolderPath = KORVANE_PRINT_SETTINGS_PREFIX "folderPath";
inline constexpr const char* kFolderPath2 = KORVANE_PRINT_SETTINGS_PREFIX "folderPath2";
inline constexpr const char* kJobSuspend = KORVANE_PRINT_SETTINGS_PREFIX "jobSuspend";
inline constexpr const char* kJobSuspendKey = KORVANE_PRINT_SETTINGS_PREFIX "jobSuspendKey";
inline constexpr const char* kJobSuspend2Key = KORVANE_PRINT_SETTINGS_PREFIX "jobSuspend2Key";
inline constexpr const char* kAuthentication = KORVANE_PRINT_SETTINGS_PREFIX "Authentication";
// The login name is stored in numbered pieces: the prefix followed by 1, 2, ...
inline constexpr const char* kLoginName1Prefix = KORVANE_PRINT_SETTINGS_PREFIX "loginName1";
inline constexpr const char* kLoginName0Prefix = KORVANE_PRINT_SETTINGS_PREFIX "loginName0";
inline constexpr const char* kLoginName11 = KORVANE_PRINT_SETTINGS_PREFIX "loginName11";
inline constexpr const char* kLoginName12 = KORVANE_PRINT_SETTINGS_PREFIX "loginName12";
inline constexpr const char* kPassword = KORVANE_PRINT_SETTINGS_PREFIX "password";
inline constexpr const char* kPassword2 = KORVANE_PRINT_SETTINGS_PREFIX "password2";
inline constexpr const char* kUserNumber = KORVANE_PRINT_SETTINGS_PREFIX "userNumber";
inline constexpr const char* kUserNumber2 = KORVANE_PRINT_SETTINGS_PREFIX "userNumber2";
inline constexpr const char* kAccountNumber = KORVANE_PRINT_SETTINGS_PREFIX "accountNumber";
inline constexpr const char* kAccountNumber2 = KORVANE_PRINT_SETTINGS_PREFIX "accountNumber2";
inline constexpr const char* kUserName = KORVANE_PRINT_SETTINGS_PREFIX "userName";
inline constexpr const char* kUserName2 = KORVANE_PRINT_SETTINGS_PREFIX "userName2";
inline constexpr const char* kJobName = KORVANE_PRINT_SETTINGS_PREFIX "jobName";
inline constexpr const char* kJobName2 = KORVANE_PRINT_SETTINGS_PREFIX "jobName2";
inline constexpr const char* kFolderPassword = KORVANE_PRINT_SETTINGS_PREFIX "folderPassword";
inline constexpr const char* kFolderPassword2 = KORVANE_PRINT_SETTINGS_PREFIX "folderPassword2";
inline constexpr const char* kHoldButton = KORVANE_PRINT_SETTINGS_PREFIX "holdButton";

#undef KORVANE_PRINT_SETTINGS_PREFIX

}  // namespace korvane::keys

namespace korvane::lockbits {

// One bit per padlock button; a set bit means the user asked to remember that value.
inline constexpr std::uint32_t kSuspendKey = 0x001;
inline constexpr std::uint32_t kLoginName = 0x002;
inline constexpr std::uint32_t kPassword = 0x004;
inline constexpr std::uint32_t kUserName = 0x008;
inline constexpr std::uint32_t kJobName = 0x010;
inline constexpr std::uint32_t kFolderPassword = 0x020;
inline constexpr std::uint32_t kUserNumber = 0x040;
inline constexpr std::uint32_t kAccountNumber = 0x080;
inline constexpr std::uint32_t kFolderName = 0x100;

}  // namespace korvane::lockbits
