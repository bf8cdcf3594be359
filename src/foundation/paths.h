#pragma once

#include <string>
#include <string_view>

namespace trqx {

// The user's home folder: $HOME, else the password database's entry, else ".".
std::string HomeDirectory();

// A Windows default folder made a folder under the user's home: the drive ("C:") is
// dropped, every '\' becomes '/', and the rest is joined to HomeDirectory(), so
// "C:\nvx\termqz" gives "<home>/nvx/termqz". Leading separators are dropped as well.
std::string ExpandWindowsDefault(std::string_view windowsPath);

// folder '/' name; no separator is added when folder is empty or already ends in '/'.
std::string JoinPath(std::string_view folder, std::string_view name);

// The part after the last '/' or '\' (the whole text when it holds neither).
std::string FileNamePart(std::string_view path);

}  // namespace trqx
