#include "tests/fakes/fake_environment.h"

#include "platform/environment.h"

std::map<std::string, std::string> FakeEnvironment;

const char* ReadEnvironmentVariable(const char* name) {
  auto found = FakeEnvironment.find(name);
  return found == FakeEnvironment.end() ? nullptr : found->second.c_str();
}
