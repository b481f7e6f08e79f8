// The matrix stack: its COM lifetime, the order of the "Local" operations, the
// last-matrix rule of Pop, and agreement with Wine's stack over a long random
// sequence of operations.
#include "d3dx/d3dx.h"
#include "tests/d3dx/reference_d3dx.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using CreateStackFn = HRESULT(WINAPI*)(DWORD, ID3DXMatrixStack**);

::testing::AssertionResult TopsAgree(const D3DXMATRIX& ours, const D3DXMATRIX& theirs) {
    for (int i = 0; i < 16; ++i) {
        const float a = (&ours._11)[i], b = (&theirs._11)[i];
        // Products of many rotations drift apart by rounding only.
        if (!FloatsAgree(a, b, 64, 1e-4f))
            return ::testing::AssertionFailure() << "element " << i << ": ours " << a << ", reference " << b;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(D3dxMatrixStack, LifetimeAndOrder) {
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXCreateMatrixStack(0, nullptr));
    ID3DXMatrixStack* stack = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateMatrixStack(0, &stack));
    ASSERT_NE(nullptr, stack);
    EXPECT_TRUE(D3DXMatrixIsIdentity(stack->GetTop()));

    EXPECT_EQ(2u, stack->AddRef());
    IUnknown* unknown = nullptr;
    EXPECT_EQ(S_OK, stack->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    EXPECT_EQ(static_cast<IUnknown*>(stack), unknown);
    void* other = reinterpret_cast<void*>(1);
    const GUID unrelated = {0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_EQ(E_NOINTERFACE, stack->QueryInterface(unrelated, &other));
    EXPECT_EQ(nullptr, other);
    EXPECT_EQ(2u, unknown->Release());
    EXPECT_EQ(1u, stack->Release());

    // The sun sprite: Push, RotateAxisLocal, Translate gives R x T, so a
    // vertex turns about the axis through the origin and then moves.
    const D3DXVECTOR3 axis(0.3f, 0.5f, 0.8f);
    ASSERT_EQ(D3D_OK, stack->Push());
    ASSERT_EQ(D3D_OK, stack->RotateAxisLocal(&axis, 0.7f));
    ASSERT_EQ(D3D_OK, stack->Translate(1.0f, 2.0f, 3.0f));
    D3DXMATRIX r, t, expected;
    D3DXMatrixRotationAxis(&r, &axis, 0.7f);
    D3DXMatrixTranslation(&t, 1.0f, 2.0f, 3.0f);
    D3DXMatrixMultiply(&expected, &r, &t);
    EXPECT_EQ(expected, *stack->GetTop());
    // Local on the left, plain on the right.
    ASSERT_EQ(D3D_OK, stack->TranslateLocal(5.0f, 0.0f, 0.0f));
    D3DXMATRIX t5;
    D3DXMatrixTranslation(&t5, 5.0f, 0.0f, 0.0f);
    D3DXMatrixMultiply(&expected, &t5, &expected);
    EXPECT_EQ(expected, *stack->GetTop());
    EXPECT_EQ(D3DERR_INVALIDCALL, stack->RotateAxisLocal(nullptr, 1.0f));
    EXPECT_EQ(D3DERR_INVALIDCALL, stack->MultMatrix(nullptr));

    // Pop returns to the identity below; popping the last matrix keeps it.
    ASSERT_EQ(D3D_OK, stack->Pop());
    EXPECT_TRUE(D3DXMatrixIsIdentity(stack->GetTop()));
    ASSERT_EQ(D3D_OK, stack->Translate(1, 1, 1));
    EXPECT_EQ(D3D_OK, stack->Pop());
    EXPECT_EQ(D3D_OK, stack->Pop());
    EXPECT_EQ(1.0f, stack->GetTop()->_41);
    EXPECT_EQ(D3D_OK, stack->LoadIdentity());
    EXPECT_TRUE(D3DXMatrixIsIdentity(stack->GetTop()));

    // Deep nesting grows the stack and unwinds to the same matrices.
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(D3D_OK, stack->Push());
        ASSERT_EQ(D3D_OK, stack->Translate(1, 0, 0));
    }
    EXPECT_EQ(100.0f, stack->GetTop()->_41);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(D3D_OK, stack->Pop());
    EXPECT_TRUE(D3DXMatrixIsIdentity(stack->GetTop()));

    EXPECT_EQ(0u, stack->Release());
}

TEST(D3dxMatrixStack, AgreesWithWineD3dx9) {
    ReferenceD3dx reference;
    ASSERT_TRUE(reference.Loaded());
    const auto createStack = reference.Get<CreateStackFn>("D3DXCreateMatrixStack");
    ASSERT_NE(nullptr, createStack);
    ID3DXMatrixStack* ours = nullptr;
    ID3DXMatrixStack* theirs = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateMatrixStack(0, &ours));
    ASSERT_EQ(D3D_OK, createStack(0, &theirs));

    uint32_t state = 12345u;
    auto next = [&state](float low, float high) {
        state = state * 1664525u + 1013904223u;
        return low + (high - low) * static_cast<float>(state >> 8) / 16777216.0f;
    };
    for (int step = 0; step < 3000; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        const int op = static_cast<int>(next(0.0f, 14.0f));
        const float x = next(-2, 2), y = next(-2, 2), z = next(-2, 2), a = next(-3, 3);
        const D3DXVECTOR3 v(x, y, z);
        D3DXMATRIX m;
        D3DXMatrixRotationYawPitchRoll(&m, x, y, z);
        m._41 = a;
        // The same operation on both stacks.
        const auto apply = [&](ID3DXMatrixStack* stack) {
            switch (op) {
            case 0: return stack->Push();
            case 1: return stack->Pop();
            case 2: return stack->LoadIdentity();
            case 3: return stack->LoadMatrix(&m);
            case 4: return stack->MultMatrix(&m);
            case 5: return stack->MultMatrixLocal(&m);
            case 6: return stack->RotateAxis(&v, a);
            case 7: return stack->RotateAxisLocal(&v, a);
            case 8: return stack->RotateYawPitchRoll(x, y, z);
            case 9: return stack->RotateYawPitchRollLocal(x, y, z);
            case 10: return stack->Translate(x, y, z);
            case 11: return stack->TranslateLocal(x, y, z);
            case 12: return stack->Scale(x, y, z);
            default: return stack->ScaleLocal(x, y, z);
            }
        };
        const HRESULT ho = apply(ours), ht = apply(theirs);
        ASSERT_EQ(ht, ho) << "operation " << op;
        ASSERT_TRUE(TopsAgree(*ours->GetTop(), *theirs->GetTop())) << "after operation " << op;
        // Keep the products bounded so that rounding stays comparable.
        if (step % 8 == 7) {
            ours->LoadIdentity();
            theirs->LoadIdentity();
        }
    }
    EXPECT_EQ(0u, ours->Release());
    EXPECT_EQ(0u, theirs->Release());
}
