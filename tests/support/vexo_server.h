#pragma once

// Header-only: users link the server layer.

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

#include "server/server_settings.h"
#include "support/child_process.h"
#include "support/scoped_env.h"
#include "support/scratch_folder.h"

namespace trqx::test {

// A working folder for the real VEXOServer that forwards to one FTP host: both FTP hosts are
// it, reached without a proxy and retried without end; every client address is admitted.
struct VexoServerFolder {
  std::string m_folder;  // made if missing
  int m_port = 0;
  int m_maxClients = 1;
  std::string m_login;  // at most 15 characters on the wire
  std::string m_password;
  std::string m_ftpAddress;  // host:port
  std::string m_ftpUser;
  std::string m_ftpPassword;
  std::string m_serialNumber = "BENCH";
  std::string m_userUuid;  // "USERUUID" in the registry when not empty

  // The registry stand-in, for TRQX_REGISTRY; a client run beside the server may share it.
  std::string RegistryFolder() const { return m_folder + "/registry"; }

  // Writes VEXOSvr.cfg and the registry folder; false, why filled, on failure.
  bool Write(std::string& why) const {
    CServerSettings settings;
    settings.m_user.m_port = m_port;
    settings.m_user.m_maxClients = m_maxClients;
    settings.m_user.m_login = m_login;
    settings.m_user.m_password = m_password;
    settings.m_user.m_usePassword = true;
    settings.m_user.m_acceptUnAuthorizedClients = true;
    settings.m_ftp.m_primaryAddress = m_ftpAddress;
    settings.m_ftp.m_backupAddress = m_ftpAddress;
    settings.m_ftp.m_username = m_ftpUser;
    settings.m_ftp.m_password = m_ftpPassword;
    settings.m_ftp.m_sessionType = FTPPutSettings::kDirect;
    settings.m_ftp.m_infiniteRetry = true;
    std::error_code ignored;
    std::filesystem::create_directories(RegistryFolder(), ignored);
    CFileError error;
    if (!settings.SaveFile(m_folder + "/" + CServerSettings::kFileName, error)) {
      why = "server settings not written: " + error.m_function + " " + error.m_fileName;
      return false;
    }
    const std::string uuidLine = m_userUuid.empty() ? "" : "USERUUID=" + m_userUuid + "\n";
    if (!WriteWholeFile(RegistryFolder() + "/HKEY_LOCAL_MACHINE",
                        "[Software\\Norvane L.P.\\User Info]\nSerial Number=" + m_serialNumber +
                            "\n" + uuidLine)) {
      why = "registry not written";
      return false;
    }
    return true;
  }
};

// Starts program as "VEXOServer --console --start" in folder's working folder, its output in
// "console.txt" there, and waits up to 10 s for its accept task to serve clients. False, why
// filled, when it did not get there.
inline bool StartVexoServer(ChildProcess& process, const std::string& program,
                            const VexoServerFolder& folder, std::string& why) {
  static constexpr std::string_view kServing = "Accept task stared, now servicing clients.";
  {
    const ScopedEnv registry("TRQX_REGISTRY", folder.RegistryFolder());
    if (!process.Start({.m_argv = {program, "--console", "--start"},
                        .m_folder = folder.m_folder,
                        .m_outputPath = folder.m_folder + "/console.txt"})) {
      why = "fork failed";
      return false;
    }
  }
  if (!process.WaitForOutput(kServing, std::chrono::seconds(10))) {
    why = program + " did not start serving; its output: " + process.Output();
    return false;
  }
  return true;
}

}  // namespace trqx::test
