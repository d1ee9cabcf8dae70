// The in-memory display as a PNG file, so that a failing test can be looked at.
#ifndef VELMORA_TEST_DISPLAY_PNG_H
#define VELMORA_TEST_DISPLAY_PNG_H

#include <string>

// Writes the whole screen as it shows now; false when the file cannot be written.
bool WriteDisplayPng(const std::string& path);

// In a fixture's TearDown: when the running test failed, writes the display
// next to the test's output as failed-<suite>.<test>.png and says where.
void KeepDisplayOfFailedTest();

#endif
