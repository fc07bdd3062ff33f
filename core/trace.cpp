#include "core/trace.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/environment.h"

namespace {

std::FILE* TraceFile = nullptr;
std::chrono::steady_clock::time_point TraceStart;
// Lines from the service's threads would otherwise interleave mid-line. Never
// destroyed: a service thread may still trace while the process runs its exit.
std::mutex& TraceLock = *new std::mutex;

}  // namespace

void StartTrace() {
  const char* target = ReadEnvironmentVariable("CORVANE_TRACE");
  if (target == nullptr || target[0] == '\0' || TraceFile != nullptr) return;
  TraceFile = std::strcmp(target, "-") == 0 ? stderr : std::fopen(target, "a");
  TraceStart = std::chrono::steady_clock::now();
  Trace("corvane trace begins");
}

bool Tracing() { return TraceFile != nullptr; }

void Trace(const char* format, ...) {
  if (TraceFile == nullptr) return;
  char line[4096];
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - TraceStart)
          .count();
  int length = std::snprintf(line, sizeof line, "[%9.3f ms] ", ms);
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(line + length, sizeof line - length - 1, format, arguments);
  va_end(arguments);
  length = static_cast<int>(std::strlen(line));
  line[length] = '\n';
  std::lock_guard<std::mutex> hold(TraceLock);
  // A trace that cannot be written is dropped, line by line.
  std::fwrite(line, 1, length + 1, TraceFile);
  std::fflush(TraceFile);
}
