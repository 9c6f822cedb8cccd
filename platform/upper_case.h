// The system's upper-case mapping behind upperCaseTable(), one implementation per platform.
#pragma once

// Fills entries 1..65535 of `table` with the upper-case form of each code unit;
// entry 0 stays 0.
void fillUpperCaseTable(char16_t* table);
