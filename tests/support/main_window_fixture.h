// A fixture that builds the real main window on a fresh device without the
// settings key, records every message box, and tears it all down again.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/message_boxes.h"
#include "tests/support/test_device.h"

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() { DeleteSettingsKey(); }
    ~MainWindowTest() override;

    // Registers the class (once per process) and creates the main window as
    // start-up does, running the first load. Returns MainWindow.
    HWND CreateMain(int showCommand = SW_SHOW);

    // Sends WM_COMMAND with a command id to the main window, as a menu would.
    LRESULT Command(WORD id);

    // The event list's rows, seven texts each, read back from the control.
    std::vector<std::vector<std::wstring>> ListRows() const;

    TestDevice device;
    MessageBoxRecorder boxes;
};

struct ExpectedBox {
    std::wstring text;
    std::wstring caption;
    HWND owner = nullptr;
};

// Compares the boxes shown with those expected, in order; prints both lists.
::testing::AssertionResult BoxesAre(const MessageBoxRecorder& recorder,
                                    const std::vector<ExpectedBox>& expected);
