// The engine's failure reasons in the fixed English words the headless modes print
// (the window shows the same reasons from the language pack, ui/failure_text.h).
//
// Threading: any thread; pure functions.
#pragma once
#include "engine/failure.h"
#include <string>
#include <string_view>

// "not an NTFS volume", …; empty for None.
std::u16string_view mftFailureText(MftFailure failure);
// "Stopped.", "Not enough memory." or the system's message for the error code.
std::u16string exportFailureText(const ExportFailure& failure);
// Why a file did not import, after "Import of <file> failed: "; empty for None.
std::u16string importFailureText(const ImportFailure& failure);
