// FakeBindable: how the recording device keeps a fake object alive while it
// is bound (stream source, texture stage, shader...) without touching the
// reference count that the code under test sees, as Direct3D 9 does.
#pragma once

#include <windows.h>

// Asked for through QueryInterface; a fake answers with its FakeBindable
// without adding a reference, anything else with E_NOINTERFACE.
// {5A1E0D3C-7B44-4F4B-9C1E-2F3B6E0D9A11}
static const GUID kFakeBindableIid = {0x5a1e0d3c, 0x7b44, 0x4f4b, {0x9c, 0x1e, 0x2f, 0x3b, 0x6e, 0x0d, 0x9a, 0x11}};

class FakeBindable {
public:
    virtual void AddBinding() = 0;
    virtual void RemoveBinding() = 0;

protected:
    ~FakeBindable() = default;
};
