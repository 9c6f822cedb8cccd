// The numbers of everything interactive the main window paints, and the 32-bit
// element code of one instance (id × 4096 + sub-index + 1) that commands and
// accessibility pass around.
//
// Threading: pure values and functions.
#pragma once
#include <cstdint>

enum class ElementId : int32_t {
  None = 0,
  Drive = 1,               // sub-index: drive list entry
  StandardScan = 2,
  FastScan = 3,
  Up = 4,
  ScanButton = 5,          // stop / rescan
  Export = 6,
  LogicalSizes = 7,
  SizesOnDisk = 8,
  DecimalUnits = 9,
  BinaryUnits = 10,
  ClearFilters = 11,
  About = 12,
  Settings = 13,
  Version = 14,
  ElevateAtStart = 15,     // "Always start as administrator"
  UseFastScan = 16,        // the fast-scan tip's button
  BreadcrumbSegment = 17,  // sub-index: segment
  Address = 18,            // the breadcrumb bar as a whole
  PerformanceHeader = 19,
  Continue = 20,
  NoticeAction = 21,
  CloseNotice = 22,
  ViewTab = 23,            // sub-index: 0 Map, 1 Files, 2 Extensions
  MarksPill = 24,
  ReviewMain = 25,
  ReviewSecond = 26,
  ReviewBack = 27,
  Map = 28,                // sub-index 0: the focused cell
  List = 29,
  SearchEdit = 30,
  TypesEdit = 31,
  SizeEdit = 32,
  AddressEdit = 33,
  ReadOnlyText = 34,       // sub-index: ReadOnlyText below
  Splitter = 35,
};
constexpr int32_t kLastElementId = 35;

// Sub-indices of ElementId::ReadOnlyText.
enum : int32_t {
  kStatusLineText = 1,
  kNoticeText = 2,
  kRunningAsAdministratorText = 3,
  kPerformanceText = 4,
  kLeftOutText = 5,
  kReviewCardText = 6,
  kDropHintText = 7,
};

struct ElementRef {
  ElementId id = ElementId::None;
  int32_t sub = -1;   // -1: the element has no sub-index
  bool operator==(const ElementRef&) const = default;
};

constexpr int32_t elementCode(ElementRef e) { return static_cast<int32_t>(e.id) * 4096 + e.sub + 1; }

// A code from outside the window procedure (a posted message, a screen reader):
// ids outside 0..35 become None.
constexpr ElementRef elementFromCode(int32_t code) {
  if (code < 0) return {ElementId::None, -1};
  int32_t id = code / 4096;
  if (id > kLastElementId) return {ElementId::None, -1};
  return {static_cast<ElementId>(id), code % 4096 - 1};
}
