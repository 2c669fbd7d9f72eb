#include "fuzz_support.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fuzzsupport {

namespace {

// Before anything opens SDL: no display and no sound card needed.
const bool kHeadless = [] {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("LP_NUM_THREADS", "0", 0);
    return true;
}();

LRESULT windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

struct Headless {
    HWND window = nullptr;
    IDirect3DDevice8* device = nullptr;

    Headless() {
        WNDCLASSEX wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = windowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "Fuzz Window";
        RegisterClassExA(&wc);
        window = CreateWindowExA(0, "Fuzz Window", "Fuzz Window", WS_POPUP, 0, 0, 640, 480, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
        if (!window || !d3d) return;
        D3DPRESENT_PARAMETERS params{};
        params.BackBufferWidth = 800;
        params.BackBufferHeight = 600;
        params.BackBufferFormat = D3DFMT_A8R8G8B8;
        params.SwapEffect = D3DSWAPEFFECT_DISCARD;
        params.EnableAutoDepthStencil = TRUE;
        params.AutoDepthStencilFormat = D3DFMT_D24S8;
        d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params,
                          &device);
        // Kept for the whole process, like the game's own device.
    }
};

Headless& headless() {
    static Headless instance;
    return instance;
}

}  // namespace

IDirect3DDevice8* device() { return headless().device; }
HWND window() { return headless().window; }

std::string scratchFile(const uint8_t* data, size_t size, const char* extension) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("rock-fuzz-" + std::to_string(getpid()));
    static const bool made = [&] {
        std::filesystem::create_directories(folder);
        // Gone with the process (a crash leaves it, with the input in it).
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(std::filesystem::temp_directory_path() /
                                            ("rock-fuzz-" + std::to_string(getpid())),
                                        ignored);
        });
        return true;
    }();
    (void)made;
    const std::string path = (folder / (std::string("input") + extension)).string();
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), std::streamsize(size));
    return path;
}

std::string text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string cut(const std::string& file, size_t keep) { return file.substr(0, keep < file.size() ? keep : file.size()); }

std::string poke(std::string file, size_t at, uint8_t value) {
    if (at < file.size()) file[at] = char(value);
    return file;
}

}  // namespace fuzzsupport
