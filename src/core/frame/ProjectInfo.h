#pragma once

// The program's own names and addresses, kept in one place.
namespace ProjectInfo {
inline constexpr const char* displayName = "Tallowbrook";
inline constexpr const char* supportEmail = "support@tallowbrook.org";
inline constexpr const char* homePageUrl = "https://tallowbrook.org/";
inline constexpr const char* howToUseUrl = "https://tallowbrook.org/help/";
inline constexpr const char* contactUsUrl = "https://tallowbrook.org/support/";
// Folder of the account files below the per-user base folder.
inline constexpr const char* dataSubFolder = "Quillmarten/Fernhollow";
} // namespace ProjectInfo
