#include "ui/relaunch.h"
#include "config/policy.h"

std::u16string quotedPathArgument(std::u16string_view path) {
  std::u16string out = u"\"";
  out += path;
  if (!path.empty() && path.back() == u'\\') out += u'\\';
  return out + u"\"";
}

std::u16string administratorStartParameters(bool startupCardOn, std::u16string_view folder) {
  std::u16string parameters = u"--activate";
  if (!startupCardOn) parameters += u" --no-splash";
  if (!folder.empty()) parameters += u" " + quotedPathArgument(folder);
  return parameters;
}

bool administratorStartWanted(bool elevateSetting, bool elevateOption, uint8_t fastScanState) {
  return (elevateSetting || elevateOption) && fastScanState == kFastScanRestart;
}

std::u16string fastScanRelaunchParameters(std::u16string_view folder, char16_t driveLetter) {
  std::u16string parameters = u"--activate";
  if (!folder.empty())
    parameters += u" " + quotedPathArgument(folder);
  else if (driveLetter)
    parameters += u" " + quotedPathArgument(std::u16string{driveLetter, u':', u'\\'});
  return parameters;
}

std::u16string restartCommandLine(bool isAdministrator, std::u16string_view importPath, std::u16string_view folder) {
  std::u16string line = isAdministrator ? u"--elevate" : u"";
  if (!importPath.empty()) {
    if (!line.empty()) line += u' ';
    line += u"--import " + quotedPathArgument(importPath);
  } else if (!folder.empty()) {
    if (!line.empty()) line += u' ';
    line += quotedPathArgument(folder);
  }
  return line;
}
