// The folders of the system and of this program that may never be marked for
// deletion as a whole: on Windows the Windows folder, the Program Files folders,
// ProgramData and the program's own executable; natively the system's own trees
// and the executable. The settings folder and the policy's list join them elsewhere.
//
// Threading: any thread; reads the environment and the process's own path.
#pragma once
#include <string>
#include <vector>

// Each path in full, in the order asked; a query that fails or gives a path of
// 260 units or more adds nothing.
std::vector<std::u16string> systemFoldersToProtect();
