#include "browser/web_browser_control.h"

WebBrowserControl::~WebBrowserControl() = default;
