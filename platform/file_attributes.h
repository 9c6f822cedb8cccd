// The Windows attribute bits: what the tree stores for every node on both builds. The
// native listing maps POSIX modes onto them, the MFT reader takes them from the record.
//
// Threading: constants only.
#pragma once
#include <cstdint>

constexpr uint32_t kAttributeReadOnly = 0x1;
constexpr uint32_t kAttributeHidden = 0x2;
constexpr uint32_t kAttributeSystem = 0x4;
constexpr uint32_t kAttributeDirectory = 0x10;
constexpr uint32_t kAttributeArchive = 0x20;
constexpr uint32_t kAttributeNormal = 0x80;
constexpr uint32_t kAttributeSparse = 0x200;
constexpr uint32_t kAttributeReparsePoint = 0x400;
constexpr uint32_t kAttributeCompressed = 0x800;
constexpr uint32_t kAttributeOffline = 0x1000;
constexpr uint32_t kAttributeRecallOnOpen = 0x40000;
constexpr uint32_t kAttributeRecallOnDataAccess = 0x400000;
constexpr uint32_t kAttributeCloudMask = 0x441000;     // online-only: nothing on disk
