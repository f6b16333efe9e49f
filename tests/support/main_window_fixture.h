#pragma once

#include "fake_browser.h"
#include "main_window/main_window.h"
#include "temp_program_folder.h"

#include <memory>

// The start-up most widget tests share: a throw-away program folder, a fake browser, and the main
// window started there. Declared plainly it starts at once; declared Unstarted, the test prepares
// the folder (a settings file, a session folder) and then calls start(). The window goes before
// its folder.
class MainWindowFixture
{
public:
    enum StartMode { StartNow, Unstarted };

    explicit MainWindowFixture(StartMode mode = StartNow)
    {
        if (mode == StartNow)
            start();
    }

    // Starts the main window in the folder; the fake browser is the window's.
    MainWindow& start()
    {
        window = folder.start(&browser);
        return *window;
    }

    TempProgramFolder folder;
    FakeBrowser* browser = nullptr; // owned by the window
    std::unique_ptr<MainWindow> window;
};
