// Helpers shared by the graph tests: settings restored around each test, a
// main window that records the status line, and a fixed-size host window
// with the DejaVu graph font.
#pragma once

#include "graph/scalehost.h"
#include "platform/mainwindowbase.h"
#include "settings/configuration.h"
#include "testfonts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class TRecordingMainWindow : public TMainWindowBase {
public:
    void ShowStatus(std::string_view text, bool beep, bool) override
    {
        messages.emplace_back(text);
        beeps += beep ? 1 : 0;
    }
    std::vector<std::string> messages;
    int beeps = 0;
};

inline QFont GraphTestFont()
{
    return DejaVuSans(12);
}

class GraphTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSettings();
        SetDeviceMetrics(96, 96);
        GraphPaperColour = 0;
        BackgroundColour = clWhite;
        MainWindow = &mainWindow;
    }
    void TearDown() override
    {
        MainWindow = nullptr;
        ResetSettings();
        SetDeviceMetrics(96, 96);
    }
    TRecordingMainWindow mainWindow;
};
