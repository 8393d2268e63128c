#pragma once
// Marks what the BlueZ backend library exports; everything else in it stays hidden.
#define NIMBREL_BLUEZ_API __attribute__((visibility("default")))
