#include "console/convert/convert_console.h"

#include <filesystem>
#include <string>
#include <vector>

#include "client/client_startup.h"
#include "client/upload_convert.h"
#include "client/user_info.h"
#include "foundation/paths.h"
#include "upload/mapping_editor.h"
#include "upload/profile_editor.h"

namespace trqx {

int RunConvertConsole(const Registry& registry, const std::string& deskPath, unsigned uploadNumber,
                      std::ostream& out, std::ostream& err) {
  ClientStartup startup(registry, "", &err);
  if (!startup.Run()) {
    err << startup.FailureMessage() << '\n' << std::flush;
    return kExitNotConverted;
  }
  // As before each upload.
  std::string terminalUserUuid;
  ReadTerminalUserUuid(registry, startup.Settings(), startup.Logger(), terminalUserUuid);

  std::string uploadPath;
  if (!ConvertDeskFile(deskPath, startup.SettingsFile(), startup.Profile(), terminalUserUuid,
                       startup.Logger(), startup.Clock(), uploadNumber, uploadPath)) {
    return kExitNotConverted;
  }
  out << uploadPath << '\n' << std::flush;
  return kExitConverted;
}

namespace {

// "Title: text" pairs joined by two blanks.
std::string Labelled(const char* const* titles, const std::vector<std::string>& texts) {
  std::string line;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    line += (i == 0 ? "" : "  ") + std::string(titles[i]) + ": " + texts[i];
  }
  return line;
}

void ListMapping(const UserProfile& profile, std::size_t index, std::ostream& out) {
  const CMapping& mapping = *profile.GetMapping(index);
  const std::vector<std::string> columns{MappingFileNameText(mapping),
                                         MappingFormatTypeText(mapping.m_format)};
  out << "Mapping " << index + 1 << ": " << Labelled(CProfileDlg::kColumns, columns);
  if (profile.m_activeMapping >= 0 && static_cast<std::size_t>(profile.m_activeMapping) == index) {
    out << "  (active)";
  }
  out << '\n';
  for (std::size_t field = 0; field < mapping.FieldCount(); ++field) {
    out << "    " << Labelled(CMappingDlg::kColumns, FieldRowTexts(mapping, field)) << '\n';
  }
}

}  // namespace

int ListProfileConsole(const std::string& folder, std::ostream& out, std::ostream& err) {
  FieldFormatRegistry fieldFormat;
  CFileError error;
  bool fileError = false;
  if (!fieldFormat.Read(JoinPath(folder, kFieldFormatFileName), error, fileError)) {
    err << kFieldFormatFileName << (fileError ? " could not be read." : " has a bad format.")
        << '\n';
    return kExitNotConverted;
  }
  UserProfile profile(fieldFormat);
  const std::string path = JoinPath(folder, UserProfile::kFileName);
  bool loaded = true;
  if (std::filesystem::exists(path)) {  // listing never creates the file
    loaded = profile.LoadFile(path, error);
  }
  for (std::size_t i = 0; i < profile.MappingCount(); ++i) {
    ListMapping(profile, i, out);
  }
  out << std::flush;
  if (!loaded) {
    err << UserProfile::kFileName << " could not be read whole." << '\n' << std::flush;
    return kExitNotConverted;
  }
  return kExitConverted;
}

}  // namespace trqx
