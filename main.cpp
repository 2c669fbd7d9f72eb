// The executable only hands over to the program's entry point.
#include "WinMain.h"

int main() { return WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), 1); }
