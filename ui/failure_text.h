// The engine's failure reasons as the window shows them, from the language pack
// (the headless modes print the same reasons in fixed English, app/failure_text.h).
//
// Threading: window thread (the language pack is read there).
#pragma once
#include "config/language.h"
#include "engine/failure.h"
#include <string>

// The text number of a fast-scan failure; Text(0) for None.
Text mftFailureTextId(MftFailure failure);
// "MFT unavailable (not an NTFS volume), used directory walk"; empty for None.
std::u16string fastScanFallbackNotice(MftFailure failure);
// "Stopped.", "Not enough memory." or `systemText` of the error code.
std::u16string exportFailureReasonText(const ExportFailure& failure, std::u16string (*systemText)(uint32_t code));
