// The drive list as tests see it: in test-input mode each entry's title and second
// line are published with the window's other test properties.
//
// Threading: the window thread.
#pragma once

struct MainWindow;

// MossbloomTest.DriveCount, and MossbloomTest.Drive<N> (a global atom) holding
// "<title>\t<second line>" for entry N; only in test-input mode.
void publishDriveTexts(MainWindow& w);
