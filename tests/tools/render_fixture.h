// Draws the generated models the way the game does: an 800x600 headless
// device, the game's light, ambient level and texture stage, and frames
// read back from the renderer for measuring.
#pragma once

#include "d3dx8_api.h"
#include "headless_device.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace artcheck {

constexpr uint32_t kBackground = 0xFFFF00FF;  // a clear colour no lit model produces

// One frame read back from the device, with the measures the tests use.
struct Frame {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0xAARRGGBB, row 0 at the top

    bool covered(int x, int y) const { return (pixels[size_t(y) * width + x] | 0xFF000000) != kBackground; }
    double coverage() const;  // share of the frame the model covers
    // Mean luminance (0..255) of the covered pixels in rows [y0, y1) of the
    // model's bounding box, given as shares of its height.
    double meanLuminance(double y0 = 0.0, double y1 = 1.0) const;
    void meanColour(double rgb[3]) const;  // over the covered pixels
    // The covered pixels' bounding box, [x0, x1) x [y0, y1); false when
    // nothing is covered.
    bool bounds(int& x0, int& y0, int& x1, int& y1) const;
};

// A loaded model in the game's vertex format, white vertex colour.
struct Model {
    ID3DXMesh* mesh = nullptr;
    IDirect3DTexture8* texture = nullptr;
    std::string textureFile;  // as the .x file names it
    ~Model();
};

class RenderFixture {
public:
    RenderFixture();
    ~RenderFixture();
    RenderFixture(const RenderFixture&) = delete;
    RenderFixture& operator=(const RenderFixture&) = delete;

    IDirect3DDevice8* device() const { return m_device; }

    // Loads media/<meshFile> and the texture its material names (from
    // media/). Fails the test and returns null on any error.
    std::unique_ptr<Model> load(const std::string& meshFile);

    // Clears, draws the model placed by `world` seen from (0, 0, cameraZ)
    // looking along +z, and reads the frame back. With `textured` false
    // the texture stage passes the lit vertex colour alone.
    // `clear` other than kBackground is for pictures only: the measures
    // of Frame tell the model from the background by kBackground.
    Frame draw(const Model& model, const D3DXMATRIX& world, float cameraZ, bool textured = true,
               uint32_t clear = kBackground);
    // Draws several models in one frame.
    Frame draw(const std::vector<std::pair<const Model*, D3DXMATRIX>>& models, float cameraZ,
               uint32_t clear = kBackground);

    // Writes the current back buffer to the test's output folder.
    static void capture(const std::string& name);

private:
    void setGameStates();
    void begin(float cameraZ, uint32_t clear);
    void drawModel(const Model& model, const D3DXMATRIX& world, bool textured);
    Frame finish();

    HeadlessDevice m_headless;
    IDirect3DDevice8* m_device = nullptr;  // the headless device's, borrowed
};

// The game's placement: scale, then turns about x, y and z (degrees), then
// the move.
D3DXMATRIX placement(float scale, float rotX, float rotY, float rotZ, float x, float y, float z);
D3DXMATRIX placement(D3DXVECTOR3 scale, D3DXVECTOR3 rotation, D3DXVECTOR3 position);

// Writes the part of `frame` at (x, y) of size w x h, each pixel made
// zoom x zoom, to the test's output folder (for looking at small things).
void saveCrop(const Frame& frame, int x, int y, int w, int h, int zoom, const std::string& name);

}  // namespace artcheck
