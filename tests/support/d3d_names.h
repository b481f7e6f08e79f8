// Readable names of the Direct3D 9 enumerations that the recorded calls
// show; a value without a name shows as its number.
#pragma once

#include <d3d9.h>

#include <string>

std::string RenderStateName(DWORD state);
std::string TextureStageStateName(DWORD type);
std::string SamplerStateName(DWORD type);
std::string TransformName(DWORD state);
std::string PrimitiveTypeName(DWORD type);
std::string PoolName(DWORD pool);
