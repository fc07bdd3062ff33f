#include "hosting/runtime_location.h"

char RegistryJavaHome[RegistryJavaHomeSize];
