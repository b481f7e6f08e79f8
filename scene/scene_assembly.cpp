// Assembly and release of the scene.
// PLACEHOLDER: there is no scene yet, so there is nothing to release.
#include "host/saver_app.h"

void SaverApp::ReleaseScene() { renderingActive = false; }
