// The policy dump's JSON from given facts: every member in its place, sources,
// values, the effective settings they lead to, drive statuses and the update
// configuration. The program's own run against the real registry is in
// tests/e2e/both/policy_dump.py.
#include "app/policy_dump.h"
#include "engine/tree.h"
#include "base/utf.h"
#include <gtest/gtest.h>

namespace {
const bool kWindows = kPathSeparator == u'\\';

DriveEntry drive(char16_t letter, std::u16string_view root) {
  DriveEntry entry;
  entry.letter = letter;
  entry.rootPath = root;
  entry.label = u"Local Disk";
  entry.fileSystem = u"NTFS";
  return entry;
}

// Three drives: C, D, E on Windows; natively the mount points /, /data and /home.
std::vector<DriveEntry> threeDrives() {
  if (kWindows) return {drive(u'C', u"C:\\"), drive(u'D', u"D:\\"), drive(u'E', u"E:\\")};
  return {drive(0, u"/"), drive(0, u"/data"), drive(0, u"/home")};
}

PolicyDumpFacts baseFacts() {
  PolicyDumpFacts facts;
  facts.drives = threeDrives();
  facts.manifestUrl = u"https://mossbloom.example/update/manifest.txt";
  facts.settingsFile = u"C:\\Users\\Ann \"A\"\\settings.ini";
  return facts;
}

std::string dump(const PolicyDumpFacts& facts) { return utf8FromUtf16(policyDumpJson(facts)); }

std::string drivesJson(const char* windows, const char* posix) { return kWindows ? windows : posix; }

// Every value set, all from one hive.
PolicyRecord everyPolicy(uint8_t source) {
  PolicyRecord p;
  p.defaultSizeMode = 0;
  p.updateCheck = 0;
  p.disableMftScan = p.hideRestartAsAdmin = p.disableMemoryGame = p.disableDelete = 1;
  p.allowedPaths = {kWindows ? u"D:\\Data" : u"/data/projects"};
  p.protectedPaths = {kWindows ? u"C:\\Windows" : u"/etc", kWindows ? u"C:\\Program Files" : u"/usr"};
  p.updateUrl = u"https://intranet.example/mb/";
  PolicySources& s = p.source;
  s.defaultSizeMode = s.disableMftScan = s.hideRestartAsAdmin = s.allowedPaths = s.disableMemoryGame = source;
  s.protectedPaths = s.disableDelete = s.updateCheck = s.updateUrl = source;
  return p;
}
}  // namespace

TEST(PolicyDump, NoPolicies) {
  PolicyDumpFacts facts = baseFacts();
  EXPECT_EQ(dump(facts),
            "{\"policies\":{"
            "\"DefaultSizeMode\":{\"source\":null,\"value\":null},"
            "\"DisableMftScan\":{\"source\":null,\"value\":false},"
            "\"HideRestartAsAdmin\":{\"source\":null,\"value\":false},"
            "\"AllowedPaths\":{\"source\":null,\"value\":[]},"
            "\"DisableMemoryGame\":{\"source\":null,\"value\":false},"
            "\"ProtectedPaths\":{\"source\":null,\"value\":[]},"
            "\"DisableDelete\":{\"source\":null,\"value\":false},"
            "\"UpdateCheck\":{\"source\":null,\"value\":null},"
            "\"UpdateUrl\":{\"source\":null,\"value\":null}},"
            "\"effective\":{\"sizeMode\":\"OnDisk\",\"mftScan\":false,\"elevated\":false,"
            "\"restartAsAdminVisible\":true,"
            "\"fastScan\":{\"admin\":\"available\",\"standardUser\":\"restartsAsAdmin\"},"
            "\"memoryGame\":true,\"drives\":{" +
                drivesJson("\"C\":\"allowed\",\"D\":\"allowed\",\"E\":\"allowed\"",
                           "\"/\":\"allowed\",\"/data\":\"allowed\",\"/home\":\"allowed\"") +
                "},"
                "\"updates\":{\"check\":\"user\",\"automatic\":false,"
                "\"manifestUrl\":\"https://mossbloom.example/update/manifest.txt\"}},"
                "\"settingsFile\":\"C:\\\\Users\\\\Ann \\\"A\\\"\\\\settings.ini\"}");
}

TEST(PolicyDump, EveryPolicyFromTheMachine) {
  PolicyDumpFacts facts = baseFacts();
  facts.policies = everyPolicy(kPolicyFromMachine);
  facts.isAdministrator = true;
  facts.sizeMode = SizeMode::Logical;
  EXPECT_EQ(dump(facts),
            "{\"policies\":{"
            "\"DefaultSizeMode\":{\"source\":\"machine\",\"value\":\"Logical\"},"
            "\"DisableMftScan\":{\"source\":\"machine\",\"value\":true},"
            "\"HideRestartAsAdmin\":{\"source\":\"machine\",\"value\":true},"
            "\"AllowedPaths\":{\"source\":\"machine\",\"value\":[" +
                drivesJson("\"D:\\\\Data\"", "\"/data/projects\"") +
                "]},"
                "\"DisableMemoryGame\":{\"source\":\"machine\",\"value\":true},"
                "\"ProtectedPaths\":{\"source\":\"machine\",\"value\":[" +
                drivesJson("\"C:\\\\Windows\",\"C:\\\\Program Files\"", "\"/etc\",\"/usr\"") +
                "]},"
                "\"DisableDelete\":{\"source\":\"machine\",\"value\":true},"
                "\"UpdateCheck\":{\"source\":\"machine\",\"value\":0},"
                "\"UpdateUrl\":{\"source\":\"machine\",\"value\":\"https://intranet.example/mb/\"}},"
                "\"effective\":{\"sizeMode\":\"Logical\",\"mftScan\":false,\"elevated\":true,"
                "\"restartAsAdminVisible\":false,"
                "\"fastScan\":{\"admin\":\"turnedOff\",\"standardUser\":\"turnedOff\"},"
                "\"memoryGame\":false,\"drives\":{" +
                drivesJson("\"C\":\"blocked\",\"D\":\"only D:\\\\Data\",\"E\":\"blocked\"",
                           "\"/\":\"only /data/projects\",\"/data\":\"only /data/projects\",\"/home\":\"blocked\"") +
                "},"
                "\"updates\":{\"check\":\"off\",\"automatic\":false,"
                "\"manifestUrl\":\"https://mossbloom.example/update/manifest.txt\"}},"
                "\"settingsFile\":\"C:\\\\Users\\\\Ann \\\"A\\\"\\\\settings.ini\"}");
}

TEST(PolicyDump, UserSourcesAndTheirValues) {
  PolicyDumpFacts facts = baseFacts();
  facts.policies = everyPolicy(kPolicyFromUser);
  facts.policies.defaultSizeMode = 1;
  facts.policies.updateCheck = 1;
  facts.automaticUpdates = true;
  std::string json = dump(facts);
  EXPECT_EQ(json.find("\"source\":\"machine\""), std::string::npos);
  EXPECT_EQ(json.find("\"source\":null"), std::string::npos);
  EXPECT_NE(json.find("\"DefaultSizeMode\":{\"source\":\"user\",\"value\":\"OnDisk\"}"), std::string::npos) << json;
  EXPECT_NE(json.find("\"UpdateCheck\":{\"source\":\"user\",\"value\":1}"), std::string::npos) << json;
  EXPECT_NE(json.find("\"updates\":{\"check\":\"automatic\",\"automatic\":true,"), std::string::npos) << json;
}

// A list whose entries were all empty still says where it came from, and allows everything.
TEST(PolicyDump, EmptyAllowedPathsWithASource) {
  PolicyDumpFacts facts = baseFacts();
  facts.policies.source.allowedPaths = kPolicyFromUser;
  std::string json = dump(facts);
  EXPECT_NE(json.find("\"AllowedPaths\":{\"source\":\"user\",\"value\":[]}"), std::string::npos) << json;
  EXPECT_NE(json.find(drivesJson("\"drives\":{\"C\":\"allowed\",\"D\":\"allowed\",\"E\":\"allowed\"}",
                                 "\"drives\":{\"/\":\"allowed\",\"/data\":\"allowed\",\"/home\":\"allowed\"}")),
            std::string::npos)
      << json;
}

// The effective members follow from the rights of the process and three policies.
TEST(PolicyDump, EffectiveFastScanAndRestart) {
  const struct {
    bool admin;
    uint8_t disableMft, hideRestart, noGame;
    ScanMode mode;
    const char* expected;
  } cases[] = {
      {true, 0, 0, 0, ScanMode::Mft,
       "\"mftScan\":true,\"elevated\":true,\"restartAsAdminVisible\":false,"
       "\"fastScan\":{\"admin\":\"available\",\"standardUser\":\"restartsAsAdmin\"},\"memoryGame\":true"},
      {false, 0, 1, 0, ScanMode::Walk,
       "\"mftScan\":false,\"elevated\":false,\"restartAsAdminVisible\":false,"
       "\"fastScan\":{\"admin\":\"available\",\"standardUser\":\"restartTurnedOff\"},\"memoryGame\":true"},
      {false, 1, 1, 1, ScanMode::Walk,
       "\"mftScan\":false,\"elevated\":false,\"restartAsAdminVisible\":false,"
       "\"fastScan\":{\"admin\":\"turnedOff\",\"standardUser\":\"turnedOff\"},\"memoryGame\":false"},
      {false, 0, 0, 1, ScanMode::Walk,
       "\"mftScan\":false,\"elevated\":false,\"restartAsAdminVisible\":true,"
       "\"fastScan\":{\"admin\":\"available\",\"standardUser\":\"restartsAsAdmin\"},\"memoryGame\":false"},
  };
  for (const auto& c : cases) {
    PolicyDumpFacts facts = baseFacts();
    facts.isAdministrator = c.admin;
    facts.scanMode = c.mode;
    facts.policies.disableMftScan = c.disableMft;
    facts.policies.hideRestartAsAdmin = c.hideRestart;
    facts.policies.disableMemoryGame = c.noGame;
    std::string json = dump(facts);
    EXPECT_NE(json.find(c.expected), std::string::npos) << json;
  }
}

TEST(PolicyDump, NoDrives) {
  PolicyDumpFacts facts = baseFacts();
  facts.drives.clear();
  EXPECT_NE(dump(facts).find("\"memoryGame\":true,\"drives\":{},\"updates\":{"), std::string::npos);
}
