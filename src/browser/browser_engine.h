#pragma once

#include "browser/browser.h"
#include "browser/browser_export.h"

#include <QtPlugin>

#include <memory>

// What a browser engine module gives the program: browsers. The module is a Qt plugin whose root
// object implements this interface; the program loads it once its window is on screen
// (EngineLoader) and places the browser it makes through DeferredBrowser.
class LEXIVO_BROWSER_EXPORT BrowserEngine
{
public:
    // Defined in the library, so that the interface's type information exists once.
    virtual ~BrowserEngine();

    // Runs once on the loader's thread, right after the module is loaded and before any browser
    // is made: the engine's preparations that need not hold up the GUI thread.
    virtual void prepare();

    // A new browser whose view is not yet placed anywhere.
    virtual std::unique_ptr<Browser> createBrowser() = 0;
};

#define LexivoBrowserEngine_iid "com.lexivo.Dictionary.BrowserEngine/1.0"
Q_DECLARE_INTERFACE(BrowserEngine, LexivoBrowserEngine_iid)
