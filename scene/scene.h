// Scene: everything the saver draws, made on a render context and drawn on
// it frame by frame: the sky box, the sun flare, the sea, the banner and
// noise textures, the opening fade, the state caches and the frame's view
// vectors (the camera and the overlays' buffers go into the context). The
// host owns one and calls its entry points: Build, ApplyScreenProjection,
// RenderFrame, Release.
#pragma once

#include <d3d9.h>

#include <cstdint>
#include "art_table.h"

#include "render/render_context.h"
#include "render/view_vectors.h"
#include "scene/panorama.h"
#include "scene/state_cache.h"

class CameraFlight;
class SkyBox;
class SunFlare;
class WaterSurface;

// What became of a frame: the host ends the saver on a lost device and on
// frames that keep failing to reach the screen.
enum class FrameOutcome { Presented, PresentFailed, Dropped, DeviceLost };

// The view one step of the flight gives: the eye, the look-at point and the
// up vector of the frame.
struct FlightView {
    D3DXVECTOR3 eye{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 target{0.0f, 0.0f, 1.0f};
    D3DXVECTOR3 up{0.0f, 1.0f, 0.0f};
};

class Scene {
public:
    static constexpr int kNoiseTextureCount = ART_NOISE_PICTURES;

    // scene/scene_assembly.cpp: the scene made on the context's device from
    // `module`'s resources: the sky box, the sun flare, the context's camera,
    // the sea, the context's overlay buffers, the fixed pipeline states, the
    // banner and noise textures. False on a part whose failure ends the
    // saver; whatever was made by then is left for Release.
    bool Build(RenderContext& context, HMODULE module);
    // The decoding of the sky faces and height frames and the making of the
    // normal maps, started on a worker before there is a device; Build takes
    // what matches its loads. DropPrepared waits for the worker and frees
    // its work, once every display's scene is built.
    static void StartPreparing(HMODULE module);
    static void DropPrepared();
    // The step after the assembly; everything it could do is already done.
    bool BuildGeometry() { return true; }
    // Everything Build made, the context's camera and overlay buffers too.
    void Release(RenderContext& context);

    // scene/screen_projection.cpp: the world and projection transforms for a
    // screen of `width` x `height` pixels (or the wide-screen ratio), which
    // the camera takes too.
    void ApplyScreenProjection(RenderContext& context, int width, int height);

    // scene/frame.cpp: one frame: the flight's next step, the passes in
    // their order, the Present. `bannerElapsedMs` is the clock's time since
    // the main loop started, which the banner fades on.
    FrameOutcome RenderFrame(RenderContext& context, CameraFlight& flight, uint32_t bannerElapsedMs);
    // The flight's next step. Several displays take one step a frame and
    // each draws its view of it (DrawView), so that they show one flight.
    static FlightView NextFlightView(CameraFlight& flight);
    // The frame of `view` turned by `turn` (scene/panorama.h): the passes
    // and the Present; the banner and the fade only `withOverlays`.
    FrameOutcome DrawView(RenderContext& context, const FlightView& view, ViewTurn turn, bool withOverlays,
                          uint32_t bannerElapsedMs);
    void PlaceCamera(RenderContext& context, const FlightView& view, ViewTurn turn);

    // The passes, one file each (scene/*_pass.cpp).
    void DrawSkyPass(RenderContext& context);
    void DrawSeaPass(RenderContext& context);
    void DrawSunFlarePass(RenderContext& context);
    // False when a lock of the shared buffer failed.
    bool DrawOverlayPass(RenderContext& context, uint32_t bannerElapsedMs);

    // scene/banner_and_fade.cpp: the overlays of the last pass.
    bool DrawBanner(RenderContext& context, uint32_t elapsedMs);
    bool DrawOpeningFade(RenderContext& context);

    void InvalidateStateCaches() { stateCache.InvalidateStateCaches(); }

    SkyBox* skyBox = nullptr;
    SunFlare* sunFlare = nullptr;
    WaterSurface* water = nullptr;
    IDirect3DTexture9* bannerTexture = nullptr;
    IDirect3DTexture9* noiseTextures[kNoiseTextureCount] = {};
    // The opening fade: 1 at the start, 0.075 less after every frame it drew.
    float fadeLevel = 1.0f;
    // The aspect ratio of the projection, as the screen or the wide-screen
    // choice gives it.
    float aspectRatio = 0.0f;
    // The render, texture-stage and sampler state tables and their setters.
    StateCache stateCache;
    // The frame's eye, target, direction and up, read by the sun flare.
    ViewVectors viewVectors;
};
