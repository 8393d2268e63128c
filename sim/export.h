#pragma once
// Symbols the simulated radio's library offers to hosts and tests.
#define NIMBREL_SIM_API __attribute__((visibility("default")))
