// Output of the headless modes (export, benchmark, policy dump): the console
// writer, the file writer and the JSON building blocks they print with.
//
// Threading: called on the start-up thread only.
//
// Sections: console · files · JSON
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// --- Console ---------------------------------------------------------------------------
// The one routine every headless mode prints through; `text` carries its own
// "\r\n" line ends. Windows: the standard output handle, else the parent's
// console (a GUI program started from one has no handles of its own); UTF-16
// to a console, UTF-8 without a byte-order mark to a file or pipe; dropped
// silently when there is neither. POSIX: standard output as UTF-8, "\r\n"
// written as "\n".
void writeConsole(std::u16string_view text);

inline void writeConsoleLine(std::u16string_view text) {
  std::u16string line(text);
  line += u"\r\n";
  writeConsole(line);
}

// --- Files -----------------------------------------------------------------------------
// Creates or replaces `path` (no sharing while open) and writes `text` as UTF-8
// without a byte-order mark in one write. False when it cannot be created or written.
bool writeUtf8File(std::u16string_view path, std::u16string_view text);

// --- JSON ------------------------------------------------------------------------------
// A JSON string: quotes, `"` and `\` escaped, units below 0x20 as \u00xx;
// everything else, non-ASCII included, unchanged.
void appendJsonString(std::u16string& out, std::u16string_view text);
// ,"name":[v,v,...] with each value as "%.3f"; always after another member.
void appendJsonNumberArray(std::u16string& out, std::u16string_view name, std::span<const double> values);
void appendJsonBool(std::u16string& out, bool value);
void appendJsonNull(std::u16string& out);
// Plain ASCII pieces of a JSON member: an integer ("%lld") and a "%.3f" number.
void appendJsonInteger(std::u16string& out, int64_t value);
void appendJsonFixed3(std::u16string& out, double value);
