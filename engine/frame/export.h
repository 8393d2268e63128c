#pragma once
// Symbols the engine library offers to its hosts.
#define NIMBREL_API __attribute__((visibility("default")))
