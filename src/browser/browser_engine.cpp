#include "browser/browser_engine.h"

BrowserEngine::~BrowserEngine() = default;

void BrowserEngine::prepare() {}
