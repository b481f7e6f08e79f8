// The two screen-fixed overlays that end every frame: the maker's banner in
// the lower right corner (opaque for 30 seconds, then fading out within about
// one second) and the fade in from black over the first fourteen frames.
#pragma once

#include <cstdint>

// The banner's alpha for the milliseconds since the main loop started.
uint32_t BannerAlpha(uint32_t elapsedMs);
// The fade quad's alpha for the fade level (1 at the start).
uint32_t FadeAlpha(float fadeLevel);

constexpr float kFadeStep = 0.075f;  // fade level lost per frame
