#include "foundation/registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "foundation/scratch_folder.h"

namespace trqx {
namespace {

const std::string kUserInfo = "Software\\Norvane L.P.\\User Info";

// Sets environment variables for one test and puts the old values back afterwards.
class EnvironmentGuard {
 public:
  ~EnvironmentGuard() {
    for (const auto& [name, value] : m_saved) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
  }
  void Set(const std::string& name, const char* value) {
    if (!m_saved.count(name)) {
      const char* old = std::getenv(name.c_str());
      m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value) {
      setenv(name.c_str(), value, 1);
    } else {
      unsetenv(name.c_str());
    }
  }

 private:
  std::map<std::string, std::optional<std::string>> m_saved;
};

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { m_environment.Set("TRQX_REGISTRY", m_folder.Path().c_str()); }
  std::string Hive() const { return m_folder.File("HKEY_CURRENT_USER"); }

  ScratchFolder m_folder;
  EnvironmentGuard m_environment;
  std::string m_value;
};

TEST_F(RegistryTest, HiveFilesFollowTheEnvironment) {
  EXPECT_EQ(Registry::HiveFile(RegistryHive::kLocalMachine), m_folder.File("HKEY_LOCAL_MACHINE"));
  EXPECT_EQ(Registry::HiveFile(RegistryHive::kCurrentUser), Hive());

  m_environment.Set("TRQX_REGISTRY", nullptr);
  m_environment.Set("HOME", "/home/desk");
  m_environment.Set("XDG_CONFIG_HOME", "/cfg");
  EXPECT_EQ(Registry::HiveFile(RegistryHive::kLocalMachine),
            "/etc/trqx/registry/HKEY_LOCAL_MACHINE");
  EXPECT_EQ(Registry::HiveFile(RegistryHive::kCurrentUser), "/cfg/trqx/registry/HKEY_CURRENT_USER");
  m_environment.Set("XDG_CONFIG_HOME", "relative");
  EXPECT_EQ(Registry::HiveFile(RegistryHive::kCurrentUser),
            "/home/desk/.config/trqx/registry/HKEY_CURRENT_USER");
  m_environment.Set("XDG_CONFIG_HOME", nullptr);
  EXPECT_EQ(Registry::HiveFile(RegistryHive::kCurrentUser),
            "/home/desk/.config/trqx/registry/HKEY_CURRENT_USER");
}

TEST_F(RegistryTest, MissingHiveKeyOrValueIsCodeTwo) {
  EXPECT_EQ(Registry::KeyExists(RegistryHive::kCurrentUser, kUserInfo), Registry::kNotFound);
  EXPECT_EQ(Registry::ReadString(RegistryHive::kCurrentUser, kUserInfo, "USERUUID", 30, m_value),
            Registry::kNotFound);

  WriteWholeFile(Hive(), "[Software\\Norvane L.P.\\User Info]\nSerial Number=SN1\n");
  EXPECT_EQ(Registry::ReadString(RegistryHive::kCurrentUser, kUserInfo, "USERUUID", 30, m_value),
            Registry::kNotFound);
  EXPECT_EQ(Registry::ReadString(RegistryHive::kCurrentUser, "Software\\VEXO_PATH",
                                 "ApplicationPath", 199, m_value),
            Registry::kNotFound);
  EXPECT_EQ(Registry::KeyExists(RegistryHive::kCurrentUser, "Software\\VEXO_PATH"),
            Registry::kNotFound);
  // The other hive is a file of its own.
  EXPECT_EQ(
      Registry::ReadString(RegistryHive::kLocalMachine, kUserInfo, "Serial Number", 30, m_value),
      Registry::kNotFound);
  ASSERT_EQ(
      Registry::ReadString(RegistryHive::kCurrentUser, kUserInfo, "Serial Number", 30, m_value),
      Registry::kSuccess);
  EXPECT_EQ(m_value, "SN1");
}

TEST_F(RegistryTest, KeyExistsThroughItsOwnOrALowerSection) {
  WriteWholeFile(Hive(), "[Software\\Norvane L.P.\\User Info]\n");
  const std::vector<std::string> present = {"Software", "Software\\Norvane L.P.", kUserInfo,
                                            "SOFTWARE\\norvane l.p.\\USER INFO", ""};
  for (const std::string& key : present) {
    EXPECT_EQ(Registry::KeyExists(RegistryHive::kCurrentUser, key), Registry::kSuccess) << key;
  }
  const std::vector<std::string> absent = {"Soft", "Software\\Norvane",
                                           "Software\\Norvane L.P.\\User"};
  for (const std::string& key : absent) {
    EXPECT_EQ(Registry::KeyExists(RegistryHive::kCurrentUser, key), Registry::kNotFound) << key;
  }
}

TEST_F(RegistryTest, ReadFindsTheValueOfItsOwnSectionOnly) {
  WriteWholeFile(Hive(),
                 "; desk machine\n"
                 "USERUUID=root\n"
                 "[Software\\Norvane L.P.]\n"
                 "USERUUID=parent\n"
                 "  [software\\norvane l.p.\\user info]  \r\n"
                 "  userUUID =  4711 \r\n"
                 "USERUUID=second\n"
                 "[Other]\n"
                 "USERUUID=other\n");
  ASSERT_EQ(Registry::ReadString(RegistryHive::kCurrentUser, kUserInfo, "USERUUID", 30, m_value),
            Registry::kSuccess);
  EXPECT_EQ(m_value, "  4711 ");
  ASSERT_EQ(Registry::ReadString(RegistryHive::kCurrentUser, "Software\\Norvane L.P.", "USERUUID",
                                 30, m_value),
            Registry::kSuccess);
  EXPECT_EQ(m_value, "parent");
}

TEST_F(RegistryTest, ValueLongerThanTheLimitIsMoreData) {
  const std::string thirty(30, '7');
  WriteWholeFile(Hive(), "[" + kUserInfo + "]\nA=" + thirty + "\nB=" + thirty + "8\nC=\n");
  ASSERT_EQ(Registry::ReadString(RegistryHive::kCurrentUser, kUserInfo, "A", 30, m_value),
            Registry::kSuccess);
  EXPECT_EQ(m_value, thirty);
  EXPECT_EQ(Registry::ReadString(RegistryHive::kCurrentUser, kUserInfo, "B", 30, m_value),
            Registry::kMoreData);
  EXPECT_EQ(m_value, "");
  m_value = "stale";
  EXPECT_EQ(Registry::ReadString(RegistryHive::kCurrentUser, kUserInfo, "C", 0, m_value),
            Registry::kSuccess);
  EXPECT_EQ(m_value, "");
}

TEST_F(RegistryTest, WriteCreatesFolderFileAndKey) {
  m_environment.Set("TRQX_REGISTRY", m_folder.File("a/b").c_str());
  ASSERT_EQ(Registry::WriteString(RegistryHive::kLocalMachine, "SOFTWARE\\Norvane L.P.\\Quorvel",
                                  "PollingDir", "/home/desk/poll"),
            Registry::kSuccess);
  EXPECT_EQ(ReadWholeFile(m_folder.File("a/b/HKEY_LOCAL_MACHINE")),
            "[SOFTWARE\\Norvane L.P.\\Quorvel]\nPollingDir=/home/desk/poll\n");
  EXPECT_EQ(Registry::KeyExists(RegistryHive::kLocalMachine, "Software"), Registry::kSuccess);
  ASSERT_EQ(Registry::ReadString(RegistryHive::kLocalMachine, "software\\norvane l.p.\\quorvel",
                                 "pollingdir", 200, m_value),
            Registry::kSuccess);
  EXPECT_EQ(m_value, "/home/desk/poll");
}

TEST_F(RegistryTest, WriteKeepsEveryOtherLine) {
  const std::string before =
      "# hand-written\n"
      "[Software\\Norvane L.P.\\User Info]\n"
      "serial number=OLD\n"
      "USERUUID=12\n"
      "\n"
      "[Software\\VEXO_PATH]\n"
      "ApplicationPath=/opt/vexo\n";
  WriteWholeFile(Hive(), before);
  ASSERT_EQ(Registry::WriteString(RegistryHive::kCurrentUser, kUserInfo, "Serial Number", "NEW"),
            Registry::kSuccess);
  ASSERT_EQ(Registry::WriteString(RegistryHive::kCurrentUser, kUserInfo, "Added", " a b "),
            Registry::kSuccess);
  ASSERT_EQ(Registry::WriteString(RegistryHive::kCurrentUser, "Software\\New", "X", "1"),
            Registry::kSuccess);
  EXPECT_EQ(ReadWholeFile(Hive()),
            "# hand-written\n"
            "[Software\\Norvane L.P.\\User Info]\n"
            "serial number=NEW\n"
            "USERUUID=12\n"
            "Added= a b \n"
            "\n"
            "[Software\\VEXO_PATH]\n"
            "ApplicationPath=/opt/vexo\n"
            "\n"
            "[Software\\New]\n"
            "X=1\n");
  ASSERT_EQ(Registry::ReadString(RegistryHive::kCurrentUser, kUserInfo, "Added", 30, m_value),
            Registry::kSuccess);
  EXPECT_EQ(m_value, " a b ");
}

TEST_F(RegistryTest, WriteRefusesWhatALineCannotHold) {
  WriteWholeFile(Hive(), "[K]\nA=1\n");
  const std::pair<std::string, std::string> bad[] = {
      {"", "A"},   {"K]", "A"}, {"K\nX", "A"}, {"K", "A=B"},
      {"K", " A"}, {"K", "[A"}, {"K", ";A"},   {"K", "A\n"},
  };
  for (const auto& [key, name] : bad) {
    EXPECT_EQ(Registry::WriteString(RegistryHive::kCurrentUser, key, name, "v"),
              Registry::kInvalidParameter)
        << key << "/" << name;
  }
  EXPECT_EQ(Registry::WriteString(RegistryHive::kCurrentUser, "K", "A", "two\nlines"),
            Registry::kInvalidParameter);
  EXPECT_EQ(ReadWholeFile(Hive()), "[K]\nA=1\n");
}

TEST_F(RegistryTest, UnreadableHiveIsNotTakenAsMissing) {
  std::filesystem::create_directory(Hive());  // a folder where the file should be
  EXPECT_EQ(Registry::ReadString(RegistryHive::kCurrentUser, "K", "A", 30, m_value),
            Registry::kAccessDenied);
  EXPECT_EQ(Registry::WriteString(RegistryHive::kCurrentUser, "K", "A", "v"),
            Registry::kAccessDenied);
}

}  // namespace
}  // namespace trqx
