#pragma once

/// Sends `state` ("READY=1", "STOPPING=1") to the service manager as one datagram on
/// the socket that NOTIFY_SOCKET names: a path, or an abstract socket when it starts
/// with '@'. Without the variable nothing is sent. A failure is traced, never reported:
/// the service runs on without it.
void NotifyServiceManager(const char* state);
