// QuietDevice: the recording device without the log of the sea's per-tile
// calls, so that what the benchmarks and the frame soak time is the saver's
// own work rather than the recorder's. It counts the draws and the
// triangles of the sea's detailed tiles (every draw of more than flat quads).
#pragma once

#include <memory>

#include "tests/support/call_recorder.h"
#include "tests/support/recording_device.h"

class QuietDevice : public RecordingDevice {
public:
    using RecordingDevice::RecordingDevice;
    // A device with one reference and default caps.
    static QuietDevice* Create(const std::shared_ptr<CallRecorder>& recorder) {
        D3DPRESENT_PARAMETERS presentation = {};
        D3DDEVICE_CREATION_PARAMETERS creation = {};
        return new QuietDevice(recorder, nullptr, RecordingDevice::DefaultCaps(), creation, presentation);
    }
    HRESULT STDMETHODCALLTYPE SetVertexShaderConstantF(UINT, const float*, UINT) override { return D3D_OK; }
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE, INT, UINT, UINT vertices, UINT,
                                                   UINT triangles) override {
        ++draws;
        if (vertices != 2 * triangles)
            detailedTriangles += triangles;
        return D3D_OK;
    }
    unsigned draws = 0;
    uint64_t detailedTriangles = 0;
};
