// What the runtime discovery adds to a launch: LocateRuntime with a configured library
// against LocateRuntime with discovery, timed alternately in one run on this machine's
// own Java installations.
//
//   runtime_discovery_bench [repetitions]
//
// Three discovery cases: JAVA_HOME set (the first step takes it), java on PATH (the
// usual machine), and neither (every home below the system's directory is read).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/launch_config.h"
#include "platform/file_system.h"
#include "runtime/java_home.h"
#include "runtime/runtime_location.h"

namespace {

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// One LocateRuntime in milliseconds, from a fresh configuration.
double TimeLocate(bool discovery, const std::string& configured) {
  LaunchConfig.RuntimeDiscovery = discovery;
  LaunchConfig.RuntimeLibrary = discovery ? "" : configured;
  const auto start = std::chrono::steady_clock::now();
  if (!LocateRuntime()) std::exit(1);
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::atoi(argv[1]) : 201;
  std::string java;
  const char* path = std::getenv("PATH");
  if (!ResolveFinalPath("/usr/bin/java", &java) || path == nullptr) {
    std::fprintf(stderr, "needs java on PATH (/usr/bin/java)\n");
    return 1;
  }
  const std::string home = ParentPath(ParentPath(java));
  const std::string configured = FindHomeLibrary(home);
  LaunchConfig.RuntimeSearchMode = 2;
  LaunchConfig.MsgNoRuntime = "no runtime";

  struct Case {
    const char* Name;
    const char* JavaHome;  // null: unset
    const char* Path;
  } cases[] = {{"JAVA_HOME set", home.c_str(), path},
               {"java on PATH", nullptr, path},
               {"system homes only", nullptr, "/nowhere"}};
  std::printf("configured library: %s\n\n", configured.c_str());
  std::printf("%-20s %14s %14s %12s\n", "discovery case", "configured ms", "discovery ms",
              "added ms");
  for (const Case& c : cases) {
    if (c.JavaHome != nullptr) setenv("JAVA_HOME", c.JavaHome, 1); else unsetenv("JAVA_HOME");
    setenv("PATH", c.Path, 1);
    std::vector<double> plain, discovered;
    for (int i = 0; i < repetitions; ++i) {
      plain.push_back(TimeLocate(false, configured));
      discovered.push_back(TimeLocate(true, configured));
    }
    const double a = Median(plain), b = Median(discovered);
    std::printf("%-20s %14.4f %14.4f %12.4f\n", c.Name, a, b, b - a);
  }
  setenv("PATH", path, 1);
  return 0;
}
