#pragma once

/// Shows the splash bitmap (resource 8000) centred on the screen, on a thread of its
/// own, and returns at once. The splash closes itself: when the process shows a
/// second visible top-level window (SplashUntilWindow set), or after SplashSeconds
/// seconds. It reports nothing and nothing waits for it: when the thread, the window
/// or the bitmap cannot be had, the run simply goes on without a visible splash.
/// Call once, on the main thread, after LaunchConfig is loaded.
void StartSplash();
