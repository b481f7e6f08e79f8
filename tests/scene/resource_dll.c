/* A DLL that only carries resources: the default start-up code suffices. */
int scene_resource_dll_marker;
