#include "engine/tree.h"
#include "app/start_options.h"
#include "treemap/schemes.h"
#include "config/start_settings.h"
#include "platform/scan_path.h"
#include "base/short_text.h"
#include "platform/text.h"

namespace {
constexpr std::u16string_view kOptionTable[] = {
    u"--ui-bench", u"--frames", u"--out", u"--theme", u"--import", u"--accent", u"--updated",
    u"--scheme", u"--no-splash", u"--elevate", u"--no-elevate", u"--test-input", u"--activate",
    u"--bench", u"--dump-policy", u"--export", u"--apply-update", u"--delete-old", u"--update-selftest"};

bool takesValue(std::u16string_view argument) {
  return argument == u"--theme" || argument == u"--import" || argument == u"--accent" ||
         argument == u"--updated" || argument == u"--scheme";
}

// Fills each %ls of the pattern with the next value.
std::u16string fill(std::u16string_view pattern, std::u16string_view first, std::u16string_view second = u"") {
  std::u16string text;
  std::u16string_view values[] = {first, second};
  size_t next = 0;
  for (size_t i = 0; i < pattern.size(); i++) {
    if (pattern.substr(i, 3) == u"%ls" && next < 2) {
      text += values[next++];
      i += 2;
    } else {
      text += pattern[i];
    }
  }
  return text;
}

char16_t upperAscii(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }
}

bool isKnownOption(std::u16string_view argument) {
  for (std::u16string_view name : kOptionTable)
    if (argument == name) return true;
  return false;
}

bool isOptionName(std::u16string_view argument) {
  return isKnownOption(argument) || argument == u"--mft" || argument == u"--runs" || argument == u"--width" ||
         argument == u"--height" || argument == u"--types";
}

StartOptions readStartOptions(std::span<const std::u16string> args) {
  StartOptions options;
  for (size_t i = 1; i < args.size(); i++) {
    std::u16string_view argument = args[i];
    if (argument == u"--") break;
    if (takesValue(argument)) {
      if (i + 1 >= args.size()) break;
      std::u16string_view value = args[++i];
      if (argument == u"--theme")
        options.theme = equalIgnoringCase(value, u"dark") ? 1 : equalIgnoringCase(value, u"light") ? 0 : -1;
      else if (argument == u"--import")
        options.importPath = value;
      else if (argument == u"--accent")
        options.accentIndex = accentIndexFromName(value);
      else if (argument == u"--scheme")
        options.mapScheme = mapSchemeFromName(value);
      else {
        options.updated = true;
        options.updatedProcessId = leadingDecimal(value);
      }
    } else if (argument == u"--no-splash") {
      options.noSplash = true;
    } else if (argument == u"--elevate") {
      options.elevate = true;
    } else if (argument == u"--no-elevate") {
      options.noElevate = true;
    } else if (argument == u"--test-input") {
      options.testInput = true;
    } else if (argument == u"--activate") {
      options.activate = true;
    }
  }
  return options;
}

StartTarget findStartTarget(std::span<const std::u16string> args, std::u16string_view importPath) {
  StartTarget result;
  std::u16string targetText;
  bool positionalOnly = false;
  for (size_t i = 1; i < args.size(); i++) {
    std::u16string_view argument = args[i];
    if (positionalOnly || argument.empty() || argument[0] != u'-') {
      if (argument.empty()) continue;
      if (targetText.empty())
        targetText = argument;
      else  // the last extra folder wins over any earlier error
        result.error = fill(u"Give one folder or drive to scan, not more: %ls, %ls", targetText, argument);
    } else if (argument == u"--") {
      positionalOnly = true;
    } else if (takesValue(argument)) {
      i++;
    } else if (!isKnownOption(argument) || argument == u"--ui-bench" || argument == u"--frames" ||
               argument == u"--out") {
      if (result.error.empty())
        result.error = fill(u"Unknown option %ls: give the folder or drive to scan on its own.", argument);
    }
  }
  if (targetText.empty() || !result.error.empty()) return result;

  const bool drives = kPathSeparator == u'\\';
  if (drives && targetText.size() == 2 && targetText[1] == u':') targetText += u'\\';
  std::u16string normal = normalizeScanPath(targetText, BareDrive::Root);
  if (drives && !importPath.empty() && normal.size() == 3 && normal[1] == u':') {
    result.target.drive = upperAscii(normal[0]);
  } else if (isExistingFolder(normal)) {
    result.target.drive = upperAscii(normal[0]);
    result.target.folder = normal;
  } else {
    result.error = fill(u"Not a folder or drive: %ls", targetText);
  }
  return result;
}

ParsedStart parseStartOptions(std::span<const std::u16string> args) {
  ParsedStart parsed;
  parsed.options = readStartOptions(args);
  StartTarget target = findStartTarget(args, parsed.options.importPath);
  parsed.target = target.target;
  parsed.error = target.error;
  return parsed;
}
