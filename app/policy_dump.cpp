#include "app/policy_dump.h"
#include "platform/console.h"
#include "app/json.h"
#include "config/start_settings.h"
#include "platform/platform.h"
#include "update/update_config.h"

namespace {
void appendSource(std::u16string& json, uint8_t source) {
  if (source == kPolicyFromMachine) json += u"\"machine\"";
  else if (source == kPolicyFromUser) json += u"\"user\"";
  else appendJsonNull(json);
}

// "name":{"source":...,"value": — the caller writes the value and the closing brace.
void openPolicy(std::u16string& json, bool first, std::u16string_view name, uint8_t source) {
  if (!first) json += u',';
  appendJsonString(json, name);
  json += u":{\"source\":";
  appendSource(json, source);
  json += u",\"value\":";
}

void appendFlagPolicy(std::u16string& json, std::u16string_view name, uint8_t value, uint8_t source) {
  openPolicy(json, false, name, source);
  appendJsonBool(json, value != 0);
  json += u'}';
}

void appendFolderPolicy(std::u16string& json, std::u16string_view name, const std::vector<std::u16string>& folders,
                        uint8_t source) {
  openPolicy(json, false, name, source);
  json += u'[';
  for (size_t i = 0; i < folders.size(); i++) {
    if (i) json += u',';
    appendJsonString(json, folders[i]);
  }
  json += u"]}";
}

void appendPolicies(std::u16string& json, const PolicyRecord& p) {
  const PolicySources& from = p.source;
  json += u"{\"policies\":{";
  openPolicy(json, true, u"DefaultSizeMode", from.defaultSizeMode);
  if (p.defaultSizeMode < 0) appendJsonNull(json);
  else appendJsonString(json, p.defaultSizeMode == 0 ? u"Logical" : u"OnDisk");
  json += u'}';
  appendFlagPolicy(json, u"DisableMftScan", p.disableMftScan, from.disableMftScan);
  appendFlagPolicy(json, u"HideRestartAsAdmin", p.hideRestartAsAdmin, from.hideRestartAsAdmin);
  appendFolderPolicy(json, u"AllowedPaths", p.allowedPaths, from.allowedPaths);
  appendFlagPolicy(json, u"DisableMemoryGame", p.disableMemoryGame, from.disableMemoryGame);
  appendFolderPolicy(json, u"ProtectedPaths", p.protectedPaths, from.protectedPaths);
  appendFlagPolicy(json, u"DisableDelete", p.disableDelete, from.disableDelete);
  openPolicy(json, false, u"UpdateCheck", from.updateCheck);
  if (p.updateCheck < 0) appendJsonNull(json);
  else appendJsonInteger(json, p.updateCheck);
  json += u'}';
  openPolicy(json, false, u"UpdateUrl", from.updateUrl);
  if (p.updateUrl.empty()) appendJsonNull(json);
  else appendJsonString(json, p.updateUrl);
  json += u"}}";
}

void appendDrives(std::u16string& json, const PolicyDumpFacts& facts) {
  json += u"\"drives\":{";
  for (size_t i = 0; i < facts.drives.size(); i++) {
    const DriveEntry& drive = facts.drives[i];
    DriveStatus status = drive.letter ? driveStatus(facts.policies, drive.letter)
                                      : driveStatusOfRoot(facts.policies, drive.rootPath);
    if (i) json += u',';
    appendJsonString(json, driveName(drive));
    json += u':';
    if (status.status == kDriveAllowed) appendJsonString(json, u"allowed");
    else if (status.status == kDriveBlocked) appendJsonString(json, u"blocked");
    else appendJsonString(json, u"only " + status.folder);
  }
  json += u'}';
}
}  // namespace

std::u16string policyDumpJson(const PolicyDumpFacts& facts) {
  const PolicyRecord& p = facts.policies;
  std::u16string json;
  appendPolicies(json, p);
  json += u",\"effective\":{\"sizeMode\":";
  appendJsonString(json, facts.sizeMode == SizeMode::Logical ? u"Logical" : u"OnDisk");
  json += u",\"mftScan\":";
  appendJsonBool(json, facts.scanMode == ScanMode::Mft);
  json += u",\"elevated\":";
  appendJsonBool(json, facts.isAdministrator);
  json += u",\"restartAsAdminVisible\":";
  appendJsonBool(json, !facts.isAdministrator && !p.disableMftScan && !p.hideRestartAsAdmin);
  json += u",\"fastScan\":{\"admin\":";
  appendJsonString(json, p.disableMftScan ? u"turnedOff" : u"available");
  json += u",\"standardUser\":";
  appendJsonString(json, p.disableMftScan       ? u"turnedOff"
                         : p.hideRestartAsAdmin ? u"restartTurnedOff"
                                                : u"restartsAsAdmin");
  json += u"},\"memoryGame\":";
  appendJsonBool(json, !p.disableMemoryGame);
  json += u',';
  appendDrives(json, facts);
  json += u",\"updates\":{\"check\":";
  appendJsonString(json, p.updateCheck == 0 ? u"off" : p.updateCheck == 1 ? u"automatic" : u"user");
  json += u",\"automatic\":";
  appendJsonBool(json, facts.automaticUpdates);
  json += u",\"manifestUrl\":";
  appendJsonString(json, facts.manifestUrl);
  json += u"}},\"settingsFile\":";
  appendJsonString(json, facts.settingsFile);
  json += u'}';
  return json;
}

int runPolicyDump(const ProgramSettings& settings) {
  PolicyDumpFacts facts;
  facts.policies = settings.policies;
  facts.isAdministrator = isAdministrator();
  facts.scanMode = effectiveScanMode(facts.isAdministrator, settings.policies, settings.location);
  facts.sizeMode = effectiveSizeMode(settings.policies, settings.location);
  // The machine's drives, as the window lists them when no CSV files are given.
  facts.drives = enumerateDrives(u"");
  facts.automaticUpdates = automaticUpdateChecks(settings.policies, settings.location);
  facts.manifestUrl = manifestUrl(settings.policies, settings.location).url;
  facts.settingsFile = settings.location.file;
  writeConsole(policyDumpJson(facts) + u"\r\n");
  return 0;
}
