// The fast scan through the real Windows volume reader. Under Wine there is no NTFS
// volume: the scan must end with one of its fixed texts and leave nothing open.
#include "engine/mft_scan.h"
#include "app/failure_text.h"
#include "base/utf.h"
#include "tests/engine/test_tree.h"
#include <set>
#include <gtest/gtest.h>

namespace {

const std::set<std::u16string> kVolumeFailures = {
    u"administrator rights required", u"cannot open volume", u"not an NTFS volume",
    u"cannot read $MFT", u"cannot decode $MFT run list", u"read error", u"root directory record missing"};

TEST(MftVolume, DriveScansFailCleanlyWithoutNtfs) {
  for (const char16_t* path : {u"C:\\", u"C:\\windows", u"Z:\\", u"Q:\\Nothing\\Here"}) {
    TestTree t;
    ScanProgress progress;
    MftFailure failure = MftFailure::None;
    EXPECT_FALSE(mftScan(t.tree, path, progress, failure)) << utf8FromUtf16(path);
    std::u16string error(mftFailureText(failure));
    EXPECT_TRUE(kVolumeFailures.count(error)) << utf8FromUtf16(path) << ": " << utf8FromUtf16(error);
  }
}

TEST(MftVolume, PathsThatAreNoLocalDrive) {
  for (std::u16string_view path : {std::u16string_view(u"C:"), std::u16string_view(u"\\\\server\\share"),
                                   std::u16string_view(u"relative\\path"), std::u16string_view(u"C\0:\\", 4),
                                   std::u16string_view(u"")}) {
    TestTree t;
    ScanProgress progress;
    MftFailure failure = MftFailure::None;
    EXPECT_FALSE(mftScan(t.tree, path, progress, failure));
    EXPECT_EQ(failure, MftFailure::NotLocalDrivePath) << utf8FromUtf16(path);
  }
}

}  // namespace
