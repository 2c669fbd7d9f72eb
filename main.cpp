// The executable hands over to the program's entry point and turns its
// result into the process's status: 0 after a normal quit, 1 when the
// start-up failed (it has said why on stderr).
#include "WinMain.h"

int main() {
    const int result = WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), 1);
    return result == 1 ? 0 : 1;
}
