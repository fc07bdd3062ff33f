#include "splash/splash.h"

// This platform has no splash: the launch goes on as with no splash configured.
void StartSplash() {}
